#include "settings/settings_file.h"

#include "platform/file.h"
#include "settings/setup_values.h"

bool LoadSettings(SettingsRecord& record)
{
    CFile file;
    if (!file.Open(kSettingsReadPath, CFile::modeRead | CFile::shareDenyWrite))
        return false;
    RecordBytes bytes;
    EncodeRecord(DefaultRecord(), bytes);
    try {
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Close();
    } catch (const CFileException&) {
        return false;   // an unreadable file counts as no file
    }
    record = DecodeRecord(bytes);
    return true;
}

void SaveSettings(const SettingsRecord& record)
{
    RecordBytes bytes;
    EncodeRecord(record, bytes);
    // Never truncate the settings file itself: a failure halfway would lose the
    // settings saved before. The new record is complete on disk before it replaces
    // the old one in a single step; until then it is a temporary file of this save's
    // own, removed if anything fails.
    CFile file;
    CFileException error;
    if (!file.OpenTemporaryBeside(kSettingsWritePath, &error))
        throw error;
    try {
        file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Flush();
    } catch (CFileException& e) {
        e.SetFileName(kSettingsFolder);     // the folder's disk, not the settings file
        throw;
    }
    file.CloseReplacing(kSettingsWritePath);
}
