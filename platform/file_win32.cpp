// CFile on the Win32 file API, with wide names: no name passes through the code page
// of programs that are not Unicode.
#include "platform/file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
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

// Under Wine a file's permissions are its Unix mode: the permission list Wine
// reports is made from the mode bits, and a file created with that list gets other
// bits (0644 becomes 0755). Only the file itself keeps them.
bool PermissionsAreUnixModes()
{
    HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    return hNtdll != nullptr && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

// NT SERVICE\TrustedInstaller, the owner of the system's own files.
bool IsTrustedInstaller(PSID sid)
{
    alignas(8) BYTE buffer[SECURITY_MAX_SID_SIZE];
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const DWORD parts[] = {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464};
    if (!::InitializeSid(buffer, &nt, static_cast<BYTE>(std::size(parts))))
        return false;
    for (DWORD i = 0; i < std::size(parts); ++i)
        *::GetSidSubAuthority(buffer, i) = parts[i];
    return ::EqualSid(sid, buffer) != FALSE;
}

bool IsRunningUser(PSID sid)
{
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    alignas(8) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    const bool same = ::GetTokenInformation(hToken, TokenUser, buffer, sizeof buffer, &length) &&
                      ::EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    ::CloseHandle(hToken);
    return same;
}

CFile::Owner OwnerOf(HANDLE h)
{
    alignas(8) BYTE descriptor[SECURITY_MAX_SID_SIZE + 64];
    DWORD length = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetKernelObjectSecurity(h, OWNER_SECURITY_INFORMATION, descriptor, sizeof descriptor, &length) ||
        !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == nullptr)
        return CFile::Owner::someoneElse;
    if (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid))
        return CFile::Owner::administrators;
    if (::IsWellKnownSid(owner, WinLocalSystemSid))
        return CFile::Owner::system;
    if (IsTrustedInstaller(owner))
        return CFile::Owner::trustedInstaller;
    return IsRunningUser(owner) ? CFile::Owner::runningUser : CFile::Owner::someoneElse;
}

// What stands at a name that a save may write.
struct Target {
    bool exists;
    bool link;      // it opens a file known by another name: a symbolic link (under Wine a Unix one)
    BY_HANDLE_FILE_INFORMATION info;    // of the name itself, a link never followed
    CFile::Owner owner;                 // likewise
    wchar_t finalPath[MAX_PATH];        // the file it opens, as the user writes it ("C:\..."); "" if none
};

// The file a handle has open, without the "\\?\" that the system puts before it.
void FinalPathOf(HANDLE h, wchar_t (&buffer)[MAX_PATH])
{
    wchar_t path[MAX_PATH + 8];
    const DWORD length = ::GetFinalPathNameByHandleW(h, path, static_cast<DWORD>(std::size(path)), 0);
    buffer[0] = L'\0';
    if (length == 0 || length >= std::size(path))
        return;
    const wchar_t* p = path;
    if (std::wcsncmp(p, L"\\\\?\\UNC\\", 8) == 0) {
        std::wcscpy(buffer, L"\\\\");
        p += 8;
    } else if (std::wcsncmp(p, L"\\\\?\\", 4) == 0) {
        p += 4;
    }
    if (std::wcslen(buffer) + std::wcslen(p) < MAX_PATH)
        std::wcscat(buffer, p);
}

// NO_ERROR, with target.exists false when nothing stands at path; otherwise the
// system's error.
DWORD ReadTarget(const wchar_t* path, Target& target)
{
    target = {};
    HANDLE h = OpenForProperties(path, READ_CONTROL | FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD osError = ::GetLastError();
        return osError == ERROR_FILE_NOT_FOUND || osError == ERROR_PATH_NOT_FOUND ? NO_ERROR : osError;
    }
    const bool read = ::GetFileInformationByHandle(h, &target.info) != FALSE;
    const DWORD osError = read ? NO_ERROR : ::GetLastError();
    target.exists = read;
    target.owner = OwnerOf(h);
    ::CloseHandle(h);
    if (!read)
        return osError;
    // Followed this time: a link opens the file it names, whose name differs.
    h = ::CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        FinalPathOf(h, target.finalPath);
        ::CloseHandle(h);
    }
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path, MAX_PATH, full, nullptr);
    const bool sameName = target.finalPath[0] != L'\0' && length > 0 && length < MAX_PATH &&
                          ::CompareStringOrdinal(target.finalPath, -1, full, -1, TRUE) == CSTR_EQUAL;
    target.link = !sameName && (target.finalPath[0] != L'\0' ||
                                (target.info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    return NO_ERROR;
}

// Opening path to delete it, sharing everything, says who stops a replacement:
// a sharing violation while another program has it open without letting others
// delete it, access denied when its permissions refuse its deletion.
DWORD ProbeForDeletion(const wchar_t* path)
{
    HANDLE h = OpenForProperties(path, DELETE);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD osError = ::GetLastError();
        return osError == ERROR_FILE_NOT_FOUND ? NO_ERROR : osError;
    }
    ::CloseHandle(h);
    return NO_ERROR;
}

