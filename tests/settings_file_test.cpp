// Loading and saving the settings file on the real file system: natively, and under
// Wine on the prefix's drive C with Windows' own share modes and attributes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

#include "platform/file.h"
#include "settings/settings_file.h"
#include "settings/setup_values.h"
#include "support/drive_c.h"

namespace {

using namespace testing_drive_c;

// Another program holding the file without sharing, for a while, from a thread of
// its own; constructed once the hold has begun (or could not).
class HeldFor {
public:
    HeldFor(const char* path, std::chrono::milliseconds hold)
        : m_thread([this, path, hold] {
              HeldOpen held(path);
              m_state = held.IsOpen() ? kHolding : kFailed;
              std::this_thread::sleep_for(hold);    // how long the other program keeps it
          })
    {
        const auto start = std::chrono::steady_clock::now();
        while (m_state == kStarting && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
            std::this_thread::yield();
    }
    ~HeldFor() { Join(); }
    HeldFor(const HeldFor&) = delete;
    HeldFor& operator=(const HeldFor&) = delete;

    bool IsHolding() const { return m_state == kHolding; }
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    enum State { kStarting, kHolding, kFailed };
    std::atomic<State> m_state{kStarting};
    std::thread m_thread;   // after the state, which it sets
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
        {"empty file reads as defaults", [] { WriteFile(kSettings, {}); }, R::loaded, Encoded(DefaultRecord())},
        {"short file keeps the defaults past its end", [shortFile] { WriteFile(kSettings, shortFile); }, R::loaded,
         Encoded([] { SettingsRecord r = DefaultRecord(); r.height = 300; return r; }())},
        {"whole record", [typical] { WriteFile(kSettings, typical); }, R::loaded, typical},
        {"longer file: the first 72 bytes", [longer] { WriteFile(kSettings, longer); }, R::loaded, typical},
        {"reserved bytes read, not judged", [withReserved] { WriteFile(kSettings, withReserved); }, R::loaded, withReserved},
        {"read-only file still reads", [typical] { WriteFile(kSettings, typical); SetReadOnly(kSettings, true); }, R::loaded, typical},
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
            EXPECT_STREQ(error.m_szFileName, "C:\\korvane.ini") << "named as the user knows it";
        }
    }
}

