// CFile on the Win32 file API, with wide names: no name passes through the code page
// of programs that are not Unicode.
#include "platform/file.h"

#include <windows.h>

#include <cstring>
#include <iterator>

#include "platform/file_system.h"

namespace {

// What a file keeps across a save, besides its content. It is marked for the next
// backup (archive), as any file written to is.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr SECURITY_INFORMATION kKeptSecurity = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                               DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION;

HANDLE ToHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// A UTF-8 name as Windows takes it; false when it is not valid UTF-8 or too long.
bool WidePath(const char* fileName, wchar_t (&buffer)[MAX_PATH])
{
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, fileName, -1, buffer, MAX_PATH) != 0;
}

DWORD ShareMode(unsigned flags)
{
    switch (flags & 0x70) {
    case CFile::shareExclusive: return 0;
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

DWORD Access(unsigned flags)
{
    switch (flags & 0x3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

// Errors that another program holding the file open for a moment gives.
bool HeldByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

[[noreturn]] void Raise(DWORD osError, const char* fileName)
{
    throw CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)), static_cast<long>(osError),
                         fileName);
}

// The file at path itself, never what a link there points to, for reading what
// belongs to it; INVALID_HANDLE_VALUE with the system's error when there is none.
HANDLE OpenForProperties(const wchar_t* path, DWORD access)
{
    return ::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A file's owner, group, permissions and integrity label. Everything they can hold
// fits (an ACL is at most 64 KiB).
struct FileSecurity {
    SECURITY_INFORMATION what;
    alignas(8) BYTE descriptor[0x10000 + 1024];
};

// A folder is not replaced; a read-only file is refused as Windows refuses it
// (Wine lets a privileged process replace one).
DWORD CheckReplaceable(HANDLE h, BY_HANDLE_FILE_INFORMATION& info)
{
    if (!::GetFileInformationByHandle(h, &info))
        return ::GetLastError();
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    return NO_ERROR;
}

// False when there is no file at path; otherwise the error when it may not be
// replaced or its security cannot be read. A system that keeps no integrity label
// gives the rest.
bool ReadSecurity(const wchar_t* path, FileSecurity& security, DWORD& osError)
{
    osError = NO_ERROR;
    HANDLE h = OpenForProperties(path, READ_CONTROL | FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) {
        osError = ::GetLastError();
        if (osError == ERROR_FILE_NOT_FOUND || osError == ERROR_PATH_NOT_FOUND)
            osError = NO_ERROR;
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    DWORD length = 0;
    security.what = kKeptSecurity;
    osError = CheckReplaceable(h, info);
    if (osError == NO_ERROR &&
        !::GetKernelObjectSecurity(h, security.what, security.descriptor, sizeof security.descriptor, &length)) {
        security.what = kKeptSecurity & ~LABEL_SECURITY_INFORMATION;
        if (!::GetKernelObjectSecurity(h, security.what, security.descriptor, sizeof security.descriptor, &length))
            osError = ::GetLastError();
    }
    ::CloseHandle(h);
    return osError == NO_ERROR;
}

// Gives the file of handle h the security read from the file it replaces, when it
// could not be born with it. The owner may be one that only the system's restore
// right may give: then the file keeps its own owner, and the rest is still given.
DWORD ApplySecurity(HANDLE h, const FileSecurity& security)
{
    const SECURITY_INFORMATION withoutOwner = security.what & ~OWNER_SECURITY_INFORMATION;
    for (const SECURITY_INFORMATION what : {security.what, withoutOwner, withoutOwner & ~LABEL_SECURITY_INFORMATION}) {
        if (::SetKernelObjectSecurity(h, what, const_cast<BYTE*>(security.descriptor)))
            return NO_ERROR;
    }
    return ::GetLastError();
}

// While set, the file is removed when its last handle closes, whether the program
// closes it or ends without closing it.
bool SetDeleteOnClose(HANDLE h, bool remove)
{
    FILE_DISPOSITION_INFO disposition = {static_cast<BOOLEAN>(remove)};
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// FileRenameInfoEx, which the headers declare only for Windows 10 builds.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Renames the file of handle h over target. First as POSIX does (Windows 10 and
// later): that succeeds while a reader holds target and lets others delete it;
// where the system does not know that form, as Windows always has.
DWORD RenameOver(HANDLE h, const wchar_t* target)
{
    struct {
        FILE_RENAME_INFO info;
        wchar_t more[MAX_PATH];
    } rename = {};
    rename.info.RootDirectory = nullptr;
    rename.info.FileNameLength = static_cast<DWORD>(std::wcslen(target) * sizeof(wchar_t));
    std::wcscpy(rename.info.FileName, target);
    rename.info.Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    if (::SetFileInformationByHandle(h, kFileRenameInfoEx, &rename, sizeof rename))
        return NO_ERROR;
    const DWORD osError = ::GetLastError();
    if (osError != ERROR_INVALID_PARAMETER && osError != ERROR_NOT_SUPPORTED && osError != ERROR_INVALID_FUNCTION &&
        osError != ERROR_CALL_NOT_IMPLEMENTED)
        return osError;
    rename.info.Flags = 0;
    rename.info.ReplaceIfExists = TRUE;
    if (::SetFileInformationByHandle(h, FileRenameInfo, &rename, sizeof rename))
        return NO_ERROR;
    return ::GetLastError();
}

}  // namespace

int CFileException::OsErrorToCause(long osError)
{
    switch (static_cast<DWORD>(osError)) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_NO_UNICODE_TRANSLATION: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return hardIO;
    default: return genericException;
    }
}

bool CFileException::IsNoSuchFile() const
{
    return m_lOsError == ERROR_FILE_NOT_FOUND || m_lOsError == ERROR_PATH_NOT_FOUND;
}

void PauseWhileBusy()
{
    ::Sleep(CFile::kBusyDelayMs);
}

void WidenFileName(const char* fileName, wchar_t* buffer, std::size_t count)
{
    if (::MultiByteToWideChar(CP_UTF8, 0, fileName, -1, buffer, static_cast<int>(count)) == 0)
        buffer[0] = L'\0';
}

void SystemErrorText(long osError, wchar_t* buffer, std::size_t count)
{
    DWORD length = 0;
    if (osError > 0)
        length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(osError), 0, buffer, static_cast<DWORD>(count), nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' || buffer[length - 1] == L' '))
        --length;
    buffer[length < count ? length : 0] = L'\0';
}

CFile::~CFile()
{
    Abort();
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    Abort();
    std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
    const DWORD disposition = (openFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    wchar_t path[MAX_PATH];
    HANDLE h = INVALID_HANDLE_VALUE;
    DWORD osError = ERROR_NO_UNICODE_TRANSLATION;
    if (WidePath(fileName, path)) {
        h = ::CreateFileW(path, Access(openFlags), ShareMode(openFlags), nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        osError = ::GetLastError();
    }
    if (h == INVALID_HANDLE_VALUE) {
        if (error != nullptr)
            *error = CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)),
                                    static_cast<long>(osError), fileName);
        return false;
    }
    m_hFile = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool CFile::OpenTemporaryBeside(const char* fileName, CFileException* error)
{
    Abort();
    auto fail = [error](DWORD osError, const char* name) {
        if (error != nullptr)
            *error = CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)),
                                    static_cast<long>(osError), name);
        return false;
    };
    char folder[260];
    FolderOf(fileName, folder, sizeof folder);

    // Born with the replaced file's security: no one else has a moment's access
    // that the settings file does not give.
    static_assert(sizeof(FileSecurity) < 80 * 1024, "the save's stack frame stays modest");
    FileSecurity security;
    wchar_t target[MAX_PATH];
    DWORD osError = NO_ERROR;
    if (!WidePath(fileName, target))
        return fail(ERROR_BAD_PATHNAME, folder);
    const bool hasSecurity = ReadSecurity(target, security, osError);
    if (osError != NO_ERROR)
        return fail(osError, fileName);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, security.descriptor, FALSE};

    // The first name is the process's own, so two programs saving at once never
    // meet; should anything stand there, the next names are random.
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::uint64_t state = static_cast<std::uint64_t>(now.QuadPart) ^ (std::uint64_t{::GetCurrentProcessId()} << 32) ^
                          ::GetTickCount();
    osError = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::uint32_t id = attempt == 0 ? ::GetCurrentProcessId() : NextTemporaryId(state);
        char name[260];
        wchar_t path[MAX_PATH];
        if (!TemporaryNameBeside(fileName, id, name, sizeof name) || !WidePath(name, path))
            return fail(ERROR_BAD_PATHNAME, folder);
        // Write, delete (until it is in place) and give it the replaced file's
        // properties; no one else may open it meanwhile. A link or junction at the
        // name is a name taken, never followed.
        const DWORD access = GENERIC_WRITE | DELETE | WRITE_DAC | WRITE_OWNER | FILE_WRITE_ATTRIBUTES;
        const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
        HANDLE h = ::CreateFileW(path, access, 0, hasSecurity ? &attributes : nullptr, CREATE_NEW, flags, nullptr);
        osError = ::GetLastError();
        const bool secured = h != INVALID_HANDLE_VALUE || !hasSecurity;
        if (!secured && osError != ERROR_FILE_EXISTS && osError != ERROR_ALREADY_EXISTS) {
            // That security refused at creation (an owner only the restore right may
            // give): born with the folder's, then given what it may be given.
            h = ::CreateFileW(path, access, 0, nullptr, CREATE_NEW, flags, nullptr);
            osError = ::GetLastError();
        }
        if (h != INVALID_HANDLE_VALUE) {
            m_hFile = reinterpret_cast<std::intptr_t>(h);
            m_bTemporary = true;
            std::strcpy(m_szFileName, name);
            // Removed by the system should the program end before it is in place.
            if (!SetDeleteOnClose(h, true)) {
                osError = ::GetLastError();
                Abort();
                return fail(osError, folder);
            }
            if (!secured && (osError = ApplySecurity(h, security)) != NO_ERROR) {
                Abort();
                return fail(osError, fileName);
            }
            return true;
        }
        // Taken: by a file, a folder or a link, or by one that is being deleted.
        if (osError != ERROR_FILE_EXISTS && osError != ERROR_ALREADY_EXISTS && osError != ERROR_ACCESS_DENIED)
            break;
    }
    return fail(osError, folder);
}

