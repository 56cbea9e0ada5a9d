// A winhlp32.exe as a web page could drop into a Downloads folder beside the setup
// program: started, it writes "winhlp32.marker" beside itself. The tests check that
// F1 never starts it.
#include <windows.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? std::wcsrchr(path, L'\\') : nullptr;
    if (slash != nullptr && (slash - path) + 16 < MAX_PATH) {
        std::wcscpy(slash + 1, L"winhlp32.marker");
        HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    return 0;
}
