// The root of drive C for tests that touch the settings file (under Wine, in the
// project's throwaway prefix), and raw access to the files there that does not go
// through CFile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "settings/settings_record.h"

namespace testing_drive_c {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline const wchar_t* const kSettings = L"C:\\korvane.ini";
inline const wchar_t* const kOther = L"C:\\other.ini";      // a second name, for the tests that make one

// What the root of drive C holds, by name: a save adds nothing there.
inline std::set<std::string> RootOfC()
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("C:\\", ec))
        names.insert(entry.path().filename().string());
    return names;
}

// A record's bytes as the settings file holds them.
inline Bytes Encoded(const SettingsRecord& record)
{
    RecordBytes bytes;
    EncodeRecord(record, bytes);
    return Bytes(bytes.begin(), bytes.end());
}

inline bool Exists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

inline void SetReadOnly(const wchar_t* path, bool readOnly)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path, readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY);
}

inline void RemoveAll(const wchar_t* path)
{
    if (!Exists(path))
        return;
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    std::error_code ec;
    fs::remove_all(path, ec);
}

inline void MakeDirectory(const wchar_t* path)
{
    std::error_code ec;
    fs::create_directory(path, ec);
}

inline void WriteBytes(const wchar_t* path, const Bytes& bytes)
{
    RemoveAll(path);
    std::ofstream(fs::path(path), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// The whole content; nothing for a missing file or one that cannot be read.
inline Bytes ReadBytes(const wchar_t* path)
{
    std::ifstream f(fs::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Another program holding the file open for as long as it lives: by default
// reading and writing it, sharing nothing.
class HeldOpen {
public:
    explicit HeldOpen(const wchar_t* path, DWORD share = 0, DWORD access = GENERIC_READ | GENERIC_WRITE)
        : m_h(CreateFileW(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~HeldOpen()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

// Gives each test a root of drive C without a settings file, and leaves none.
class CleanDriveC {
public:
    CleanDriveC() { Clear(); }
    ~CleanDriveC() { Clear(); }
    CleanDriveC(const CleanDriveC&) = delete;
    CleanDriveC& operator=(const CleanDriveC&) = delete;

    static void Clear()
    {
        RemoveAll(kSettings);
        RemoveAll(kOther);
    }
};

}  // namespace testing_drive_c
