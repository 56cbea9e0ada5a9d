// A winhlp32.exe as a web page could drop into a Downloads folder beside the setup
// program: started, it writes "winhlp32.marker" beside itself. The tests check that
// F1 never starts it.
#include "support/planted_marker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WriteMarkerBeside(nullptr, L"winhlp32.marker");
    return 0;
}
