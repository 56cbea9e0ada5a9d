#include "settings/settings_record.h"

#include <algorithm>

namespace {

// The 32-bit fields at their byte offsets, in file order. Between them: 8 reserved
// bytes at 16; after them, one byte each of clans (68) and of the load flag (69),
// and 2 reserved bytes (70).
const struct {
    std::size_t offset;
    std::int32_t SettingsRecord::*field;
} kInt32Fields[] = {
    {0, &SettingsRecord::version},
    {4, &SettingsRecord::height},
    {8, &SettingsRecord::width},
    {12, &SettingsRecord::bitsPerPixel},
    {24, &SettingsRecord::foodDensity},
    {28, &SettingsRecord::foodPerPacket},
    {32, &SettingsRecord::workers},
    {36, &SettingsRecord::cisterns},
    {40, &SettingsRecord::sentinels},
    {44, &SettingsRecord::speed},
    {48, &SettingsRecord::breedInterval},
    {52, &SettingsRecord::workerRatio},
    {56, &SettingsRecord::enemies},
    {60, &SettingsRecord::maxEnemies},
    {64, &SettingsRecord::enemyBirthInterval},
};
constexpr std::size_t kReserved1 = 16, kClans = 68, kLoadFlag = 69, kReserved2 = 70;
static_assert(kReserved2 + sizeof SettingsRecord::reserved2 == kSettingsRecordSize);

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
    for (const auto& f : kInt32Fields)
        PutInt32(bytes, f.offset, r.*f.field);
    std::copy(std::begin(r.reserved1), std::end(r.reserved1), bytes.begin() + kReserved1);
    bytes[kClans] = r.clans;
    bytes[kLoadFlag] = r.loadFlag;
    std::copy(std::begin(r.reserved2), std::end(r.reserved2), bytes.begin() + kReserved2);
}

SettingsRecord DecodeRecord(const RecordBytes& bytes)
{
    SettingsRecord r;
    for (const auto& f : kInt32Fields)
        r.*f.field = GetInt32(bytes, f.offset);
    std::copy_n(bytes.begin() + kReserved1, sizeof r.reserved1, r.reserved1);
    r.clans = bytes[kClans];
    r.loadFlag = bytes[kLoadFlag];
    std::copy_n(bytes.begin() + kReserved2, sizeof r.reserved2, r.reserved2);
    return r;
}