// Writes content into the file at path itself, letting other programs go on
// reading it: the whole of it at offset 0 in one write, and only then is the file
// cut to that length (its old content is never cut first) and flushed. Its
// attributes and security stay as they are.
DWORD WriteInPlace(const wchar_t* path, const void* content, DWORD count)
{
    HANDLE h = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info;
    DWORD osError = CheckReplaceable(h, info);
    DWORD written = 0;
    LARGE_INTEGER end;
    end.QuadPart = count;
    if (osError == NO_ERROR && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        osError = ERROR_ACCESS_DENIED;      // a link put there meanwhile is not written through
    else if (osError == NO_ERROR && !::WriteFile(h, content, count, &written, nullptr))
        osError = ::GetLastError();
    else if (osError == NO_ERROR && written != count)
        osError = ERROR_DISK_FULL;
    else if (osError == NO_ERROR &&
             (!::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(h) || !::FlushFileBuffers(h)))
        osError = ::GetLastError();
    if (!::CloseHandle(h) && osError == NO_ERROR)
        osError = ::GetLastError();
    return osError;
}

int CauseOf(DWORD osError)
{
    return CFileException::OsErrorToCause(static_cast<long>(osError));
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
    // Where the system makes a file's permissions from other data (Wine, from the
    // Unix mode), what it reports is not copied.
    const bool hasSecurity = ReadSecurity(target, security, osError) && !PermissionsAreUnixModes();
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
            // Removed by the system should the program end before it is in place;
            // where the file system refuses that mark, Abort removes it by name.
            m_bDeleteMarked = SetDeleteOnClose(h, true);
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
    HANDLE h = ToHandle(m_hFile);
    m_hFile = -1;
    if (!m_bTemporary) {
        ::CloseHandle(h);
        return;
    }
    // Gone when the handle closes, and never reopened by name meanwhile; only where
    // the system refuses the mark is it deleted by its name.
    m_bTemporary = false;
    m_bDeleteMarked = m_bDeleteMarked || SetDeleteOnClose(h, true);
    ::CloseHandle(h);
    wchar_t path[MAX_PATH];
    if (!m_bDeleteMarked && WidePath(m_szFileName, path))
        ::DeleteFileW(path);
    m_bDeleteMarked = false;
}

void CFile::Remove(const char* fileName)
{
    wchar_t path[MAX_PATH];
    if (!WidePath(fileName, path))
        Raise(ERROR_NO_UNICODE_TRANSLATION, fileName);
    if (!DeleteFileW(path))
        Raise(GetLastError(), fileName);
}

bool CFile::GetSaveTarget(const char* fileName, char* buffer, std::size_t count)
{
    std::strncpy(buffer, fileName, count - 1);
    buffer[count - 1] = '\0';
    wchar_t path[MAX_PATH];
    Target target;
    if (!WidePath(fileName, path) || ReadTarget(path, target) != NO_ERROR || !target.link ||
        target.finalPath[0] == L'\0' || !MayWriteThrough(target.owner))
        return false;
    if (::WideCharToMultiByte(CP_UTF8, 0, target.finalPath, -1, buffer, static_cast<int>(count), nullptr,
                              nullptr) == 0) {
        std::strncpy(buffer, fileName, count - 1);
        return false;
    }
    return true;
}

void CFile::CloseReplacing(const char* target, const void* content, unsigned count)
{
    // The temporary file is removed whatever goes wrong before it is in place, and
    // once its content is written in place instead.
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
    Target existing;
    DWORD osError = ReadTarget(path, existing);
    if (osError != NO_ERROR)
        Raise(osError, target);
    if (existing.exists) {
        const DWORD attributes = existing.info.dwFileAttributes;
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            Raise(ERROR_ACCESS_DENIED, target);
        FILE_BASIC_INFO basic = {};     // times left zero are left as they are
        basic.CreationTime.LowPart = existing.info.ftCreationTime.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(existing.info.ftCreationTime.dwHighDateTime);
        basic.FileAttributes = (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        if (!::SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof basic))
            Raise(::GetLastError(), target);
    }
    // A link at target was followed before, if it was to be: one still there is
    // replaced, never written through.
    const bool mayWriteInPlace = existing.exists && !existing.link;
    const bool inPlaceFirst = mayWriteInPlace && (PermissionsAreUnixModes() || (existing.info.nNumberOfLinks > 1 &&
                                                                                MayWriteThrough(existing.owner)));
    for (int attempt = 1; attempt <= kBusyAttempts; ++attempt) {
        if (!inPlaceFirst) {
            // The mark is cleared only for a rename that nothing is known to stop,
            // so a program ended while it waits leaves nothing behind.
            const DWORD probe = existing.exists ? ProbeForDeletion(path) : NO_ERROR;
            DWORD renamed = NO_ERROR;
            if (probe == NO_ERROR) {
                if (m_bDeleteMarked && !SetDeleteOnClose(hFile, false))
                    Raise(::GetLastError(), target);
                m_bDeleteMarked = false;
                renamed = RenameOver(hFile, path);
                if (renamed == NO_ERROR) {
                    m_bTemporary = false;
                    Close();
                    return;
                }
                m_bDeleteMarked = SetDeleteOnClose(hFile, true);
            }
            if (ClassifyRefusal(CauseOf(probe), CauseOf(renamed)) == Refusal::refused)
                Raise(probe != NO_ERROR ? probe : renamed, target);
        }
        // Another program has it open: where it lets others write, the record goes
        // into the file itself.
        if (mayWriteInPlace) {
            osError = WriteInPlace(path, content, count);
            if (osError == NO_ERROR)
                return;
            if (osError != ERROR_SHARING_VIOLATION && osError != ERROR_LOCK_VIOLATION)
                Raise(osError, target);
        }
        if (attempt < kBusyAttempts)
            PauseWhileBusy();
    }
    Raise(ERROR_SHARING_VIOLATION, target);
}
