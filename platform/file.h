// CFile: a file opened by path with the class library's mode and share flags.
// Open reports failure by its result; Read, Write, Flush and Close raise a
// CFileException. On Windows the share flags are the system's own; on POSIX hosts
// (used for the native tests) they are kept among CFile users with flock, and a path
// on drive C ("C:\name") names "name" in the current directory.
#pragma once

#include <cstddef>
#include <cstdint>

class CFileException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
    };

    explicit CFileException(int cause = none, long osError = -1, const char* fileName = nullptr);

    void SetFileName(const char* fileName);

    // The cause that a system error code stands for (a Win32 error on Windows, errno elsewhere).
    static int OsErrorToCause(long osError);

    // A sentence in French that names the file and gives the system's own reason.
    void GetErrorMessage(wchar_t* buffer, std::size_t count) const;

    int m_cause;
    long m_lOsError;
    char m_szFileName[260];
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
    };

    CFile() = default;
    ~CFile();   // closes the file if still open, raising nothing
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
    unsigned Read(void* buffer, unsigned count);    // the bytes read, fewer at the end of the file
    void Write(const void* buffer, unsigned count);
    void Flush();                                   // to the disk, not just the system's cache
    void Close();
    void Abort();                                   // closes, ignoring any error

    static void Remove(const char* fileName);

    // Puts source in the place of target in one step. A read-only target is refused
    // as Windows refuses it, whoever runs the program; a target that another program
    // holds open is tried again for a moment before the attempt fails.
    static void Replace(const char* source, const char* target);

private:
    [[noreturn]] void ThrowOsError(long osError) const;

    std::intptr_t m_hFile = -1;
    char m_szFileName[260] = {};
};
