// A COMCTL32.dll as a web page could drop into a Downloads folder beside the setup
// program: loading it writes "planted.marker" beside it, and it registers no control.
// The tests check that the program never loads it.
#include <windows.h>

#include <cwchar>

extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(hModule, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? std::wcsrchr(path, L'\\') : nullptr;
    if (slash != nullptr && (slash - path) + 16 < MAX_PATH) {
        std::wcscpy(slash + 1, L"planted.marker");
        HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*)
{
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
