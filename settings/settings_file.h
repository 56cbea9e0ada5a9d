// The settings file: one raw 72-byte record at the root of drive C.
#pragma once

#include "settings/settings_record.h"

// The same file, named as the program has always named it for each direction.
inline constexpr const char kSettingsReadPath[] = "c:\\korvane.ini";
inline constexpr const char kSettingsWritePath[] = "C:\\korvane.ini";
// A save is written here first, beside the settings file, then put in its place.
inline constexpr const char kSettingsTempPath[] = "C:\\korvane.ini.tmp";

// Reads the settings file into record. False when the file could not be opened or
// read, and record is then left as it was. A file shorter than a record reads as
// the default record past its end; bytes past 72 are ignored.
bool LoadSettings(SettingsRecord& record);

// Writes record as the whole settings file. Raises CFileException when it cannot;
// the file then keeps its previous content, byte for byte, and nothing else is
// left behind.
void SaveSettings(const SettingsRecord& record);
