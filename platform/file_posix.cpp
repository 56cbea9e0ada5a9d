// CFile on POSIX, for the native builds that test the settings code. Drive C's
// root is the current directory. The Windows share modes are kept among CFile
// users with flock: a handle that writes or shares nothing takes an exclusive
// lock, a reader that lets others only read takes a shared one.
#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"

namespace {

// "C:\dir\name" -> "dir/name"; other paths keep their form with '/' separators.
void HostPath(const char* fileName, char* buffer, std::size_t count)
{
    const char* p = fileName;
    if (p[0] != '\0' && p[1] == ':' && (p[2] == '\\' || p[2] == '/'))
        p += 3;
    std::size_t i = 0;
    for (; p[i] != '\0' && i + 1 < count; ++i)
        buffer[i] = p[i] == '\\' ? '/' : p[i];
    buffer[i] = '\0';
}

int LockFor(unsigned flags)
{
    const unsigned share = flags & 0x70;
    if ((flags & 0x3) != CFile::modeRead || share == CFile::shareExclusive)
        return LOCK_EX;
    return share == CFile::shareDenyWrite ? LOCK_SH : 0;
}

CFile::Owner OwnerOf(uid_t uid)
{
    if (uid == ::geteuid())
        return CFile::Owner::runningUser;
    return uid == 0 ? CFile::Owner::administrators : CFile::Owner::someoneElse;
}

// Writes content into the file at path itself: the whole of it at offset 0 in one
// write, and only then is the file cut to that length and flushed. Its mode and
// owner stay as they are. A CFile that reads it denying writes (a shared lock)
// holds it, as on Windows.
int WriteInPlace(const char* path, const void* content, unsigned count)
{
    const int fd = ::open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int osError = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        osError = errno;
    else if (const ssize_t n = ::pwrite(fd, content, count, 0); n != static_cast<ssize_t>(count))
        osError = n < 0 ? errno : ENOSPC;
    else if (::ftruncate(fd, count) != 0 || ::fsync(fd) != 0)
        osError = errno;
    if (::close(fd) != 0 && osError == 0)
        osError = errno;
    return osError;
}

}  // namespace

int CFileException::OsErrorToCause(long osError)
{
    switch (osError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return accessDenied;
    case EBADF: return invalidFile;
    case EWOULDBLOCK: return sharingViolation;
    case ENOSPC:
    case EDQUOT: return diskFull;
    case EIO: return hardIO;
    default: return genericException;
    }
}

bool CFileException::IsNoSuchFile() const
{
    return m_lOsError == ENOENT || m_lOsError == ENOTDIR;
}

void PauseWhileBusy()
{
    ::usleep(CFile::kBusyDelayMs * 1000);
}

void WidenFileName(const char* fileName, wchar_t* buffer, std::size_t count)
{
    std::size_t i = 0;
    for (; fileName[i] != '\0' && i + 1 < count; ++i)
        buffer[i] = static_cast<unsigned char>(fileName[i]);
    buffer[i] = L'\0';
}

void SystemErrorText(long osError, wchar_t* buffer, std::size_t count)
{
    const char* text = osError > 0 ? std::strerror(static_cast<int>(osError)) : "";
    WidenFileName(text, buffer, count);
}

CFile::~CFile()
{
    Abort();
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    Abort();
    std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
    char path[260];
    HostPath(fileName, path, sizeof path);

    int flags = O_CLOEXEC;
    switch (openFlags & 0x3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (openFlags & modeCreate)
        flags |= O_CREAT;   // truncated below, once the lock is held

    int fd = ::open(path, flags, 0666);
    int osError = fd < 0 ? errno : 0;
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        osError = EISDIR;
    const int lock = LockFor(openFlags);
    if (osError == 0 && lock != 0 && flock(fd, lock | LOCK_NB) != 0)
        osError = errno;
    if (osError == 0 && (openFlags & modeCreate) && ftruncate(fd, 0) != 0)
        osError = errno;
    if (osError != 0) {
        if (fd >= 0)
            ::close(fd);
        if (error != nullptr)
            *error = CFileException(CFileException::OsErrorToCause(osError), osError, fileName);
        return false;
    }
    m_hFile = fd;
    return true;
}

bool CFile::OpenTemporaryBeside(const char* fileName, CFileException* error)
{
    Abort();
    // The first name is the process's own, so two programs saving at once never
    // meet; should anything stand there, the next names are random.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t state = (static_cast<std::uint64_t>(now.tv_sec) << 32) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                          (static_cast<std::uint64_t>(::getpid()) << 16);
    int osError = EEXIST;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::uint32_t id = attempt == 0 ? static_cast<std::uint32_t>(::getpid()) : NextTemporaryId(state);
        char name[260], path[260];
        if (!TemporaryNameBeside(fileName, id, name, sizeof name)) {
            osError = ENAMETOOLONG;
            break;
        }
        HostPath(name, path, sizeof path);
        // Only the owner may touch it until it is in place.
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            flock(fd, LOCK_EX | LOCK_NB);
            m_hFile = fd;
            m_bTemporary = true;
            std::strcpy(m_szFileName, name);
            return true;
        }
        osError = errno;
        if (osError != EEXIST)
            break;
    }
    if (error != nullptr) {
        char folder[260];
        FolderOf(fileName, folder, sizeof folder);
        *error = CFileException(CFileException::OsErrorToCause(osError), osError, folder);
    }
    return false;
}