void CFile::ThrowOsError(long osError) const
{
    throw CFileException(CFileException::OsErrorToCause(osError), osError, m_szFileName);
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    DWORD read = 0;
    if (!ReadFile(ToHandle(m_hFile), buffer, count, &read, nullptr))
        ThrowOsError(static_cast<long>(GetLastError()));
    return read;
}

void CFile::Write(const void* buffer, unsigned count)
{
    DWORD written = 0;
    if (!WriteFile(ToHandle(m_hFile), buffer, count, &written, nullptr))
        ThrowOsError(static_cast<long>(GetLastError()));
    if (written != count)
        ThrowOsError(ERROR_DISK_FULL);
}

void CFile::Flush()
{
    if (!FlushFileBuffers(ToHandle(m_hFile)))
        ThrowOsError(static_cast<long>(GetLastError()));
}

void CFile::Close()
{
    if (m_bTemporary) {
        Abort();
        return;
    }
    HANDLE h = ToHandle(m_hFile);
    m_hFile = -1;
    if (h != INVALID_HANDLE_VALUE && !CloseHandle(h))
        ThrowOsError(static_cast<long>(GetLastError()));
}

void CFile::Abort()
{
    if (m_hFile == -1)
        return;
    if (m_bTemporary) {
        // Gone when the handle closes, and never reopened by name meanwhile.
        SetDeleteOnClose(ToHandle(m_hFile), true);
        m_bTemporary = false;
    }
    CloseHandle(ToHandle(m_hFile));
    m_hFile = -1;
}

