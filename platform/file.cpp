// CFile on the Win32 file API, and the messages of its errors.
#include "platform/file.h"

#include <iterator>

#include "platform/text.h"

namespace {

// Each cause's sentence, around the file's name (once or twice).
const wchar_t* SentenceFor(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return L"Le fichier %ls est introuvable.";
    case CFileException::badPath: return L"Le chemin du fichier %ls n'est pas valide.";
    case CFileException::tooManyOpenFiles: return L"Trop de fichiers sont ouverts pour ouvrir %ls.";
    case CFileException::accessDenied: return L"L'accès au fichier %ls a été refusé.";
    case CFileException::sharingViolation:
    case CFileException::lockViolation: return L"Le fichier %ls est utilisé par un autre programme.";
    case CFileException::diskFull: return L"Le disque est plein\u00a0: le fichier %ls n'a pas pu être écrit.";
    case CFileException::hardIO: return L"Erreur de lecture ou d'écriture sur le fichier %ls.";
    case CFileException::hardLink:
        return L"Le fichier %ls porte aussi un autre nom sur le disque (un lien physique)\u00a0: y écrire modifierait "
               L"en même temps le fichier de cet autre nom. Rien n'y a été écrit. Supprimez %ls (le fichier de "
               L"l'autre nom restera tel qu'il est), puis réessayez.";
    default: return L"Une erreur s'est produite sur le fichier %ls.";
    }
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, const wchar_t* pszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_szFileName()
{
    AfxFormatText(m_szFileName, MAX_PATH, L"%ls", pszFileName != nullptr ? pszFileName : L"");
}

int CFileException::OsErrorToCause(LONG lOsError)
{
    switch (static_cast<DWORD>(lOsError)) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_INVALID_DRIVE: case ERROR_BAD_PATHNAME:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: case ERROR_CURRENT_DIRECTORY: case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: case ERROR_CANT_ACCESS_FILE:
        return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_CRC: case ERROR_READ_FAULT: case ERROR_WRITE_FAULT: case ERROR_GEN_FAILURE: return hardIO;
    default: return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, const wchar_t* pszFileName)
{
    throw CFileException(OsErrorToCause(lOsError), lOsError, pszFileName);
}

bool CFileException::IsNoSuchFile() const
{
    return m_lOsError == ERROR_FILE_NOT_FOUND || m_lOsError == ERROR_PATH_NOT_FOUND;
}

void CFileException::GetErrorMessage(wchar_t* buffer, std::size_t count) const
{
    wchar_t sentence[2 * MAX_PATH + 240];
    AfxFormatText(sentence, std::size(sentence), SentenceFor(m_cause), m_szFileName, m_szFileName);
    wchar_t reason[256];
    GetSystemErrorText(static_cast<DWORD>(m_lOsError), reason, std::size(reason));
    AfxFormatText(buffer, count, reason[0] != L'\0' ? L"%ls\n\n%ls" : L"%ls", sentence, reason);
}

bool CFile::Open(const wchar_t* pszFileName, unsigned nOpenFlags, CFileException* pError)
{
    Abort();
    m_bCreated = false;
    m_pszFileName = pszFileName;
    const DWORD access = (nOpenFlags & modeReadWrite) ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD share = (nOpenFlags & shareDenyWrite) ? FILE_SHARE_READ : 0;
    const DWORD disposition = !(nOpenFlags & modeCreate) ? OPEN_EXISTING
                              : (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | ((nOpenFlags & osOpenReparsePoint) ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    m_hFile = ::CreateFileW(pszFileName, access, share, nullptr, disposition, flags, nullptr);
    const DWORD dwError = ::GetLastError();
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

bool CFile::OpenWaiting(const wchar_t* pszFileName, unsigned nOpenFlags, CFileException* pError)
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

void CFile::ThrowLastError() const
{
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_pszFileName);
}

BY_HANDLE_FILE_INFORMATION CFile::GetInformation() const
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(m_hFile, &info))
        ThrowLastError();
    return info;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    DWORD read = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        ThrowLastError();
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    DWORD written = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        ThrowLastError();
    if (written != nCount)
        CFileException::ThrowOsError(ERROR_DISK_FULL, m_pszFileName);
}

void CFile::SeekToBegin()
{
    if (::SetFilePointer(m_hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        ThrowLastError();
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(dwNewLen);
    if (!::SetFilePointerEx(m_hFile, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_hFile))
        ThrowLastError();
}

void CFile::Flush()
{
    if (!::FlushFileBuffers(m_hFile))
        ThrowLastError();
}

void CFile::Close()
{
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE && !::CloseHandle(h))
        ThrowLastError();
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

void CFile::Remove(const wchar_t* pszFileName)
{
    if (!::DeleteFileW(pszFileName))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), pszFileName);
}