void CFile::ThrowOsError(long osError) const
{
    throw CFileException(CFileException::OsErrorToCause(osError), osError, m_szFileName);
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    unsigned total = 0;
    while (total < count) {
        const ssize_t n = ::read(static_cast<int>(m_hFile), static_cast<char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowOsError(errno);
        if (n == 0)
            break;
        total += static_cast<unsigned>(n);
    }
    return total;
}

void CFile::Write(const void* buffer, unsigned count)
{
    unsigned total = 0;
    while (total < count) {
        const ssize_t n = ::write(static_cast<int>(m_hFile), static_cast<const char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ThrowOsError(n < 0 ? errno : ENOSPC);
        total += static_cast<unsigned>(n);
    }
}

void CFile::Flush()
{
    if (::fsync(static_cast<int>(m_hFile)) != 0)
        ThrowOsError(errno);
}

void CFile::Close()
{
    if (m_bTemporary) {
        Abort();
        return;
    }
    const int fd = static_cast<int>(m_hFile);
    m_hFile = -1;
    if (fd >= 0 && ::close(fd) != 0)
        ThrowOsError(errno);
}

void CFile::Abort()
{
    if (m_hFile < 0)
        return;
    if (m_bTemporary) {
        char path[260];
        HostPath(m_szFileName, path, sizeof path);
        ::unlink(path);
        m_bTemporary = false;
    }
    ::close(static_cast<int>(m_hFile));
    m_hFile = -1;
}

void CFile::Remove(const char* fileName)
{
    char path[260];
    HostPath(fileName, path, sizeof path);
    if (::unlink(path) != 0) {
        const int osError = errno;
        throw CFileException(CFileException::OsErrorToCause(osError), osError, fileName);
    }
}

bool CFile::GetSaveTarget(const char* fileName, char* buffer, std::size_t count)
{
    std::strncpy(buffer, fileName, count - 1);
    buffer[count - 1] = '\0';
    // Each link on the way must be one whose owner may write through it.
    char current[260];
    HostPath(fileName, current, sizeof current);
    for (int depth = 0; depth < 8; ++depth) {
        struct stat st;
        if (::lstat(current, &st) != 0)
            return false;       // a link to nothing is replaced as no file
        if (!S_ISLNK(st.st_mode)) {
            if (depth == 0 || std::strlen(current) + 1 > count)
                return false;
            std::strcpy(buffer, current);
            return true;
        }
        if (!MayWriteThrough(OwnerOf(st.st_uid)))
            return false;
        char link[260];
        const ssize_t n = ::readlink(current, link, sizeof link - 1);
        if (n < 0 || n == static_cast<ssize_t>(sizeof link - 1))
            return false;
        link[n] = '\0';
        char next[260];
        FolderOf(link[0] == '/' ? "" : current, next, sizeof next);     // relative to the link's folder
        if (std::strlen(next) + std::strlen(link) + 1 > sizeof next)
            return false;
        std::strcat(next, link);
        std::strcpy(current, next);
    }
    return false;
}

void CFile::CloseReplacing(const char* target, const void* content, unsigned count)
{
    // The temporary file is removed whatever goes wrong before it is in place, and
    // once its content is written in place instead.
    struct Guard {
        CFile* pFile;
        ~Guard() { pFile->Abort(); }
    } guard{this};
    auto raise = [target](int osError) {
        throw CFileException(CFileException::OsErrorToCause(osError), osError, target);
    };

    char from[260], to[260];
    HostPath(m_szFileName, from, sizeof from);
    HostPath(target, to, sizeof to);
    const int fd = static_cast<int>(m_hFile);

    // What belongs to the file rather than to its content: its mode and owner, those
    // of the file itself when target is a link to it (a link's own mode is 0777).
    // The owner's write bit stands for the Windows read-only attribute, even for root.
    struct stat own;
    const bool exists = ::lstat(to, &own) == 0;
    const bool mayWriteInPlace = exists && S_ISREG(own.st_mode);    // a link still there is replaced
    struct stat st;
    if (::stat(to, &st) == 0) {
        if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0)
            raise(EACCES);
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            raise(errno);
        // Only a privileged process may give a file away; then it keeps its own owner.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0 &&
            errno != EPERM)
            raise(errno);
    } else if (errno != ENOENT) {     // a link to nothing is replaced as no file
        raise(errno);
    }
    // Every name of a file with several keeps the new record.
    const bool inPlaceFirst = mayWriteInPlace && own.st_nlink > 1 && MayWriteThrough(OwnerOf(own.st_uid));

    for (int attempt = 1; attempt <= kBusyAttempts; ++attempt) {
        if (!inPlaceFirst) {
            // A file that another CFile holds open cannot be replaced, as on Windows.
            const int held = ::open(to, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            int probe = 0, renamed = 0;
            if (held >= 0 && flock(held, LOCK_EX | LOCK_NB) != 0)
                probe = errno;
            else if (::rename(from, to) != 0)
                renamed = errno;
            if (held >= 0)
                ::close(held);
            if (probe == 0 && renamed == 0) {
                m_bTemporary = false;
                Close();
                return;
            }
            if (ClassifyRefusal(CFileException::OsErrorToCause(probe), CFileException::OsErrorToCause(renamed)) ==
                Refusal::refused)
                raise(probe != 0 ? probe : renamed);
        }
        if (mayWriteInPlace) {
            const int osError = WriteInPlace(to, content, count);
            if (osError == 0)
                return;
            if (osError != EWOULDBLOCK)
                raise(osError);
        }
        if (attempt < kBusyAttempts)
            PauseWhileBusy();
    }
    raise(EWOULDBLOCK);
}
