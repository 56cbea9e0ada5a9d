#include "settings/settings_file.h"

#include "platform/file.h"
#include "settings/setup_values.h"

LoadResult LoadSettings(SettingsRecord& record, CFileException* error)
{
    auto unreadable = [error](const CFileException& e) {
        if (error != nullptr) {
            *error = e;
            error->SetFileName(kSettingsWritePath);
        }
        return LoadResult::unreadable;
    };
    CFile file;
    CFileException e;
    if (!file.OpenWaiting(kSettingsReadPath, CFile::modeRead | CFile::shareDenyWrite, &e))
        return e.IsNoSuchFile() ? LoadResult::noFile : unreadable(e);
    RecordBytes bytes;
    EncodeRecord(DefaultRecord(), bytes);
    try {
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Close();
    } catch (const CFileException& readError) {
        return unreadable(readError);
    }
    record = DecodeRecord(bytes);
    return LoadResult::loaded;
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
