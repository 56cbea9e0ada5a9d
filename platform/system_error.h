// The system's own description of an error, in the user's language.
#pragma once

#include <windows.h>

#include <cstddef>

// The text for a Win32 error code, without the line break it ends with; empty when
// the system has none.
inline void GetSystemErrorText(DWORD dwError, wchar_t* buffer, std::size_t count)
{
    DWORD length = 0;
    if (static_cast<LONG>(dwError) > 0)
        length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0,
                                  buffer, static_cast<DWORD>(count), nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' || buffer[length - 1] == L' '))
        --length;
    buffer[length < count ? length : 0] = L'\0';
}