// Another program holding the settings file without sharing while it is read: a
// moment's hold is waited out, a longer one leaves the file unread, with the cause.
TEST(LoadSettings, AFileHeldOpenWithoutSharing)
{
    using namespace std::chrono;
    const struct { const char* name; milliseconds hold; LoadResult result; } cases[] = {
        {"held for a moment", milliseconds(100), LoadResult::loaded},
        {"held longer than the load waits", milliseconds(1500), LoadResult::unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        SettingsRecord theirs = DefaultRecord();
        theirs.height = 300;
        theirs.clans = 9;
        WriteFile(kSettings, Encoded(theirs));
        HeldFor other(kSettings, c.hold);
        ASSERT_TRUE(other.IsHolding());
        SettingsRecord record = Sentinel();
        CFileException error;
        EXPECT_EQ(LoadSettings(record, &error), c.result);
        other.Join();
        EXPECT_EQ(Encoded(record), c.result == LoadResult::loaded ? Encoded(theirs) : Encoded(Sentinel()));
        if (c.result == LoadResult::unreadable) {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
            wchar_t message[512];
            error.GetErrorMessage(message, 512);
            EXPECT_NE(std::wcsstr(message, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."), nullptr);
        }
        EXPECT_EQ(ReadFile(kSettings), Encoded(theirs));
    }
}

TEST(SaveSettings, WritesExactlyOneRecordWithoutReservedBytes)
{
    Bytes longer(100, 0x77);
    const struct { const char* name; std::function<void()> prepare; } cases[] = {
        {"no file yet", [] {}},
        {"a longer file is replaced by 72 bytes", [longer] { WriteFile(kSettings, longer); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        c.prepare();
        SettingsRecord loaded = DefaultRecord();
        LoadSettings(loaded);
        SetupValues values;
        SetDefaults(values);
        ApplyRecord(loaded, values);
        const SettingsRecord built = BuildRecord(values, loaded.speed, loaded.workerRatio);
        ASSERT_NO_THROW(SaveSettings(built));
        const Bytes written = ReadFile(kSettings);
        ASSERT_EQ(written.size(), 72u);
        EXPECT_EQ(written, Encoded(built));
        EXPECT_EQ(Bytes(written.begin() + 16, written.begin() + 24), Bytes(8, 0));
        EXPECT_EQ(written[70], 0);
        EXPECT_EQ(written[71], 0);
        EXPECT_EQ(Leftovers(), "");
    }
}

// Whatever anyone left at a temporary name (the one saves once always used, or the
// one this process tries first) the save goes elsewhere and leaves it as it was.
TEST(SaveSettings, WhatStandsAtATemporaryNameIsLeftAlone)
{
    const Bytes theirs(10, 0x42);
    enum Thing { kFolder, kReadOnlyFile, kFileHeldOpen };
    for (const std::string& name : {std::string(kOldTemp), FirstTemporaryName()}) {
        for (const Thing thing : {kFolder, kReadOnlyFile, kFileHeldOpen}) {
            SCOPED_TRACE(name + (thing == kFolder ? ": a folder" : thing == kReadOnlyFile ? ": a read-only file"
                                                                                         : ": a file held open"));
            CleanDriveC drive;
            WriteFile(kSettings, Encoded(DefaultRecord()));
            std::unique_ptr<HeldOpen> held;
            if (thing == kFolder) {
                MakeDirectory(name.c_str());
            } else {
                WriteFile(name.c_str(), theirs);
                if (thing == kReadOnlyFile)
                    SetReadOnly(name.c_str(), true);
                else
                    held = std::make_unique<HeldOpen>(name.c_str());
            }
            SettingsRecord fresh = DefaultRecord();
            fresh.clans = 42;
            ASSERT_NO_THROW(SaveSettings(fresh));
            held.reset();
            EXPECT_EQ(ReadFile(kSettings), Encoded(fresh));
            if (thing == kFolder)
                EXPECT_TRUE(fs::is_directory(name));
            else
                EXPECT_EQ(ReadFile(name.c_str()), theirs);
            EXPECT_EQ(Leftovers({name}), "");
        }
    }
}

// Two saves at once, even in one process, each get a temporary file of their own.
TEST(CFile, TwoTemporariesBesideOneFileAtOnce)
{
    CleanDriveC drive;
    CFile first, second;
    ASSERT_TRUE(first.OpenTemporaryBeside(kSettings));
    ASSERT_TRUE(second.OpenTemporaryBeside(kSettings)) << "the second could not be made beside the first";
    EXPECT_STRNE(first.GetFilePath(), second.GetFilePath());
    EXPECT_NE(Leftovers(), "") << "both are there while open";
    first.Abort();
    second.Abort();
    EXPECT_EQ(Leftovers(), "") << "and gone once closed";
}

// A temporary file that cannot be made is the fault of its folder, which the
// message names.
TEST(CFile, ATemporaryInAFolderThatTakesNoneNamesTheFolder)
{
#ifdef _WIN32
    // Wine's drive Z is the Linux root, whose /sys takes no file even from root.
    const char* const missing = "C:\\korvane-missing\\korvane.ini";
    const char* const unwritable = "Z:\\sys\\korvane.ini";
#else
    const char* const missing = "korvane-missing/korvane.ini";
    const char* const unwritable = "/sys/korvane.ini";
#endif
    const struct { const char* file; const wchar_t* before; const wchar_t* after; } cases[] = {
        {missing, L"Le dossier ", L" est introuvable."},
        {unwritable, L"L'accès au dossier ", L" a été refusé : aucun fichier n'a pu y être créé."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CleanDriveC drive;
        CFile file;
        CFileException error;
        ASSERT_FALSE(file.OpenTemporaryBeside(c.file, &error));
        std::string folder = c.file;
        folder.resize(folder.size() - std::strlen("korvane.ini"));
        EXPECT_EQ(std::string(error.m_szFileName), folder);
        wchar_t message[512];
        error.GetErrorMessage(message, 512);
        const std::wstring sentence = c.before + std::wstring(folder.begin(), folder.end()) + c.after;
        EXPECT_EQ(std::wstring(message).substr(0, sentence.size()), sentence);
    }
}

#ifndef _WIN32
// A settings file that is a link: the file saved in its place takes the mode of the
// file the link names, never the link's own (0777).
TEST(SaveSettings, ALinkGivesTheModeOfItsFile)
{
    const struct { const char* name; bool dangling; fs::perms expected; } cases[] = {
        {"a link to a file of mode 0640", false, fs::perms(0640)},
        {"a link to nothing", true, fs::perms(0600)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        const Bytes theirs = Encoded(DefaultRecord());
        if (!c.dangling) {
            WriteFile("linked.ini", theirs);
            fs::permissions("linked.ini", fs::perms(0640));
        }
        fs::create_symlink("linked.ini", kSettings);
        SettingsRecord fresh = DefaultRecord();
        fresh.clans = 17;
        ASSERT_NO_THROW(SaveSettings(fresh));
        EXPECT_FALSE(fs::is_symlink(kSettings));
        EXPECT_EQ(fs::status(kSettings).permissions(), c.expected);
        EXPECT_EQ(ReadFile(kSettings), Encoded(fresh));
        if (!c.dangling) {
            EXPECT_EQ(ReadFile("linked.ini"), theirs) << "the file the link named is left alone";
        }
    }
}
#endif

// What belongs to the settings file rather than to its content outlives a save.
TEST(SaveSettings, KeepsWhatBelongsToTheFile)
{
#ifdef _WIN32
    const DWORD cases[] = {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_ARCHIVE,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
#else
    const fs::perms cases[] = {fs::perms(0640), fs::perms(0600), fs::perms(0604), fs::perms(0666)};
#endif
    for (const auto property : cases) {
        SCOPED_TRACE(static_cast<unsigned>(property));
        CleanDriveC drive;
        WriteFile(kSettings, Encoded(DefaultRecord()));
#ifdef _WIN32
        ASSERT_TRUE(SetFileAttributesA(kSettings, property));
#else
        fs::permissions(kSettings, property);
#endif
        SettingsRecord fresh = DefaultRecord();
        fresh.height = 321;
        ASSERT_NO_THROW(SaveSettings(fresh));
        EXPECT_EQ(ReadFile(kSettings), Encoded(fresh));
#ifdef _WIN32
        // Written to, it is marked for the next backup, as any file written to is.
        EXPECT_EQ(GetFileAttributesA(kSettings) & kept, (property & kept) | FILE_ATTRIBUTE_ARCHIVE);
#else
        EXPECT_EQ(fs::status(kSettings).permissions(), property);
#endif
        EXPECT_EQ(Leftovers(), "");
    }
}

TEST(SaveSettings, AFailedSaveKeepsTheOldFile)
{
    const Bytes old = Encoded([] { SettingsRecord r = DefaultRecord(); r.clans = 9; return r; }());
    const struct {
        const char* name;
        std::function<void()> prepare;
        bool settingsIsFolder;
    } cases[] = {
        {"read-only settings file", [old] { WriteFile(kSettings, old); SetReadOnly(kSettings, true); }, false},
        {"a folder stands where the file goes", [] { MakeDirectory(kSettings); }, true},
    };
    SettingsRecord fresh = DefaultRecord();
    fresh.height = 999;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        c.prepare();
        try {
            SaveSettings(fresh);
            ADD_FAILURE() << "the save succeeded";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::accessDenied);
            EXPECT_STREQ(e.m_szFileName, "C:\\korvane.ini");
        }
        if (c.settingsIsFolder)
            EXPECT_TRUE(fs::is_directory(kSettings));
        else
            EXPECT_EQ(ReadFile(kSettings), old);
        EXPECT_EQ(Leftovers(), "");
    }
}

// Another program holding the settings file open: a moment's hold is waited out, a
// longer one fails the save with the file intact.
TEST(SaveSettings, AFileHeldOpenWithoutSharing)
{
    using namespace std::chrono;
    const struct { const char* name; milliseconds hold; bool saved; } cases[] = {
        {"held for a moment", milliseconds(100), true},
        {"held longer than the save waits", milliseconds(1500), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        const Bytes old = Encoded(DefaultRecord());
        WriteFile(kSettings, old);
        HeldFor other(kSettings, c.hold);
        ASSERT_TRUE(other.IsHolding());
        const auto start = steady_clock::now();
        SettingsRecord fresh = DefaultRecord();
        fresh.width = 555;
        bool saved = false;
        try {
            SaveSettings(fresh);
            saved = true;
        } catch (const CFileException& e) {
            EXPECT_TRUE(e.m_cause == CFileException::sharingViolation || e.m_cause == CFileException::accessDenied)
                << "cause " << e.m_cause;
            EXPECT_STREQ(e.m_szFileName, "C:\\korvane.ini");
        }
        const auto waited = duration_cast<milliseconds>(steady_clock::now() - start);
        other.Join();
        EXPECT_EQ(saved, c.saved);
        EXPECT_EQ(ReadFile(kSettings), saved ? Encoded(fresh) : old);
        EXPECT_GE(waited.count(), 50) << "the save did not wait for the file";
        EXPECT_EQ(Leftovers(), "");
    }
}

// Two programs saving different records and a third loading, all at once: every
// load that opens the file reads one whole record of one writer, every save either
// succeeds or fails with a file error, and no temporary file is left.
TEST(SaveSettings, TwoWritersAndAReaderAtOnce)
{
    using namespace std::chrono;
    CleanDriveC drive;
    SettingsRecord records[2] = {DefaultRecord(), DefaultRecord()};
    records[0].height = 300;
    records[0].clans = 1;
    records[1].height = 400;
    records[1].clans = 2;
    WriteFile(kSettings, Encoded(records[0]));
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
    const Bytes last = ReadFile(kSettings);
    EXPECT_TRUE(last == written[0] || last == written[1]);
    EXPECT_EQ(Leftovers(), "");
}

TEST(CFileException, MessageNamesTheFileAndTheReason)
{
    CleanDriveC drive;
    CFileException error;
    CFile file;
    ASSERT_FALSE(file.Open(kSettings, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    error.SetFileName("C:\\korvane.ini");
    wchar_t message[512];
    error.GetErrorMessage(message, 512);
    EXPECT_NE(std::wcsstr(message, L"Le fichier C:\\korvane.ini est introuvable."), nullptr);
    EXPECT_GT(std::wcslen(message), std::wcslen(L"Le fichier C:\\korvane.ini est introuvable.\n\n"));
    wchar_t tiny[8];
    error.GetErrorMessage(tiny, 8);   // cut, never overrun
    EXPECT_LT(std::wcslen(tiny), 8u);

    // A save that could not create or write its file names the folder instead.
    const struct { int cause; const wchar_t* sentence; } folders[] = {
        {CFileException::accessDenied, L"L'accès au dossier C:\\ a été refusé : aucun fichier n'a pu y être créé."},
        {CFileException::diskFull, L"Le disque du dossier C:\\ est plein : le fichier n'a pas pu y être écrit."},
    };
    for (const auto& f : folders) {
        CFileException(f.cause, -1, "C:\\").GetErrorMessage(message, 512);
        EXPECT_STREQ(message, f.sentence);
    }
}

}  // namespace
