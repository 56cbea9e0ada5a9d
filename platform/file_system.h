// What the systems' CFile share: each provides the error texts, the common part
// provides the temporary names.
#pragma once

#include <cstddef>
#include <cstdint>

// The file's name as the user knows it, in wide characters.
void WidenFileName(const char* fileName, wchar_t* buffer, std::size_t count);

// The system's own description of an error code, without a trailing line break;
// empty when there is none.
void SystemErrorText(long osError, wchar_t* buffer, std::size_t count);

// The name of a temporary file beside fileName: "<fileName>.<id as 8 hex digits>.tmp".
// False when it does not fit.
bool TemporaryNameBeside(const char* fileName, std::uint32_t id, char* buffer, std::size_t count);

// The ids of the temporary names after the first: a sequence no one else can foresee
// from the outside, from a seed of the moment (not for secrets).
std::uint32_t NextTemporaryId(std::uint64_t& state);

// The folder of fileName with its trailing separator ("C:\\"); "" when it names none.
void FolderOf(const char* fileName, char* buffer, std::size_t count);

// Waits CFile::kBusyDelayMs before a file that another program holds is tried again.
void PauseWhileBusy();
