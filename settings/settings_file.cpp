#include "settings/settings_file.h"

#include "platform/file.h"
#include "settings/setup_values.h"

LoadResult LoadSettings(SettingsRecord& record, CFileException* error)
{
    CFile file;
    CFileException e;
    if (file.OpenWaiting(kSettingsReadPath, CFile::modeRead | CFile::shareDenyWrite, &e)) {
        RecordBytes bytes;
        EncodeRecord(DefaultRecord(), bytes);
        try {
            file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
            file.Close();
            record = DecodeRecord(bytes);
            return LoadResult::loaded;
        } catch (const CFileException& readError) {
            e = readError;
        }
    } else if (e.IsNoSuchFile()) {
        return LoadResult::noFile;
    }
    if (error != nullptr)
        *error = CFileException(e.m_cause, e.m_lOsError, kSettingsWritePath);   // as the user knows it
    return LoadResult::unreadable;
}

CFileException SaveRefusal(const BY_HANDLE_FILE_INFORMATION& info, const wchar_t* fileName)
{
    // The program runs as administrator: it writes no file that a link or junction
    // at the name would send it to, whoever put the link there, nor a file that
    // has a second name, which anyone who may create files beside it can give to
    // any file (writing through that name would change the other file).
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return CFileException(CFileException::accessDenied, ERROR_CANT_ACCESS_FILE, fileName);
    if (info.nNumberOfLinks > 1)
        return CFileException(CFileException::hardLink, -1, fileName);
    // Windows refuses to open one for writing; Wine lets root do it.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, fileName);
    return CFileException();
}

void SaveSettings(const SettingsRecord& record, const wchar_t* fileName)
{
    RecordBytes bytes, old;
    EncodeRecord(record, bytes);
    const UINT size = static_cast<UINT>(bytes.size());
    // Created when absent, never emptied on opening; others may read it meanwhile,
    // not write it.
    CFile file;
    CFileException error;
    if (!file.OpenWaiting(fileName, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite |
                                        CFile::shareDenyWrite | CFile::osOpenReparsePoint, &error))
        throw error;
    UINT oldSize = 0;
    bool writing = false;
    try {
        if (const CFileException refusal = SaveRefusal(file.GetInformation(), fileName); refusal.m_cause)
            throw refusal;
        oldSize = file.Read(old.data(), size);     // what the record replaces
        file.SeekToBegin();
        // The whole record in one write, and only then the end: the old content is
        // never cut before the new one is there. A file of a record or more needs
        // no new space for it, so a full disk cannot stop it halfway.
        writing = true;
        file.Write(bytes.data(), size);
        file.SetLength(size);
        file.Flush();
        file.Close();
    } catch (const CFileException&) {
        // A save that fails leaves what was there: no file where there was none, and
        // the old bytes back over the new (a tail past them that the end already
        // cut stays cut).
        try {
            if (file.WasCreated()) {
                file.Abort();
                CFile::Remove(fileName);
            } else if (writing) {
                file.SeekToBegin();
                file.Write(old.data(), oldSize);
                if (oldSize < size)
                    file.SetLength(oldSize);
                file.Close();
            }
        } catch (const CFileException&) {
        }
        throw;
    }
}
