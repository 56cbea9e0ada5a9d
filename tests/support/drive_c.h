// A clean root of drive C for tests that touch the settings file, and raw access to
// the files there that does not go through CFile. On Windows (under Wine, in the
// project's throwaway prefix) this is the real C:\; on POSIX hosts CFile maps drive
// C to the current directory, so each test gets a fresh directory of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "settings/settings_record.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace testing_drive_c {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

#ifdef _WIN32
inline const char* const kRoot = "C:\\";
inline const char* const kSettings = "C:\\korvane.ini";
inline const char* const kOldTemp = "C:\\korvane.ini.tmp";   // where saves once wrote first
#else
inline const char* const kRoot = ".";
inline const char* const kSettings = "korvane.ini";
inline const char* const kOldTemp = "korvane.ini.tmp";
#endif

// The temporary name a save of this process tries first.
inline std::string FirstTemporaryName()
{
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    char name[64];
    std::snprintf(name, sizeof name, "%s.%08lx.tmp", kSettings, pid);
    return name;
}

// The temporary files of saves in the root of drive C ("korvane.ini.*.tmp"), but
// those named in except; one name after another, empty when there are none.
inline std::string Leftovers(std::initializer_list<std::string> except = {})
{
    std::string found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("korvane.ini.", 0) != 0 || name.size() < 16 || name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        bool expected = false;
        for (const std::string& e : except)
            expected = expected || fs::path(e).filename().string() == name;
        if (!expected)
            found += name + " ";
    }
    return found;
}

// A record's bytes as the settings file holds them.
inline Bytes Encoded(const SettingsRecord& record)
{
    RecordBytes bytes;
    EncodeRecord(record, bytes);
    return Bytes(bytes.begin(), bytes.end());
}

inline bool Exists(const char* path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

// Read-only as Windows means it: the attribute there, the write bits here.
inline void SetReadOnly(const char* path, bool readOnly)
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add, ec);
}

inline void RemoveAll(const char* path)
{
    if (!Exists(path))
        return;
    SetReadOnly(path, false);
    std::error_code ec;
    fs::remove_all(path, ec);
}

inline void MakeDirectory(const char* path)
{
    std::error_code ec;
    fs::create_directory(path, ec);
}

inline void WriteFile(const char* path, const Bytes& bytes)
{
    RemoveAll(path);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// The whole content; nothing for a missing file or one that cannot be read.
inline Bytes ReadFile(const char* path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Another program holding the file open, for as long as it lives: sharing nothing
// (and writing), or reading and letting others read, write or also delete it.
enum class Sharing { nothing, read, readWrite, readWriteDelete };

class HeldOpen {
public:
    explicit HeldOpen(const char* path, Sharing sharing = Sharing::nothing)
    {
#ifdef _WIN32
        const DWORD share[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
        const DWORD access = sharing == Sharing::nothing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
        m_h = CreateFileA(path, access, share[static_cast<int>(sharing)], nullptr, OPEN_EXISTING, 0, nullptr);
#else
        // What CFile takes for each: an exclusive lock shares nothing, a shared one
        // lets others only read, no lock lets them write.
        m_fd = ::open(path, sharing == Sharing::nothing ? O_RDWR : O_RDONLY);
        if (m_fd >= 0 && (sharing == Sharing::nothing || sharing == Sharing::read))
            flock(m_fd, sharing == Sharing::nothing ? LOCK_EX : LOCK_SH);
#endif
    }
    ~HeldOpen()
    {
#ifdef _WIN32
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
#else
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
#ifdef _WIN32
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
#else
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
#endif
};

// Gives each test a root of drive C without a settings file, and leaves none.
class CleanDriveC {
public:
    CleanDriveC()
    {
#ifndef _WIN32
        char dir[] = "/tmp/korvane-test-XXXXXX";
        m_dir = ::mkdtemp(dir);
        m_previous = fs::current_path();
        fs::current_path(m_dir);
#endif
        Clear();
    }
    ~CleanDriveC()
    {
        Clear();
#ifndef _WIN32
        fs::current_path(m_previous);
        fs::remove_all(m_dir);
#endif
    }
    CleanDriveC(const CleanDriveC&) = delete;
    CleanDriveC& operator=(const CleanDriveC&) = delete;

    static void Clear()
    {
        RemoveAll(kSettings);
        RemoveAll(kOldTemp);
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(kRoot, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("korvane.ini.", 0) == 0)
                RemoveAll(entry.path().string().c_str());
        }
    }

private:
#ifndef _WIN32
    fs::path m_dir, m_previous;
#endif
};

}  // namespace testing_drive_c
