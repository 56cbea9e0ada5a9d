// The settings file: one raw 72-byte record at the root of drive C.
#pragma once

#include "settings/settings_record.h"

// The same file, named as the program has always named it for each direction.
inline constexpr const char kSettingsReadPath[] = "c:\\korvane.ini";
inline constexpr const char kSettingsWritePath[] = "C:\\korvane.ini";

class CFileException;

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

// Writes record as the whole settings file: into a new temporary file beside it,
// which then takes its place in one step, keeping the file's attributes, security
// and creation time; or, where a new file cannot keep what the file has (other
// names, Wine's Unix mode) or another program reads it and lets others write, into
// the file itself, in place. A symbolic link there that its owner may write through
// stays a link: the file it names is saved. Raises CFileException when it cannot,
// naming the settings file when the fault is the file's (read-only, held open,
// permissions) and the folder when it is the folder's (no right to create a file
// there, disk full); the file then keeps its previous content, byte for byte, and
// nothing else is left behind.
void SaveSettings(const SettingsRecord& record);
