// CFile on the Win32 file API, and the messages of its errors.
#include "platform/file.h"

#include <cstring>

#include "platform/system_error.h"
#include "platform/text_builder.h"

namespace {

// A UTF-8 name as Windows takes it; false when it is not valid UTF-8 or too long.
bool WidePath(const char* pszFileName, wchar_t (&buffer)[MAX_PATH])
{
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pszFileName, -1, buffer, MAX_PATH) != 0;
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

DWORD Disposition(unsigned flags)
{
    if (!(flags & CFile::modeCreate))
        return OPEN_EXISTING;
    return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

// The sentence for each cause, in two parts around the file's name.
struct Sentence {
    const wchar_t* before;
    const wchar_t* after;
};

Sentence SentenceFor(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return {L"Le fichier ", L" est introuvable."};
    case CFileException::badPath: return {L"Le chemin du fichier ", L" n'est pas valide."};
    case CFileException::tooManyOpenFiles: return {L"Trop de fichiers sont ouverts pour ouvrir ", L"."};
    case CFileException::accessDenied: return {L"L'accès au fichier ", L" a été refusé."};
    case CFileException::sharingViolation:
    case CFileException::lockViolation: return {L"Le fichier ", L" est utilisé par un autre programme."};
    case CFileException::diskFull: return {L"Le disque est plein\u00a0: le fichier ", L" n'a pas pu être écrit."};
    case CFileException::hardIO: return {L"Erreur de lecture ou d'écriture sur le fichier ", L"."};
    default: return {L"Une erreur s'est produite sur le fichier ", L"."};
    }
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, const char* pszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_szFileName()
{
    SetFileName(pszFileName);
}

void CFileException::SetFileName(const char* pszFileName)
{
    m_szFileName[0] = '\0';
    if (pszFileName != nullptr) {
        std::strncpy(m_szFileName, pszFileName, sizeof m_szFileName - 1);
        m_szFileName[sizeof m_szFileName - 1] = '\0';
    }
}

int CFileException::OsErrorToCause(LONG lOsError)
{
    switch (static_cast<DWORD>(lOsError)) {
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
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANT_ACCESS_FILE: return accessDenied;
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

void CFileException::ThrowOsError(LONG lOsError, const char* pszFileName)
{
    throw CFileException(OsErrorToCause(lOsError), lOsError, pszFileName);
}

bool CFileException::IsNoSuchFile() const
{
    return m_lOsError == ERROR_FILE_NOT_FOUND || m_lOsError == ERROR_PATH_NOT_FOUND;
}

void CFileException::GetErrorMessage(wchar_t* buffer, std::size_t count) const
{
    wchar_t name[260];
    if (::MultiByteToWideChar(CP_UTF8, 0, m_szFileName, -1, name, 260) == 0)
        name[0] = L'\0';
    wchar_t reason[256];
    GetSystemErrorText(static_cast<DWORD>(m_lOsError), reason, 256);
    const Sentence sentence = SentenceFor(m_cause);
    CTextBuilder text(buffer, count);
    text << sentence.before << name << sentence.after;
    if (reason[0] != L'\0')
        text << L"\n\n" << reason;
}

CFile::~CFile()
{
    Abort();
}

bool CFile::Open(const char* pszFileName, unsigned nOpenFlags, CFileException* pError)
{
    Abort();
    m_bCreated = false;
    std::strncpy(m_szFileName, pszFileName, sizeof m_szFileName - 1);
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | ((nOpenFlags & osOpenReparsePoint) ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    wchar_t path[MAX_PATH];
    DWORD dwError = ERROR_NO_UNICODE_TRANSLATION;
    if (WidePath(pszFileName, path)) {
        m_hFile = ::CreateFileW(path, Access(nOpenFlags), ShareMode(nOpenFlags), nullptr, Disposition(nOpenFlags),
                                flags, nullptr);
        dwError = ::GetLastError();
    }
    if (m_hFile == INVALID_HANDLE_VALUE) {
        if (pError != nullptr)
            *pError = CFileException(CFileException::OsErrorToCause(static_cast<LONG>(dwError)),
                                     static_cast<LONG>(dwError), pszFileName);
        return false;
    }
    // Opening an existing file "always" says that it was there.
    m_bCreated = (nOpenFlags & modeCreate) && dwError != ERROR_ALREADY_EXISTS;
    return true;
}

bool CFile::OpenWaiting(const char* pszFileName, unsigned nOpenFlags, CFileException* pError)
{
    CFileException e;
    for (int attempt = 1;; ++attempt) {
        if (Open(pszFileName, nOpenFlags, &e))
            return true;
        const bool held = e.m_cause == CFileException::sharingViolation || e.m_cause == CFileException::lockViolation;
        if (!held || attempt == kBusyAttempts)
            break;
        ::Sleep(kBusyDelayMs);
    }
    if (pError != nullptr)
        *pError = e;
    return false;
}

DWORD CFile::GetAttributes() const
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(m_hFile, &info))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
    return info.dwFileAttributes;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    DWORD read = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    DWORD written = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
    if (written != nCount)
        CFileException::ThrowOsError(ERROR_DISK_FULL, m_szFileName);
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(dwNewLen);
    if (!::SetFilePointerEx(m_hFile, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
}

void CFile::Flush()
{
    if (!::FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
}

void CFile::Close()
{
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE && !::CloseHandle(h))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_szFileName);
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

void CFile::Remove(const char* pszFileName)
{
    wchar_t path[MAX_PATH];
    if (!WidePath(pszFileName, path))
        CFileException::ThrowOsError(ERROR_NO_UNICODE_TRANSLATION, pszFileName);
    if (!::DeleteFileW(path))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), pszFileName);
}
