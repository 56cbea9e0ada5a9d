// Loading and saving the settings file on the real file system: natively, and under
// Wine on the prefix's drive C with Windows' own share modes and attributes.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
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
        {unwritable, L"L'accès au dossier ", L" a été refusé\u00a0: aucun fichier n'a pu y être créé."},
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

// A settings file with other names, or that is a link, keeps them: every name holds
// the new record and a link stays a link, when whoever made it could write there
// anyway; one made by someone else is replaced, never written through.
TEST(SaveSettings, LinksKeepTheirNames)
{
#ifdef _WIN32
    const char* const other = "C:\\other.ini";
    auto hardLink = [other] { return CreateHardLinkA(other, kSettings, nullptr) != FALSE; };
    // Wine 8 says it made one and makes none: a link there is a Unix one, made
    // outside (the test of a save under Wine makes one).
    auto symbolicLink = [other] { return CreateSymbolicLinkA(kSettings, other, 0x2) && Exists(kSettings); };
    auto byAnother = [](const char*) { return false; };
#else
    const char* const other = "other.ini";
    auto hardLink = [other] { return ::link(kSettings, other) == 0; };
    auto symbolicLink = [other] { return ::symlink(other, kSettings) == 0; };
    // Only root may give a file or a link to another user.
    auto byAnother = [](const char* path) { return ::geteuid() == 0 && ::lchown(path, 4321, 4321) == 0; };
#endif
    enum Kind { kHardLink, kSymbolicLink };
    const struct {
        const char* name;
        Kind kind;
        bool madeByAnother;
        bool bothHoldTheNew;    // else the link's other end keeps the old record
    } cases[] = {
        {"a second name", kHardLink, false, true},
        {"a second name of a file someone else owns", kHardLink, true, false},
        {"a link to a file elsewhere", kSymbolicLink, false, true},
        {"a link someone else made", kSymbolicLink, true, false},
    };
    const Bytes old = Encoded(DefaultRecord());
    SettingsRecord fresh = DefaultRecord();
    fresh.clans = 17;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        RemoveAll(other);
        if (c.kind == kHardLink) {
            WriteFile(kSettings, old);
            ASSERT_TRUE(hardLink());
        } else {
            WriteFile(other, old);
            if (!symbolicLink())
                continue;   // not on this system
        }
        if (c.madeByAnother && !byAnother(kSettings))
            continue;
        ASSERT_NO_THROW(SaveSettings(fresh));
        EXPECT_EQ(ReadFile(kSettings), Encoded(fresh));
        EXPECT_EQ(ReadFile(other), c.bothHoldTheNew ? Encoded(fresh) : old);
        if (c.kind == kSymbolicLink)
            EXPECT_EQ(fs::is_symlink(kSettings), c.bothHoldTheNew) << "a link stays a link only when followed";
        EXPECT_EQ(Leftovers(), "");
        RemoveAll(other);
    }
}

#ifndef _WIN32
// A link to nothing is replaced as no file: the new file is the owner's alone.
TEST(SaveSettings, ALinkToNothingIsReplaced)
{
    CleanDriveC drive;
    fs::create_symlink("gone.ini", kSettings);
    ASSERT_NO_THROW(SaveSettings(DefaultRecord()));
    EXPECT_FALSE(fs::is_symlink(kSettings));
    EXPECT_EQ(fs::status(kSettings).permissions(), fs::perms(0600));
    EXPECT_FALSE(Exists("gone.ini"));
}
#endif

