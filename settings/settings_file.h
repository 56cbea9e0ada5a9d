// The settings file: one raw 72-byte record at the root of drive C.
#pragma once

#include "platform/file.h"
#include "settings/settings_record.h"

// The same file, named as the program has always named it for each direction.
inline constexpr const wchar_t kSettingsReadPath[] = L"c:\\korvane.ini";
inline constexpr const wchar_t kSettingsWritePath[] = L"C:\\korvane.ini";

enum class LoadResult {
    loaded,         // read, whatever its version
    noFile,         // nothing stands at its name
    unreadable,     // something does, and could not be read: the error says why
};

// Reads the settings file into record; record is left as it was unless it is
// loaded. A file shorter than a record reads as the default record past its end;
// bytes past 72 are ignored. A file that another program holds is waited for a
// moment. When the file is unreadable, error (if given) names it as the user knows
// it, C:\korvane.ini, with the cause.
LoadResult LoadSettings(SettingsRecord& record, CFileException* error = nullptr);

// Writes record over the settings file (fileName, for the tests), in place: the
// whole record at its start in one write, then its end at 72 bytes. The file keeps
// its attributes and security (and, under Wine, a Unix link to it stays a link);
// one that did not exist is created. Raises CFileException naming the file when it
// cannot: a folder or a read-only file at that name, a link (never written
// through), a file that has another name too (whose file it would change), a
// program that holds the file without letting others write (waited for a moment
// first), a full disk, a write or a flush that the disk refuses. The file then
// keeps its first 72 bytes (and all of it unless the failure came once its end was
// set), and one this save created is removed again.
void SaveSettings(const SettingsRecord& record, const wchar_t* fileName = kSettingsWritePath);

// Why a save refuses what it opened at the settings file's name (fileName), from
// what the system says of it: the error it raises; its cause is none when the file
// may be written.
CFileException SaveRefusal(const BY_HANDLE_FILE_INFORMATION& info, const wchar_t* fileName);
