#include "settings/settings_file.h"

#include "platform/file.h"
#include "platform/file_system.h"
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
    // A link that the user keeps the file through stays a link: the file it names
    // is the one saved, in its own folder.
    char target[260];
    CFile::GetSaveTarget(kSettingsWritePath, target, sizeof target);
    // Never truncate the settings file first: a failure halfway would lose the
    // settings saved before. The new record is complete on disk before it takes the
    // old one's place (or, where a new file cannot keep what the old one has, before
    // it is written into it); until then it is a temporary file of this save's own,
    // removed if anything fails.
    CFile file;
    CFileException error;
    if (!file.OpenTemporaryBeside(target, &error))
        throw error;
    try {
        file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Flush();
    } catch (CFileException& e) {
        char folder[260];
        FolderOf(target, folder, sizeof folder);
        e.SetFileName(folder);     // the folder's disk, not the settings file
        throw;
    }
    file.CloseReplacing(target, bytes.data(), static_cast<unsigned>(bytes.size()));
}
