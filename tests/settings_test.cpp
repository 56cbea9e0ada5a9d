// The record's bytes, the rules between record and values, and how typed text is
// read as an integer. Built and run natively and under Wine.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "platform/integer_text.h"
#include "settings/settings_record.h"
#include "settings/setup_values.h"

namespace {

// One record whose every field has its own bytes, written out by hand.
SettingsRecord DistinctRecord()
{
    SettingsRecord r;
    r.version = 3;
    r.height = 300;
    r.width = 200;
    r.bitsPerPixel = 16;
    r.foodDensity = -1;
    r.foodPerPacket = 1500;
    r.workers = 0x11223344;
    r.cisterns = 36;
    r.sentinels = 40;
    r.speed = 7;
    r.breedInterval = 100000;
    r.workerRatio = 75;
    r.enemies = -5;
    r.maxEnemies = INT32_MIN;
    r.enemyBirthInterval = INT32_MAX;
    r.clans = 200;
    r.loadFlag = 1;
    return r;
}

const RecordBytes kDistinctBytes = {
    0x03, 0x00, 0x00, 0x00,  // 0 version 3
    0x2C, 0x01, 0x00, 0x00,  // 4 height 300
    0xC8, 0x00, 0x00, 0x00,  // 8 width 200
    0x10, 0x00, 0x00, 0x00,  // 12 bits per pixel 16
    0, 0, 0, 0, 0, 0, 0, 0,  // 16 reserved
    0xFF, 0xFF, 0xFF, 0xFF,  // 24 food density -1
    0xDC, 0x05, 0x00, 0x00,  // 28 food per packet 1500
    0x44, 0x33, 0x22, 0x11,  // 32 workers 0x11223344
    0x24, 0x00, 0x00, 0x00,  // 36 cisterns 36
    0x28, 0x00, 0x00, 0x00,  // 40 sentinels 40
    0x07, 0x00, 0x00, 0x00,  // 44 speed 7
    0xA0, 0x86, 0x01, 0x00,  // 48 breed interval 100000
    0x4B, 0x00, 0x00, 0x00,  // 52 worker ratio 75
    0xFB, 0xFF, 0xFF, 0xFF,  // 56 enemies -5
    0x00, 0x00, 0x00, 0x80,  // 60 max enemies INT32_MIN
    0xFF, 0xFF, 0xFF, 0x7F,  // 64 enemy birth interval INT32_MAX
    0xC8,                    // 68 clans 200
    0x01,                    // 69 load flag
    0, 0,                    // 70 reserved
};

TEST(SettingsRecord, EncodesEveryFieldAtItsOffset)
{
    RecordBytes bytes;
    bytes.fill(0xEE);
    EncodeRecord(DistinctRecord(), bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], kDistinctBytes[i]) << "byte " << i;
}

TEST(SettingsRecord, DecodesEveryFieldFromItsOffset)
{
    const SettingsRecord r = DecodeRecord(kDistinctBytes);
    const SettingsRecord e = DistinctRecord();
    EXPECT_EQ(0, std::memcmp(&r, &e, sizeof r)) << "the fields differ";
    EXPECT_EQ(r.cisterns, 36);
    EXPECT_EQ(r.sentinels, 40);
    EXPECT_EQ(r.maxEnemies, INT32_MIN);
    EXPECT_EQ(r.clans, 200);  // unsigned, not -56
}

// Values after ApplyRecord, as the dialog would show them.
struct AcceptCase {
    const char* name;
    std::function<void(RecordBytes&)> edit;     // on a valid record of default values
    std::function<void(SetupValues&)> expect;   // on the default values
};

