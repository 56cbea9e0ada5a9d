// A COMCTL32.dll as a web page could drop into a Downloads folder beside the setup
// program: loading it writes "planted.marker" beside it, and it registers no control.
// The tests check that the program never loads it.
#include "support/planted_marker.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        WriteMarkerBeside(hModule, L"planted.marker");
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*)
{
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
