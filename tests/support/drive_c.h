// A clean root of drive C for tests that touch the settings file, and raw access to
// the files there that does not go through CFile. On Windows (under Wine, in the
// project's own prefix) this is the real C:\; on POSIX hosts CFile maps drive C to
// the current directory, so each test gets a fresh directory of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#endif

#include <cstdio>

namespace testing_drive_c {

#ifdef _WIN32
inline const char* const kSettings = "C:\\korvane.ini";
inline const char* const kTemp = "C:\\korvane.ini.tmp";
#else
inline const char* const kSettings = "korvane.ini";
inline const char* const kTemp = "korvane.ini.tmp";
#endif

using Bytes = std::vector<std::uint8_t>;

inline bool Exists(const char* path)
{
#ifdef _WIN32
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return ::stat(path, &st) == 0;
#endif
}

inline void SetReadOnly(const char* path, bool readOnly)
{
#ifdef _WIN32
    SetFileAttributesA(path, readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    ::chmod(path, readOnly ? 0444 : 0644);
#endif
}

inline void RemoveAll(const char* path)
{
    if (!Exists(path))
        return;
    SetReadOnly(path, false);
#ifdef _WIN32
    if (!DeleteFileA(path))
        RemoveDirectoryA(path);
#else
    std::filesystem::remove_all(path);
#endif
}

inline void MakeDirectory(const char* path)
{
#ifdef _WIN32
    CreateDirectoryA(path, nullptr);
#else
    ::mkdir(path, 0755);
#endif
}

inline void WriteFile(const char* path, const Bytes& bytes)
{
    RemoveAll(path);
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The whole content, or nothing for a missing file.
inline Bytes ReadFile(const char* path)
{
    Bytes bytes;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        return bytes;
    std::uint8_t buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

// Another program holding the file open and sharing nothing, for as long as it lives.
class HeldOpen {
public:
    explicit HeldOpen(const char* path)
    {
#ifdef _WIN32
        m_h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
#else
        m_fd = ::open(path, O_RDWR);
        if (m_fd >= 0)
            flock(m_fd, LOCK_EX);
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
    bool IsOpen() const
    {
#ifdef _WIN32
        return m_h != INVALID_HANDLE_VALUE;
#else
        return m_fd >= 0;
#endif
    }

private:
#ifdef _WIN32
    HANDLE m_h = INVALID_HANDLE_VALUE;
#else
    int m_fd = -1;
#endif
};

// Gives each test a root of drive C without a settings file, and leaves none.
class CleanDriveC {
public:
    CleanDriveC()
    {
#ifndef _WIN32
        char dirTemplate[] = "/tmp/korvane-test-XXXXXX";
        m_dir = ::mkdtemp(dirTemplate);
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
#endif
        Clear();
    }
    ~CleanDriveC()
    {
        Clear();
#ifndef _WIN32
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_dir);
#endif
    }
    static void Clear()
    {
        RemoveAll(kSettings);
        RemoveAll(kTemp);
    }

private:
#ifndef _WIN32
    std::string m_dir;
    std::filesystem::path m_previous;
#endif
};

}  // namespace testing_drive_c
