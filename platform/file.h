// CFile: a file opened by path with the class library's mode and share flags, or a
// new temporary file that replaces another in one step. Open reports failure by its
// result; Read, Write, Flush, Close and CloseReplacing raise a CFileException. Names
// are UTF-8. On Windows the share flags are the system's own; on POSIX hosts
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

    // True when the system said that nothing stands at the name: neither the file
    // nor the folder that would hold it.
    bool IsNoSuchFile() const;

    // A sentence in French that names the file, or the folder when the name ends
    // with a separator ("C:\\"), and gives the system's own reason.
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
    ~CFile();   // closes the file if still open, raising nothing; a temporary file is removed
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);

    // As Open; a file that another program holds open or locked is tried again for
    // a moment, as CloseReplacing does.
    bool OpenWaiting(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
    // How long another program may hold a file that we want: kBusyAttempts tries,
    // kBusyDelayMs apart.
    static constexpr int kBusyAttempts = 5;
    static constexpr int kBusyDelayMs = 50;

    // Creates a file that did not exist, beside fileName in its folder and named after
    // it ("C:\korvane.ini.0000012c.tmp"), and opens it for writing, sharing nothing.
    // It never opens, truncates or follows anything already there (a file, a folder,
    // a link): a name that anything holds is passed over for another, up to
    // kTemporaryNameAttempts names. It is born with the security of fileName, when
    // that exists, and is temporary until CloseReplacing puts it in place: closed
    // any other way, or left by a process that ends first, it is removed. False
    // when no name could be created, with the error naming the folder (or fileName,
    // when its security could not be read).
    bool OpenTemporaryBeside(const char* fileName, CFileException* error = nullptr);
    static constexpr int kTemporaryNameAttempts = 16;

    unsigned Read(void* buffer, unsigned count);    // the bytes read, fewer at the end of the file
    void Write(const void* buffer, unsigned count);
    void Flush();                                   // to the disk, not just the system's cache
    void Close();
    void Abort();                                   // closes, ignoring any error

    // Puts this file, written with content and flushed, in the place of target, and
    // closes it. A new file keeps what belongs to target rather than to its content:
    // its attributes (hidden, system, archive) and its creation time, besides the
    // security given at creation; it replaces target in one step. Where a new file
    // cannot keep what target has, content is written into target itself instead,
    // in place (the whole of it at offset 0 in one write, then target is cut to its
    // length and flushed): a target with several names (hard links) whose owner may
    // be written through, or, under Wine, any target, whose permissions are its Unix
    // mode. So is a target that another program holds open for reading when it lets
    // others write. A read-only target is refused as Windows refuses it, whoever
    // runs the program; a target held otherwise is tried again for a moment, then
    // reported as in use, and one whose permissions refuse it as refused. When it
    // raises, target is as it was and this file is removed.
    void CloseReplacing(const char* target, const void* content, unsigned count);

    // Who owns a file or a link, as far as writing through it goes.
    enum class Owner { runningUser, administrators, system, trustedInstaller, someoneElse };
    // The program runs elevated: it writes through a link, or into a file with other
    // names, only when whoever owns it could write there anyway.
    static bool MayWriteThrough(Owner owner);

    // The file that a save of fileName writes: fileName itself, or the file that a
    // symbolic link at fileName names when the link's owner may write through it (a
    // link someone else made is replaced, never followed). False, with buffer holding
    // fileName, when it names no link to follow.
    static bool GetSaveTarget(const char* fileName, char* buffer, std::size_t count);

    // What a refused replacement means, from the causes of the two tries: opening
    // target to delete it with every sharing allowed (sharing violation: another
    // program has it open; access denied: its permissions refuse it), then, when
    // that opened, renaming over it (refused only because a reader shares deletion).
    enum class Refusal { inUse, refused };
    static Refusal ClassifyRefusal(int probeCause, int renameCause);

    const char* GetFilePath() const { return m_szFileName; }

    static void Remove(const char* fileName);

private:
    [[noreturn]] void ThrowOsError(long osError) const;

    std::intptr_t m_hFile = -1;
    bool m_bTemporary = false;      // removed unless it is put in place
    bool m_bDeleteMarked = false;   // Windows: the system removes it when its handle closes
    char m_szFileName[260] = {};
};
