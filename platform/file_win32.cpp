// CFile on the Win32 file API, with wide names: no name passes through the code page
// of programs that are not Unicode.
#include "platform/file.h"

#include <windows.h>

#include <cstring>
#include <iterator>

#include "platform/file_system.h"

namespace {

constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryDelayMs = 50;

// What a file keeps across a save, besides its content. It is marked for the next
// backup (archive), as any file written to is.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr SECURITY_INFORMATION kKeptSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

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

// What belongs to a file rather than to its content, read through a handle that
// does not follow a link. Everything the owner, group and permissions can hold fits
// (an ACL is at most 64 KiB).
struct FileProperties {
    DWORD attributes;
    FILETIME creationTime;
    DWORD securityLength;
    alignas(8) BYTE security[0x10000 + 1024];
};

// False when there is no such file; raises when it is there but cannot be read.
bool ReadProperties(const wchar_t* path, const char* fileName, FileProperties& properties)
{
    HANDLE h = ::CreateFileW(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD osError = ::GetLastError();
        if (osError == ERROR_FILE_NOT_FOUND)
            return false;
        Raise(osError, fileName);
    }
    BY_HANDLE_FILE_INFORMATION info;
    DWORD osError = NO_ERROR;
    if (!::GetFileInformationByHandle(h, &info) ||
        !::GetKernelObjectSecurity(h, kKeptSecurity, properties.security, sizeof properties.security,
                                   &properties.securityLength))
        osError = ::GetLastError();
    ::CloseHandle(h);
    if (osError != NO_ERROR)
        Raise(osError, fileName);
    // A folder is not replaced; a read-only file is refused as Windows refuses it
    // (Wine lets a privileged process replace one).
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        Raise(ERROR_ACCESS_DENIED, fileName);
    properties.attributes = info.dwFileAttributes;
    properties.creationTime = info.ftCreationTime;
    return true;
}

// Gives the file of handle h the properties read from the file it replaces. The
// owner may be one that only the system's restore right may give: then the file
// keeps its own owner, and the group and permissions are still given.
DWORD ApplyProperties(HANDLE h, FileProperties& properties)
{
    if (!::SetKernelObjectSecurity(h, kKeptSecurity, properties.security) &&
        !::SetKernelObjectSecurity(h, GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, properties.security) &&
        !::SetKernelObjectSecurity(h, DACL_SECURITY_INFORMATION, properties.security))
        return ::GetLastError();
    FILE_BASIC_INFO basic = {};     // times left zero are left as they are
    basic.CreationTime.LowPart = properties.creationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(properties.creationTime.dwHighDateTime);
    basic.FileAttributes = (properties.attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    if (!::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic))
        return ::GetLastError();
    return NO_ERROR;
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
    // The first name is the process's own, so two programs saving at once never
    // meet; should anything stand there, the next names are random.
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::uint64_t state = static_cast<std::uint64_t>(now.QuadPart) ^ (std::uint64_t{::GetCurrentProcessId()} << 32) ^
                          ::GetTickCount();
    DWORD osError = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::uint32_t id = attempt == 0 ? ::GetCurrentProcessId() : NextTemporaryId(state);
        char name[260];
        wchar_t path[MAX_PATH];
        if (!TemporaryNameBeside(fileName, id, name, sizeof name) || !WidePath(name, path)) {
            osError = ERROR_BAD_PATHNAME;
            break;
        }
        // Write, delete (until it is in place) and give it the replaced file's
        // properties; no one else may open it meanwhile.
        HANDLE h = ::CreateFileW(path, GENERIC_WRITE | DELETE | WRITE_DAC | WRITE_OWNER | FILE_WRITE_ATTRIBUTES, 0,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            m_hFile = reinterpret_cast<std::intptr_t>(h);
            m_bTemporary = true;
            std::strcpy(m_szFileName, name);
            return true;
        }
        // Taken: by a file or folder, or by one that is being deleted.
        osError = ::GetLastError();
        if (osError != ERROR_FILE_EXISTS && osError != ERROR_ALREADY_EXISTS && osError != ERROR_ACCESS_DENIED)
            break;
    }
    if (error != nullptr) {
        char folder[260];
        FolderOf(fileName, folder, sizeof folder);
        *error = CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)),
                                static_cast<long>(osError), folder);
    }
    return false;
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
        FILE_DISPOSITION_INFO disposition = {TRUE};
        ::SetFileInformationByHandle(ToHandle(m_hFile), FileDispositionInfo, &disposition, sizeof disposition);
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
    static_assert(sizeof(FileProperties) < 80 * 1024, "the save's stack frame stays modest");
    FileProperties properties;
    if (ReadProperties(path, target, properties)) {
        if (const DWORD osError = ApplyProperties(ToHandle(m_hFile), properties); osError != NO_ERROR)
            Raise(osError, target);
    }

    // Renamed through the handle: nothing is reopened by name on the way.
    struct {
        FILE_RENAME_INFO info;
        wchar_t more[MAX_PATH];
    } rename = {};
    rename.info.ReplaceIfExists = TRUE;
    rename.info.RootDirectory = nullptr;
    rename.info.FileNameLength = static_cast<DWORD>(std::wcslen(path) * sizeof(wchar_t));
    std::wcscpy(rename.info.FileName, path);
    DWORD osError = NO_ERROR;
    for (int attempt = 1; attempt <= kReplaceAttempts; ++attempt) {
        if (::SetFileInformationByHandle(ToHandle(m_hFile), FileRenameInfo, &rename, sizeof rename)) {
            m_bTemporary = false;
            Close();
            return;
        }
        osError = ::GetLastError();
        if (!HeldByAnother(osError))
            break;
        if (attempt < kReplaceAttempts)
            ::Sleep(kReplaceRetryDelayMs);
    }
    // Windows says "access denied" for a file that another program holds open: ask
    // the file itself which it is.
    if (osError == ERROR_ACCESS_DENIED) {
        HANDLE h = ::CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        else if (::GetLastError() == ERROR_SHARING_VIOLATION)
            osError = ERROR_SHARING_VIOLATION;
    }
    Raise(osError, target);
}
