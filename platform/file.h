// CFile: a file opened by name with the class library's mode and share flags. Open
// reports failure by its result; Read, Write, SetLength, Flush and Close raise a
// CFileException. Names are wide, as the system takes them.
#pragma once

#include <windows.h>

#include <cstddef>

class CFileException {
public:
    enum Cause { none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied, invalidFile,
                 hardIO, sharingViolation, lockViolation, diskFull,
                 hardLink };     // the file has another name, whose file writing it would change

    explicit CFileException(int cause = none, LONG lOsError = -1, const wchar_t* pszFileName = nullptr);

    // The cause that a Win32 error code stands for.
    static int OsErrorToCause(LONG lOsError);
    // Raises the error of that code, naming the file.
    [[noreturn]] static void ThrowOsError(LONG lOsError, const wchar_t* pszFileName);

    // True when the system said that nothing stands at the name: neither the file
    // nor the folder that would hold it.
    bool IsNoSuchFile() const;

    // A sentence in French that names the file and gives the system's own reason.
    void GetErrorMessage(wchar_t* buffer, std::size_t count) const;

    int m_cause;
    LONG m_lOsError;
    wchar_t m_szFileName[MAX_PATH];
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,    // others may read it meanwhile; without, nothing
        modeCreate = 0x1000,        // alone, an existing file is emptied
        modeNoTruncate = 0x2000,    // with modeCreate, an existing file is opened as it is
        osOpenReparsePoint = 0x100000,  // a link at the name is opened itself, never followed
    };

    CFile() = default;
    ~CFile() { Abort(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const wchar_t* pszFileName, unsigned nOpenFlags, CFileException* pError = nullptr);

    // As Open; a file that another program holds open or locked is tried again for
    // a moment: kBusyAttempts tries, kBusyDelayMs apart.
    bool OpenWaiting(const wchar_t* pszFileName, unsigned nOpenFlags, CFileException* pError = nullptr);
    static constexpr int kBusyAttempts = 5;
    static constexpr int kBusyDelayMs = 50;

    // True when Open made the file, which did not exist.
    bool WasCreated() const { return m_bCreated; }
    // What the system knows of the open file: its FILE_ATTRIBUTE_ flags (a link's own
    // when opened with osOpenReparsePoint) and its number of names, among others.
    BY_HANDLE_FILE_INFORMATION GetInformation() const;

    UINT Read(void* lpBuf, UINT nCount);     // the bytes read, fewer at the end of the file
    void Write(const void* lpBuf, UINT nCount);
    void SeekToBegin();
    void SetLength(ULONGLONG dwNewLen);
    void Flush();                           // to the disk, not just the system's cache
    void Close();
    void Abort();                           // closes, ignoring any error

    static void Remove(const wchar_t* pszFileName);

private:
    [[noreturn]] void ThrowLastError() const;

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    bool m_bCreated = false;
    const wchar_t* m_pszFileName = nullptr;     // the caller's, for as long as the file is open
};