// Another program reading the settings file while OK is pressed (the simulation, an
// editor, a backup): where it lets others write, the record goes into the file in
// place, which ends at 72 bytes and keeps its attributes; a reader that lets others
// only read holds it, and the save is refused as in use with the file intact.
TEST(SaveSettings, WhileAnotherProgramReads)
{
    const struct {
        const char* name;
        Sharing sharing;
        std::size_t oldSize;
        bool saved;
    } cases[] = {
        {"a reader sharing reading and writing", Sharing::readWrite, 72, true},
        {"a reader sharing deletion too", Sharing::readWriteDelete, 72, true},
        {"a longer file, read the same way", Sharing::readWrite, 100, true},
        {"a reader sharing reading only", Sharing::read, 72, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        Bytes old = Encoded(DefaultRecord());
        old.resize(c.oldSize, 0x5A);
        WriteFile(kSettings, old);
#ifdef _WIN32
        ASSERT_TRUE(SetFileAttributesA(kSettings, FILE_ATTRIBUTE_HIDDEN));
#else
        fs::permissions(kSettings, fs::perms(0640));
#endif
        HeldOpen reader(kSettings, c.sharing);
        ASSERT_TRUE(reader.IsOpen());
        SettingsRecord fresh = DefaultRecord();
        fresh.width = 555;
        int cause = CFileException::none;
        try {
            SaveSettings(fresh);
        } catch (const CFileException& e) {
            cause = e.m_cause;
        }
        EXPECT_EQ(cause, c.saved ? CFileException::none : CFileException::sharingViolation);
        EXPECT_EQ(ReadFile(kSettings), c.saved ? Encoded(fresh) : old);
#ifdef _WIN32
        EXPECT_TRUE(GetFileAttributesA(kSettings) & FILE_ATTRIBUTE_HIDDEN);
#else
        EXPECT_EQ(fs::status(kSettings).permissions(), fs::perms(0640));
#endif
        EXPECT_EQ(Leftovers(), "");
    }
}

// Who may be written through, and what a refused replacement is told as: "in use"
// only when another program has the file open; when its permissions refuse it, the
// message names the file and the system's reason.
TEST(CFile, WhatASaveDecides)
{
    using O = CFile::Owner;
    const struct { O owner; bool mayWriteThrough; } owners[] = {
        {O::runningUser, true}, {O::administrators, true}, {O::system, true},
        {O::trustedInstaller, true}, {O::someoneElse, false},
    };
    for (const auto& o : owners)
        EXPECT_EQ(CFile::MayWriteThrough(o.owner), o.mayWriteThrough) << "owner " << static_cast<int>(o.owner);

    using C = CFileException;
    using R = CFile::Refusal;
    const struct { const char* name; int probe; int rename; R refusal; } refusals[] = {
        {"open without sharing deletion", C::sharingViolation, C::none, R::inUse},
        {"locked", C::lockViolation, C::none, R::inUse},
        {"permissions refuse its deletion", C::accessDenied, C::none, R::refused},
        {"a reader that shares deletion", C::none, C::accessDenied, R::inUse},
        {"the rename finds it open", C::none, C::sharingViolation, R::inUse},
        {"the disk fails", C::none, C::hardIO, R::refused},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(CFile::ClassifyRefusal(r.probe, r.rename), r.refusal) << r.name;

#ifdef _WIN32
    const long accessDenied = ERROR_ACCESS_DENIED;
#else
    const long accessDenied = EACCES;
#endif
    wchar_t message[512];
    C(C::OsErrorToCause(accessDenied), accessDenied, "C:\\korvane.ini").GetErrorMessage(message, 512);
    const std::wstring text = message;
    EXPECT_EQ(text.find(L"L'accès au fichier C:\\korvane.ini a été refusé.\n\n"), 0u) << "refused as it is";
    EXPECT_GT(text.size(), std::wcslen(L"L'accès au fichier C:\\korvane.ini a été refusé.\n\n")) << "with the reason";
    EXPECT_EQ(text.find(L"utilisé"), std::wstring::npos);
}

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
        {CFileException::accessDenied, L"L'accès au dossier C:\\ a été refusé\u00a0: aucun fichier n'a pu y être créé."},
        {CFileException::diskFull, L"Le disque du dossier C:\\ est plein\u00a0: le fichier n'a pas pu y être écrit."},
    };
    for (const auto& f : folders) {
        CFileException(f.cause, -1, "C:\\").GetErrorMessage(message, 512);
        EXPECT_STREQ(message, f.sentence);
    }

    // French typography: a space that never breaks the line before ":" ";" "!" "?"
    // and inside quotes, so that no line of a box starts with one.
    for (int cause = CFileException::none; cause <= CFileException::diskFull; ++cause) {
        for (const char* name : {"C:\\korvane.ini", "C:\\"}) {
            CFileException(cause, -1, name).GetErrorMessage(message, 512);
            for (const wchar_t* plain : {L" :", L" ;", L" !", L" ?", L"\u00ab ", L" \u00bb"})
                EXPECT_EQ(std::wstring(message).find(plain), std::wstring::npos) << "cause " << cause << ": " << name;
        }
    }
}

}  // namespace
