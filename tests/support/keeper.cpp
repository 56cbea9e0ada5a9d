// Keeps Wine's helper processes (wineserver, explorer, services) running for a test
// session: it owns a hidden window, says "ready" once Wine is up, and pumps messages
// until wineserver -k ends it.
#include <windows.h>

#include <cstdio>

int main()
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "korvane test keeper", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
