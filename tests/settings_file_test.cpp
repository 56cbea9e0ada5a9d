// Loading and saving the settings file under Wine, on the prefix's drive C, with
// Windows' own share modes and attributes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "platform/file.h"
#include "settings/settings_file.h"
#include "settings/setup_values.h"
#include "support/drive_c.h"
#include "support/import_hook.h"

namespace {

using namespace testing_drive_c;
using namespace std::chrono;

// A folder on a disk with no space left, which the test session sets up as drive F
// where it may (mounting one takes root).
const wchar_t* const kOnFullDisk = L"F:\\korvane.ini";
bool HasFullDisk() { return Exists(L"F:\\filler"); }

// What a load or a save meets, played through this executable's own imports (the
// settings code is linked into it): the calls that reach the disk, logged in turn
// and, when asked, refused as a failing disk refuses them; and another program
// that holds the file until the load or the save first waits for it.
struct Disk {
    std::string calls;                  // "write end flush " as they came
    std::string refused;                // "write" or "flush"
    std::unique_ptr<HeldOpen> holder;   // let go at the first wait
} g_disk;

BOOL Reach(const char* call, const std::function<BOOL()>& real)
{
    g_disk.calls += std::string(call) + " ";
    if (g_disk.refused == call) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return real();
}
BOOL WINAPI DiskWriteFile(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    return Reach("write", [&] { return import_hook::Real(&::WriteFile, "WriteFile")(h, data, size, written, overlapped); });
}
BOOL WINAPI DiskSetEndOfFile(HANDLE h)
{
    return Reach("end", [&] { return import_hook::Real(&::SetEndOfFile, "SetEndOfFile")(h); });
}
BOOL WINAPI DiskFlushFileBuffers(HANDLE h)
{
    return Reach("flush", [&] { return import_hook::Real(&::FlushFileBuffers, "FlushFileBuffers")(h); });
}
void WINAPI DiskSleep(DWORD ms)
{
    g_disk.holder.reset();
    import_hook::Real(&::Sleep, "Sleep")(ms);
}

// The disk and the holder of g_disk, for as long as it lives.
class DiskHooks {
public:
    DiskHooks() { g_disk = Disk(); }
    ~DiskHooks() { g_disk.holder.reset(); }

private:
    import_hook::ImportHook m_write{"WriteFile", reinterpret_cast<void*>(DiskWriteFile)};
    import_hook::ImportHook m_end{"SetEndOfFile", reinterpret_cast<void*>(DiskSetEndOfFile)};
    import_hook::ImportHook m_flush{"FlushFileBuffers", reinterpret_cast<void*>(DiskFlushFileBuffers)};
    import_hook::ImportHook m_sleep{"Sleep", reinterpret_cast<void*>(DiskSleep)};
};

SettingsRecord Sentinel()
{
    SettingsRecord r;
    r.version = 99;
    r.height = -12345;
    return r;
}

TEST(LoadSettings, WhatEachFileReadsAs)
{
    const Bytes typical = Encoded([] { SettingsRecord r = DefaultRecord(); r.height = 300; r.width = 200; return r; }());
    Bytes longer = typical;
    longer.resize(100, 0xAB);
    Bytes withReserved = typical;
    std::memset(&withReserved[16], 0x5A, 8);
    withReserved[70] = withReserved[71] = 0x5A;
    // A short file: version 3 and a height of 300, then nothing.
    const Bytes shortFile = {3, 0, 0, 0, 0x2C, 1};
    using R = LoadResult;

    const struct {
        const char* name;
        std::function<void()> prepare;
        LoadResult result;
        Bytes expected;     // the record's bytes after loading
    } cases[] = {
        {"no file", [] {}, R::noFile, Encoded(Sentinel())},
        {"a folder in its place is there, unread", [] { MakeDirectory(kSettings); }, R::unreadable, Encoded(Sentinel())},
        {"empty file reads as defaults", [] { WriteBytes(kSettings, {}); }, R::loaded, Encoded(DefaultRecord())},
        {"short file keeps the defaults past its end", [shortFile] { WriteBytes(kSettings, shortFile); }, R::loaded,
         Encoded([] { SettingsRecord r = DefaultRecord(); r.height = 300; return r; }())},
        {"whole record", [typical] { WriteBytes(kSettings, typical); }, R::loaded, typical},
        {"longer file: the first 72 bytes", [longer] { WriteBytes(kSettings, longer); }, R::loaded, typical},
        {"reserved bytes read, not judged", [withReserved] { WriteBytes(kSettings, withReserved); }, R::loaded, withReserved},
        {"read-only file still reads", [typical] { WriteBytes(kSettings, typical); SetReadOnly(kSettings, true); }, R::loaded, typical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        c.prepare();
        SettingsRecord record = Sentinel();
        CFileException error;
        EXPECT_EQ(LoadSettings(record, &error), c.result);
        EXPECT_EQ(Encoded(record), c.expected);
        if (c.result == R::unreadable) {
            EXPECT_STREQ(error.m_szFileName, L"C:\\korvane.ini") << "named as the user knows it";
        }
    }
}

// Another program holding the settings file while it is read: one that lets go
// while the load waits is waited for; one that holds it throughout, or writes it
// meanwhile (sharing reading and writing), leaves it unread, with the cause, and
// untouched.
TEST(LoadSettings, AFileAnotherProgramHolds)
{
    const struct { const char* name; DWORD share; bool untilTheWait; LoadResult result; } cases[] = {
        {"held until the load waits", 0, true, LoadResult::loaded},
        {"held throughout", 0, false, LoadResult::unreadable},
        {"written by another, sharing read and write", FILE_SHARE_READ | FILE_SHARE_WRITE, false, LoadResult::unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        SettingsRecord theirs = DefaultRecord();
        theirs.height = 300;
        theirs.clans = 9;
        WriteBytes(kSettings, Encoded(theirs));
        DiskHooks hooks;
        auto other = std::make_unique<HeldOpen>(kSettings, c.share);
        ASSERT_TRUE(other->IsOpen());
        if (c.untilTheWait)
            g_disk.holder = std::move(other);
        SettingsRecord record = Sentinel();
        CFileException error;
        EXPECT_EQ(LoadSettings(record, &error), c.result);
        other.reset();
        EXPECT_EQ(Encoded(record), c.result == LoadResult::loaded ? Encoded(theirs) : Encoded(Sentinel()));
        if (c.result == LoadResult::unreadable) {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
            wchar_t message[512];
            error.GetErrorMessage(message, 512);
            EXPECT_NE(std::wcsstr(message, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."), nullptr);
        }
        EXPECT_EQ(ReadBytes(kSettings), Encoded(theirs));
    }
}

// What a save does in each situation it may meet: the cause it raises (none when
// it saves) and what the file holds after. A save writes the file itself: what
// belongs to the file (its attributes) stays, the old content is never cut first,
// it is flushed once the record and the end are there, and a failed save leaves
// what was there (under each name of a file that has two).
TEST(SaveSettings, EverySituation)
{
    const SettingsRecord oldRecord = [] { SettingsRecord r = DefaultRecord(); r.clans = 9; return r; }();
    SettingsRecord fresh = DefaultRecord();
    fresh.width = 555;
    using C = CFileException;
    enum After { kNew, kOld, kNothing };
    enum Other { kAlone, kHolderUntilTheWait, kReaderSharingRead, kReaderSharingReadWrite, kReaderSharingAll,
                 kWriterSharingReadWrite, kWriteRefused, kFlushRefused, kSecondName };
    constexpr std::size_t kNoFile = SIZE_MAX;
    const struct {
        const char* name;
        const wchar_t* path;
        std::size_t oldSize;
        DWORD attributes;
        Other other;
        int cause;
        After after;
    } cases[] = {
        {"no file", kSettings, kNoFile, 0, kAlone, C::none, kNew},
        {"no file, on a full disk", kOnFullDisk, kNoFile, 0, kAlone, C::diskFull, kNothing},
        {"an empty file, on a full disk", kOnFullDisk, 0, 0, kAlone, C::diskFull, kOld},
        {"a file of 72 bytes", kSettings, 72, 0, kAlone, C::none, kNew},
        {"a 4,096-byte file ends at 72", kSettings, 4096, 0, kAlone, C::none, kNew},
        {"a hidden system file stays so", kSettings, 72, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, kAlone, C::none, kNew},
        {"a read-only file", kSettings, 72, FILE_ATTRIBUTE_READONLY, kAlone, C::accessDenied, kOld},
        {"a folder at the name", kSettings, kNoFile, FILE_ATTRIBUTE_DIRECTORY, kAlone, C::accessDenied, kNothing},
        {"a reader sharing read and write", kSettings, 72, 0, kReaderSharingReadWrite, C::none, kNew},
        {"a reader sharing read, write and delete", kSettings, 72, 0, kReaderSharingAll, C::none, kNew},
        {"a reader sharing only read", kSettings, 72, 0, kReaderSharingRead, C::sharingViolation, kOld},
        {"a writer sharing read and write", kSettings, 72, 0, kWriterSharingReadWrite, C::sharingViolation, kOld},
        {"a holder that lets go while the save waits", kSettings, 72, 0, kHolderUntilTheWait, C::none, kNew},
        {"a write the disk refuses", kSettings, 72, 0, kWriteRefused, C::hardIO, kOld},
        {"a write the disk refuses, over 4,096 bytes", kSettings, 4096, 0, kWriteRefused, C::hardIO, kOld},
        {"a flush the disk refuses", kSettings, 72, 0, kFlushRefused, C::hardIO, kOld},
        {"a file with a second name", kSettings, 72, 0, kSecondName, C::hardLink, kOld},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        if (c.path == kOnFullDisk && !HasFullDisk()) {
            std::cout << "skipped \"" << c.name << "\": this session has no full disk (making one takes root)\n";
            continue;
        }
        RemoveAll(c.path);
        Bytes old = Encoded(oldRecord);
        if (c.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            MakeDirectory(c.path);
        } else if (c.oldSize != kNoFile) {
            old.resize(c.oldSize, 0x5A);
            WriteBytes(c.path, old);
            SetFileAttributesW(c.path, c.attributes ? c.attributes : FILE_ATTRIBUTE_NORMAL);
        }
        std::unique_ptr<HeldOpen> other;
        {
            DiskHooks hooks;
            const DWORD readWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
            switch (c.other) {
            case kHolderUntilTheWait: g_disk.holder = std::make_unique<HeldOpen>(c.path); break;
            case kReaderSharingRead: other = std::make_unique<HeldOpen>(c.path, FILE_SHARE_READ, GENERIC_READ); break;
            case kReaderSharingReadWrite: other = std::make_unique<HeldOpen>(c.path, readWrite, GENERIC_READ); break;
            case kReaderSharingAll: other = std::make_unique<HeldOpen>(c.path, readWrite | FILE_SHARE_DELETE, GENERIC_READ); break;
            case kWriterSharingReadWrite: other = std::make_unique<HeldOpen>(c.path, readWrite); break;
            case kWriteRefused: g_disk.refused = "write"; break;
            case kFlushRefused: g_disk.refused = "flush"; break;
            case kSecondName: ASSERT_TRUE(CreateHardLinkW(kOther, c.path, nullptr)); break;
            case kAlone: break;
            }
            int cause = C::none;
            try {
                SaveSettings(fresh, c.path);
            } catch (const CFileException& e) {
                cause = e.m_cause;
                EXPECT_STREQ(e.m_szFileName, c.path) << "the message names the file";
            }
            EXPECT_EQ(cause, c.cause);
            if (c.after == kNew) {
                EXPECT_EQ(g_disk.calls, "write end flush ") << "the record, its end, one flush";
            }
        }
        other.reset();
        const Bytes expected = c.after == kNew ? Encoded(fresh) : c.after == kOld ? old : Bytes();
        EXPECT_EQ(ReadBytes(c.path).size(), expected.size());
        EXPECT_EQ(ReadBytes(c.path), expected);
        if (c.other == kSecondName) {
            EXPECT_EQ(ReadBytes(kOther), old) << "the other name's file was written";
        }
        EXPECT_EQ(Exists(c.path), c.after != kNothing || (c.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            << "a file left where there was none, or one removed";
        if (c.attributes & FILE_ATTRIBUTE_HIDDEN) {
            EXPECT_EQ(GetFileAttributesW(c.path) & c.attributes, c.attributes) << "its attributes stay";
        }
        RemoveAll(c.path);
    }
}

// What a save refuses from what the system says of the file it opened: a link or
// junction (Windows' own, which Wine cannot make: this is the decision on its
// inputs), a second name, a read-only file.
TEST(SaveSettings, RefusesLinksSecondNamesAndReadOnlyFiles)
{
    using C = CFileException;
    const struct { DWORD attributes; DWORD names; int cause; LONG osError; } cases[] = {
        {FILE_ATTRIBUTE_NORMAL, 1, C::none, -1},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 1, C::none, -1},
        {FILE_ATTRIBUTE_READONLY, 1, C::accessDenied, ERROR_ACCESS_DENIED},
        {FILE_ATTRIBUTE_NORMAL, 2, C::hardLink, -1},
        {FILE_ATTRIBUTE_READONLY, 3, C::hardLink, -1},
        {FILE_ATTRIBUTE_REPARSE_POINT, 1, C::accessDenied, ERROR_CANT_ACCESS_FILE},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, 1, C::accessDenied, ERROR_CANT_ACCESS_FILE},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY, 2, C::accessDenied, ERROR_CANT_ACCESS_FILE},
    };
    for (const auto& c : cases) {
        BY_HANDLE_FILE_INFORMATION info = {};
        info.dwFileAttributes = c.attributes;
        info.nNumberOfLinks = c.names;
        const CFileException refusal = SaveRefusal(info, kSettings);
        EXPECT_EQ(refusal.m_cause, c.cause) << "attributes 0x" << std::hex << c.attributes << ", names " << c.names;
        EXPECT_EQ(refusal.m_lOsError, c.osError) << "attributes 0x" << std::hex << c.attributes << ", names " << c.names;
    }
    wchar_t message[512];
    CFileException(CFileException::OsErrorToCause(ERROR_CANT_ACCESS_FILE), ERROR_CANT_ACCESS_FILE, kSettings)
        .GetErrorMessage(message, 512);
    EXPECT_EQ(std::wstring(message).find(L"L'accès au fichier C:\\korvane.ini a été refusé."), 0u);
}

// Two programs saving different records and a third loading, all at once: every
// load that opens the file reads one whole record of one writer, every save either
// succeeds or fails with a file error.
TEST(SaveSettings, TwoWritersAndAReaderAtOnce)
{
    CleanDriveC drive;
    SettingsRecord records[2] = {DefaultRecord(), DefaultRecord()};
    records[0].height = 300;
    records[0].clans = 1;
    records[1].height = 400;
    records[1].clans = 2;
    WriteBytes(kSettings, Encoded(records[0]));
    const Bytes written[2] = {Encoded(records[0]), Encoded(records[1])};

    std::atomic<bool> stop{false};
    std::atomic<int> saves{0}, failedSaves{0}, otherErrors{0}, loads{0}, notOpened{0}, wrongLoads{0};
    auto writer = [&](const SettingsRecord& record) {
        while (!stop) {
            try {
                SaveSettings(record);
                ++saves;
            } catch (const CFileException&) {
                ++failedSaves;
            } catch (...) {
                ++otherErrors;
            }
            std::this_thread::sleep_for(milliseconds(1));   // a program saves, then does other things
        }
    };
    std::thread first(writer, std::cref(records[0])), second(writer, std::cref(records[1]));
    std::thread reader([&] {
        while (!stop) {
            SettingsRecord loaded = DefaultRecord();
            loaded.version = 99;
            if (LoadSettings(loaded) != LoadResult::loaded) {
                ++notOpened;
                continue;
            }
            ++loads;
            const Bytes bytes = Encoded(loaded);
            if (bytes != written[0] && bytes != written[1])
                ++wrongLoads;
        }
    });
    std::this_thread::sleep_for(seconds(2));    // how long the three run side by side
    stop = true;
    first.join();
    second.join();
    reader.join();

    std::cout << "concurrent use: " << saves << " saves (" << failedSaves << " failed), " << loads << " loads ("
              << notOpened << " did not open)\n";
    EXPECT_GT(saves, 0);
    EXPECT_GT(loads, 0);
    EXPECT_EQ(wrongLoads, 0) << "a load read something no writer wrote";
    EXPECT_EQ(otherErrors, 0);
    const Bytes last = ReadBytes(kSettings);
    EXPECT_TRUE(last == written[0] || last == written[1]);
}

TEST(CFileException, MessageNamesTheFileAndTheReason)
{
    CleanDriveC drive;
    CFileException error;
    CFile file;
    ASSERT_FALSE(file.Open(kSettings, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    wchar_t message[512];
    error.GetErrorMessage(message, 512);
    EXPECT_NE(std::wcsstr(message, L"Le fichier C:\\korvane.ini est introuvable."), nullptr);
    EXPECT_GT(std::wcslen(message), std::wcslen(L"Le fichier C:\\korvane.ini est introuvable.\n\n"));
    wchar_t tiny[8];
    error.GetErrorMessage(tiny, 8);   // cut, never overrun
    EXPECT_LT(std::wcslen(tiny), 8u);

    // "In use" is said only of a file another program holds; refused is refused.
    const struct { DWORD osError; const wchar_t* sentence; } refusals[] = {
        {ERROR_ACCESS_DENIED, L"L'accès au fichier C:\\korvane.ini a été refusé."},
        {ERROR_SHARING_VIOLATION, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."},
        {ERROR_DISK_FULL, L"Le disque est plein\u00a0: le fichier C:\\korvane.ini n'a pas pu être écrit."},
    };
    for (const auto& r : refusals) {
        CFileException(CFileException::OsErrorToCause(static_cast<LONG>(r.osError)), static_cast<LONG>(r.osError),
                       kSettings)
            .GetErrorMessage(message, 512);
        EXPECT_EQ(std::wstring(message).find(r.sentence), 0u) << r.osError;
    }

    // French typography: a space that never breaks the line before ":" ";" "!" "?"
    // and inside quotes, so that no line of a box starts with one.
    for (int cause = CFileException::none; cause <= CFileException::hardLink; ++cause) {
        CFileException(cause, -1, kSettings).GetErrorMessage(message, 512);
        for (const wchar_t* plain : {L" :", L" ;", L" !", L" ?", L"\u00ab ", L" \u00bb"})
            EXPECT_EQ(std::wstring(message).find(plain), std::wstring::npos) << "cause " << cause;
    }
}

}  // namespace
