// The settings record: what the setup program hands over to the simulation, stored
// as 72 raw bytes in the settings file, little-endian, with no header or text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::int32_t kSettingsVersion = 3;
inline constexpr std::size_t kSettingsRecordSize = 72;

using RecordBytes = std::array<std::uint8_t, kSettingsRecordSize>;

// The fields in file order. The order is the simulation's, not the dialog's:
// cisterns come before sentinels, and the two slider positions sit between the
// edited values. Only EncodeRecord and DecodeRecord know the byte offsets.
struct SettingsRecord {
    std::int32_t version = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t bitsPerPixel = 0;      // 8, 16 or 24; 0 when no depth was chosen
    std::uint8_t reserved1[8] = {};     // never interpreted, written as zeros
    std::int32_t foodDensity = 0;
    std::int32_t foodPerPacket = 0;
    std::int32_t workers = 0;
    std::int32_t cisterns = 0;
    std::int32_t sentinels = 0;
    std::int32_t speed = 0;             // speed slider, 1 to 10
    std::int32_t breedInterval = 0;
    std::int32_t workerRatio = 0;       // worker-percentage slider, 1 to 100
    std::int32_t enemies = 0;
    std::int32_t maxEnemies = 0;
    std::int32_t enemyBirthInterval = 0;
    std::uint8_t clans = 0;             // one unsigned byte
    std::uint8_t loadFlag = 0;          // 1 or 0
    std::uint8_t reserved2[2] = {};     // never interpreted, written as zeros
};

void EncodeRecord(const SettingsRecord& record, RecordBytes& bytes);
SettingsRecord DecodeRecord(const RecordBytes& bytes);
