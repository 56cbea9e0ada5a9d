// Texts for the user in fixed buffers: formatted by the runtime's bounded wide
// printf, and the system's own description of an error. What does not fit is cut;
// the buffer always ends with a NUL.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cwchar>

inline void AfxFormatText(wchar_t* buffer, std::size_t count, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    _vsnwprintf(buffer, count, format, args);     // leaves no NUL when it cuts
    va_end(args);
    buffer[count - 1] = L'\0';
}

// The text for a Win32 error code, in the user's language, without the line break
// it ends with; empty when the system has none.
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
