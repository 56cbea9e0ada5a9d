// The process entry, into the platform layer's start-up.
#include "platform/app.h"

#include <cstdlib>

// An exception that nothing catches ends the program at once. The runtime's own
// handler would print the exception's demangled type on a console that a windowed
// program does not have, and would bring 46 KB of demangler with it.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