void PutLe32(RecordBytes& b, std::size_t offset, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(ApplyRecord, AcceptanceRules)
{
    const AcceptCase cases[] = {
        {"version 259 (03 01 00 00) is another version", [](RecordBytes& b) { b[1] = 1; PutLe32(b, 4, 500); }, [](SetupValues&) {}},
        {"version 7 keeps the defaults", [](RecordBytes& b) { b[0] = 7; PutLe32(b, 32, 999); }, [](SetupValues&) {}},
        {"height 20, width 21", [](RecordBytes& b) { PutLe32(b, 4, 20); PutLe32(b, 8, 21); },
         [](SetupValues& v) { v.m_nHeight = 20; v.m_nWidth = 21; }},
        {"height 19, width -300 fall back to 100", [](RecordBytes& b) { PutLe32(b, 4, 19); PutLe32(b, 8, static_cast<std::uint32_t>(-300)); },
         [](SetupValues& v) { v.m_nHeight = 100; v.m_nWidth = 100; }},
        {"height 5000 shown as it is", [](RecordBytes& b) { PutLe32(b, 4, 5000); }, [](SetupValues& v) { v.m_nHeight = 5000; }},
        {"cisterns at 36, sentinels at 40", [](RecordBytes& b) { PutLe32(b, 36, 36); PutLe32(b, 40, 40); },
         [](SetupValues& v) { v.m_nCisterns = 36; v.m_nSentinels = 40; }},
        {"unranged fields as they stand", [](RecordBytes& b) {
             PutLe32(b, 24, 500); PutLe32(b, 28, static_cast<std::uint32_t>(-7)); PutLe32(b, 32, static_cast<std::uint32_t>(-5));
             PutLe32(b, 48, 100001); PutLe32(b, 56, 1); PutLe32(b, 60, 2); PutLe32(b, 64, 3); },
         [](SetupValues& v) { v.m_nFoodDensity = 500; v.m_nFoodPerPacket = -7; v.m_nWorkers = -5;
             v.m_nBreedInterval = 100001; v.m_nEnemies = 1; v.m_nMaxEnemies = 2; v.m_nEnemyBirthInterval = 3; }},
        {"clans byte 200", [](RecordBytes& b) { b[68] = 200; }, [](SetupValues& v) { v.m_nClans = 200; }},
        {"clans byte 255", [](RecordBytes& b) { b[68] = 255; }, [](SetupValues& v) { v.m_nClans = 255; }},
        {"load flag 1 is not taken", [](RecordBytes& b) { b[69] = 1; }, [](SetupValues&) {}},
    };
    for (const AcceptCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordBytes bytes;
        EncodeRecord(DefaultRecord(), bytes);
        c.edit(bytes);
        SetupValues actual, expected;
        SetDefaults(actual);
        SetDefaults(expected);
        c.expect(expected);
        ApplyRecord(DecodeRecord(bytes), actual);
        EXPECT_EQ(0, std::memcmp(&actual, &expected, sizeof actual));
    }
}

TEST(ApplyRecord, ColourDepthIndexTruncatesTowardZero)
{
    const struct { std::int32_t bits; std::int32_t index; } cases[] = {
        {8, 0}, {12, 0}, {16, 1}, {24, 2}, {31, 2}, {32, 3}, {0, -1}, {7, -1}, {-8, -2}, {INT32_MIN, -268435457},
    };
    for (const auto& c : cases) {
        SettingsRecord r = DefaultRecord();
        r.bitsPerPixel = c.bits;
        SetupValues v;
        SetDefaults(v);
        ApplyRecord(r, v);
        EXPECT_EQ(v.m_nColorDepthIndex, c.index) << "bits per pixel " << c.bits;
    }
}

TEST(BuildRecord, TypicalRunGivesTheseBytes)
{
    // A loaded 300 x 200 in 16 bits, clans changed to 5, sliders at 4 and 60.
    SetupValues v;
    SetDefaults(v);
    v.m_nHeight = 300;
    v.m_nWidth = 200;
    v.m_nColorDepthIndex = 1;
    v.m_nClans = 5;
    const SettingsRecord r = BuildRecord(v, 4, 60);
    RecordBytes bytes;
    bytes.fill(0xEE);
    EncodeRecord(r, bytes);
    const RecordBytes expected = {
        3, 0, 0, 0, 0x2C, 1, 0, 0, 0xC8, 0, 0, 0, 16, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0,
        3, 0, 0, 0,         // density
        0xDC, 5, 0, 0,      // 1500 per packet
        50, 0, 0, 0,        // workers
        20, 0, 0, 0,        // cisterns
        10, 0, 0, 0,        // sentinels
        4, 0, 0, 0,         // speed
        0xB0, 4, 0, 0,      // breed 1200
        60, 0, 0, 0,        // worker ratio
        20, 0, 0, 0,        // enemies
        20, 0, 0, 0,        // max enemies
        0, 0, 0, 0,         // enemy births
        5, 0, 0, 0,
    };
    for (std::size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST(BuildRecord, ConversionsOfListClansAndFlag)
{
    SetupValues v;
    SetDefaults(v);
    const struct { std::int32_t index, bits; } depths[] = {{-1, 0}, {0, 8}, {1, 16}, {2, 24}, {3, 0}, {-2, 0}, {INT32_MIN, 0}};
    for (const auto& c : depths) {
        v.m_nColorDepthIndex = c.index;
        EXPECT_EQ(BuildRecord(v, 1, 1).bitsPerPixel, c.bits) << "index " << c.index;
    }
    const struct { std::int32_t clans; std::uint8_t byte; } clans[] = {{5, 5}, {255, 255}, {256, 0}, {300, 44}, {-1, 255}};
    for (const auto& c : clans) {
        v.m_nClans = c.clans;
        EXPECT_EQ(BuildRecord(v, 1, 1).clans, c.byte) << "clans " << c.clans;
    }
    const struct { std::int32_t flag; std::uint8_t byte; } flags[] = {{0, 0}, {1, 1}, {2, 1}, {-1, 1}};
    for (const auto& c : flags) {
        v.m_bLoadFlag = c.flag;
        EXPECT_EQ(BuildRecord(v, 1, 1).loadFlag, c.byte) << "flag " << c.flag;
    }
}

TEST(ParseInteger, WholeDecimalIntegersOnly)
{
    const struct { const wchar_t* text; bool ok; std::int32_t value; } cases[] = {
        {L"0", true, 0}, {L"42", true, 42}, {L"-5", true, -5}, {L"+7", true, 7}, {L"007", true, 7},
        {L" 12 ", true, 12}, {L"\t300\t", true, 300},
        {L"2147483647", true, INT32_MAX}, {L"-2147483648", true, INT32_MIN},
        {L"2147483648", false, 0}, {L"-2147483649", false, 0}, {L"99999999999", false, 0},
        {L"4294967296", false, 0}, {L"4294967295", false, 0},
        {L"", false, 0}, {L"   ", false, 0}, {L"-", false, 0}, {L"+", false, 0}, {L"+-5", false, 0}, {L"-+5", false, 0},
        {L"--5", false, 0}, {L"- 5", false, 0}, {L"12abc", false, 0}, {L"abc", false, 0}, {L"0x10", false, 0},
        {L"1e3", false, 0}, {L"12.0", false, 0}, {L"1,000", false, 0}, {L"1 2", false, 0}, {L"12\n", false, 0},
        // Digits and blanks of other scripts, and characters whose low byte is a digit.
        {L"\xFF11\xFF12", false, 0}, {L"\x0661", false, 0}, {L"\x00A012", false, 0}, {L"1\x0132", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        const bool ok = ParseInteger(c.text, value);
        EXPECT_EQ(ok, c.ok) << "\"" << c.text << "\"";
        EXPECT_EQ(value, c.ok ? c.value : 12345) << "\"" << c.text << "\"";
    }
}

}  // namespace