void CFile::Remove(const char* fileName)
{
    wchar_t path[MAX_PATH];
    if (!WidePath(fileName, path))
        Raise(ERROR_NO_UNICODE_TRANSLATION, fileName);
    if (!DeleteFileW(path))
        Raise(GetLastError(), fileName);
}

void CFile::CloseReplacing(const char* target)
{
    // The temporary file is removed whatever goes wrong before it is in place.
    struct Guard {
        CFile* pFile;
        ~Guard() { pFile->Abort(); }
    } guard{this};

    wchar_t path[MAX_PATH];
    if (!WidePath(target, path))
        Raise(ERROR_NO_UNICODE_TRANSLATION, target);
    HANDLE hFile = ToHandle(m_hFile);

    // What belongs to the file it replaces, besides its security: its attributes
    // and its creation time. Checked again: it may have changed since.
    HANDLE h = OpenForProperties(path, FILE_READ_ATTRIBUTES);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        const DWORD osError = CheckReplaceable(h, info);
        ::CloseHandle(h);
        if (osError != NO_ERROR)
            Raise(osError, target);
        FILE_BASIC_INFO basic = {};     // times left zero are left as they are
        basic.CreationTime.LowPart = info.ftCreationTime.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(info.ftCreationTime.dwHighDateTime);
        basic.FileAttributes = (info.dwFileAttributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        if (!::SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof basic))
            Raise(::GetLastError(), target);
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        Raise(::GetLastError(), target);
    }

    // Renamed through the handle: nothing is reopened by name on the way. The file
    // stays marked for removal but for the instant of each try.
    DWORD osError = NO_ERROR;
    for (int attempt = 1; attempt <= kBusyAttempts; ++attempt) {
        if (!SetDeleteOnClose(hFile, false))
            Raise(::GetLastError(), target);
        osError = RenameOver(hFile, path);
        if (osError == NO_ERROR) {
            m_bTemporary = false;
            Close();
            return;
        }
        SetDeleteOnClose(hFile, true);
        if (!HeldByAnother(osError))
            break;
        if (attempt < kBusyAttempts)
            PauseWhileBusy();
    }
    // Windows says "access denied" for a file that another program holds open; a
    // read-only file was refused above.
    if (osError == ERROR_ACCESS_DENIED)
        osError = ERROR_SHARING_VIOLATION;
    Raise(osError, target);
}
