// What each system's CFile provides to the shared error messages.
#pragma once

#include <cstddef>

// The file's name as the user knows it, in wide characters.
void WidenFileName(const char* fileName, wchar_t* buffer, std::size_t count);

// The system's own description of an error code, without a trailing line break;
// empty when there is none.
void SystemErrorText(long osError, wchar_t* buffer, std::size_t count);
