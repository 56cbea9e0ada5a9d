// Loading and saving the settings file on the real file system: natively, and under
// Wine on the prefix's drive C with Windows' own share modes and attributes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/file.h"
#include "settings/settings_file.h"
#include "settings/setup_values.h"
#include "support/drive_c.h"

namespace {

using namespace testing_drive_c;

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

    const struct {
        const char* name;
        std::function<void()> prepare;
        bool opened;
        Bytes expected;     // the record's bytes after loading
    } cases[] = {
        {"no file", [] {}, false, Encoded(Sentinel())},
        {"a folder in its place", [] { MakeDirectory(kSettings); }, false, Encoded(Sentinel())},
        {"empty file reads as defaults", [] { WriteFile(kSettings, {}); }, true, Encoded(DefaultRecord())},
        {"short file keeps the defaults past its end", [shortFile] { WriteFile(kSettings, shortFile); }, true,
         Encoded([] { SettingsRecord r = DefaultRecord(); r.height = 300; return r; }())},
        {"whole record", [typical] { WriteFile(kSettings, typical); }, true, typical},
        {"longer file: the first 72 bytes", [longer] { WriteFile(kSettings, longer); }, true, typical},
        {"reserved bytes read, not judged", [withReserved] { WriteFile(kSettings, withReserved); }, true, withReserved},
        {"read-only file still reads", [typical] { WriteFile(kSettings, typical); SetReadOnly(kSettings, true); }, true, typical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC drive;
        c.prepare();
        SettingsRecord record = Sentinel();
        EXPECT_EQ(LoadSettings(record), c.opened);
        EXPECT_EQ(Encoded(record), c.expected);
    }
}

TEST(LoadSettings, AFileHeldOpenByAWriterIsNotRead)
{
    CleanDriveC drive;
    WriteFile(kSettings, Encoded(DefaultRecord()));
    HeldOpen other(kSettings);
    ASSERT_TRUE(other.IsOpen());
    SettingsRecord record = Sentinel();
    EXPECT_FALSE(LoadSettings(record));
    EXPECT_EQ(Encoded(record), Encoded(Sentinel()));
}

TEST(SaveSettings, WritesExactlyOneRecordWithoutReservedBytes)
{
    Bytes longer(100, 0x77);
    const struct { const char* name; std::function<void()> prepare; } cases[] = {
        {"no file yet", [] {}},
        {"a longer file is replaced by 72 bytes", [longer] { WriteFile(kSettings, longer); }},
        {"a stale temporary file is overwritten", [longer] { WriteFile(kTemp, longer); }},
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
        EXPECT_FALSE(Exists(kTemp));
    }
}

TEST(SaveSettings, AFailedSaveKeepsTheOldFile)
{
    const Bytes old = Encoded([] { SettingsRecord r = DefaultRecord(); r.clans = 9; return r; }());
    const struct {
        const char* name;
        std::function<void()> prepare;
        bool settingsIsFolder;
        bool tempIsFolder;
    } cases[] = {
        {"read-only settings file", [old] { WriteFile(kSettings, old); SetReadOnly(kSettings, true); }, false, false},
        {"temporary file cannot be created", [old] { WriteFile(kSettings, old); MakeDirectory(kTemp); }, false, true},
        {"a folder stands where the file goes", [] { MakeDirectory(kSettings); }, true, false},
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
            EXPECT_TRUE(Exists(kSettings));
        else
            EXPECT_EQ(ReadFile(kSettings), old);
        EXPECT_EQ(Exists(kTemp), c.tempIsFolder);
    }
}

TEST(SaveSettings, AFileHeldOpenWithoutSharingIsLeftIntact)
{
    CleanDriveC drive;
    const Bytes old = Encoded(DefaultRecord());
    WriteFile(kSettings, old);
    {
        HeldOpen other(kSettings);
        ASSERT_TRUE(other.IsOpen());
        SettingsRecord fresh = DefaultRecord();
        fresh.width = 555;
        try {
            SaveSettings(fresh);
            ADD_FAILURE() << "the save succeeded";
        } catch (const CFileException& e) {
            EXPECT_TRUE(e.m_cause == CFileException::sharingViolation || e.m_cause == CFileException::accessDenied)
                << "cause " << e.m_cause;
        }
    }
    EXPECT_EQ(ReadFile(kSettings), old);
    EXPECT_FALSE(Exists(kTemp));
    // Once the other program lets go, the next OK goes through.
    SettingsRecord fresh = DefaultRecord();
    fresh.width = 555;
    EXPECT_NO_THROW(SaveSettings(fresh));
    EXPECT_EQ(ReadFile(kSettings), Encoded(fresh));
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
}

}  // namespace
