// What a file planted beside the program does when it is loaded or started: it
// writes a marker file beside itself, which the tests look for.
#pragma once

#include <windows.h>

#include <cwchar>

inline void WriteMarkerBeside(HMODULE hModule, const wchar_t* marker)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(hModule, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? std::wcsrchr(path, L'\\') : nullptr;
    if (slash == nullptr || (slash - path) + 1 + std::wcslen(marker) >= MAX_PATH)
        return;
    std::wcscpy(slash + 1, marker);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}
