#include "settings/settings_record.h"

#include <algorithm>

namespace {

// Byte offsets of the fields in the file.
enum Offset : std::size_t {
    kVersion = 0,
    kHeight = 4,
    kWidth = 8,
    kBitsPerPixel = 12,
    kReserved1 = 16,            // 8 bytes
    kFoodDensity = 24,
    kFoodPerPacket = 28,
    kWorkers = 32,
    kCisterns = 36,
    kSentinels = 40,
    kSpeed = 44,
    kBreedInterval = 48,
    kWorkerRatio = 52,
    kEnemies = 56,
    kMaxEnemies = 60,
    kEnemyBirthInterval = 64,
    kClans = 68,                // 1 byte
    kLoadFlag = 69,             // 1 byte
    kReserved2 = 70,            // 2 bytes
};
static_assert(kReserved2 + 2 == kSettingsRecordSize);

void PutInt32(RecordBytes& bytes, std::size_t offset, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t GetInt32(const RecordBytes& bytes, std::size_t offset)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i)
        bits |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return static_cast<std::int32_t>(bits);  // two's complement, defined since C++20
}

}  // namespace

void EncodeRecord(const SettingsRecord& r, RecordBytes& bytes)
{
    PutInt32(bytes, kVersion, r.version);
    PutInt32(bytes, kHeight, r.height);
    PutInt32(bytes, kWidth, r.width);
    PutInt32(bytes, kBitsPerPixel, r.bitsPerPixel);
    std::copy(std::begin(r.reserved1), std::end(r.reserved1), bytes.begin() + kReserved1);
    PutInt32(bytes, kFoodDensity, r.foodDensity);
    PutInt32(bytes, kFoodPerPacket, r.foodPerPacket);
    PutInt32(bytes, kWorkers, r.workers);
    PutInt32(bytes, kCisterns, r.cisterns);
    PutInt32(bytes, kSentinels, r.sentinels);
    PutInt32(bytes, kSpeed, r.speed);
    PutInt32(bytes, kBreedInterval, r.breedInterval);
    PutInt32(bytes, kWorkerRatio, r.workerRatio);
    PutInt32(bytes, kEnemies, r.enemies);
    PutInt32(bytes, kMaxEnemies, r.maxEnemies);
    PutInt32(bytes, kEnemyBirthInterval, r.enemyBirthInterval);
    bytes[kClans] = r.clans;
    bytes[kLoadFlag] = r.loadFlag;
    std::copy(std::begin(r.reserved2), std::end(r.reserved2), bytes.begin() + kReserved2);
}

SettingsRecord DecodeRecord(const RecordBytes& bytes)
{
    SettingsRecord r;
    r.version = GetInt32(bytes, kVersion);
    r.height = GetInt32(bytes, kHeight);
    r.width = GetInt32(bytes, kWidth);
    r.bitsPerPixel = GetInt32(bytes, kBitsPerPixel);
    std::copy_n(bytes.begin() + kReserved1, sizeof r.reserved1, r.reserved1);
    r.foodDensity = GetInt32(bytes, kFoodDensity);
    r.foodPerPacket = GetInt32(bytes, kFoodPerPacket);
    r.workers = GetInt32(bytes, kWorkers);
    r.cisterns = GetInt32(bytes, kCisterns);
    r.sentinels = GetInt32(bytes, kSentinels);
    r.speed = GetInt32(bytes, kSpeed);
    r.breedInterval = GetInt32(bytes, kBreedInterval);
    r.workerRatio = GetInt32(bytes, kWorkerRatio);
    r.enemies = GetInt32(bytes, kEnemies);
    r.maxEnemies = GetInt32(bytes, kMaxEnemies);
    r.enemyBirthInterval = GetInt32(bytes, kEnemyBirthInterval);
    r.clans = bytes[kClans];
    r.loadFlag = bytes[kLoadFlag];
    std::copy_n(bytes.begin() + kReserved2, sizeof r.reserved2, r.reserved2);
    return r;
}
