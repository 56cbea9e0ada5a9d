// CFile on the Win32 file API.
#include "platform/file.h"

#include <windows.h>

#include <cstring>

#include "platform/file_system.h"

namespace {

constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryDelayMs = 50;

HANDLE ToHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

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

}  // namespace

int CFileException::OsErrorToCause(long osError)
{
    switch (static_cast<DWORD>(osError)) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY: return accessDenied;
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
    if (MultiByteToWideChar(CP_ACP, 0, fileName, -1, buffer, static_cast<int>(count)) == 0)
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
    HANDLE h = CreateFileA(fileName, Access(openFlags), ShareMode(openFlags), nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error != nullptr) {
            const DWORD osError = GetLastError();
            *error = CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)),
                                    static_cast<long>(osError), fileName);
        }
        return false;
    }
    m_hFile = reinterpret_cast<std::intptr_t>(h);
    return true;
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
    HANDLE h = ToHandle(m_hFile);
    m_hFile = -1;
    if (h != INVALID_HANDLE_VALUE && !CloseHandle(h))
        ThrowOsError(static_cast<long>(GetLastError()));
}

void CFile::Abort()
{
    if (m_hFile != -1)
        CloseHandle(ToHandle(m_hFile));
    m_hFile = -1;
}

void CFile::Remove(const char* fileName)
{
    if (!DeleteFileA(fileName)) {
        const long osError = static_cast<long>(GetLastError());
        throw CFileException(CFileException::OsErrorToCause(osError), osError, fileName);
    }
}

void CFile::Replace(const char* source, const char* target)
{
    // Wine lets a privileged process replace a read-only file; Windows never does.
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, target);

    DWORD osError = NO_ERROR;
    for (int attempt = 1; attempt <= kReplaceAttempts; ++attempt) {
        if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        osError = GetLastError();
        if (!HeldByAnother(osError))
            break;
        if (attempt < kReplaceAttempts)
            Sleep(kReplaceRetryDelayMs);
    }
    throw CFileException(CFileException::OsErrorToCause(static_cast<long>(osError)),
                         static_cast<long>(osError), target);
}
