// The values the setup dialog edits and the rules that turn a settings record into
// them and back. Plain data: no window is needed to use or test any of it.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"

// The fourteen edited values, in the order the dialog transfers them.
struct SetupValues {
    std::int32_t m_nHeight;
    std::int32_t m_nWidth;
    std::int32_t m_nWorkers;
    std::int32_t m_nSentinels;
    std::int32_t m_nCisterns;
    std::int32_t m_nColorDepthIndex;    // index in the list "8", "16", "24"; -1 for none
    std::int32_t m_nFoodDensity;
    std::int32_t m_nFoodPerPacket;
    std::int32_t m_bLoadFlag;           // the "Charger kv" box, 0 or 1
    std::int32_t m_nBreedInterval;
    std::int32_t m_nEnemyBirthInterval;
    std::int32_t m_nMaxEnemies;
    std::int32_t m_nEnemies;
    std::int32_t m_nClans;
};

// The two sliders hold their values themselves; these are their ranges, and the
// positions asked for when no settings file could be opened.
inline constexpr std::int32_t kSpeedMin = 1;
inline constexpr std::int32_t kSpeedMax = 10;
inline constexpr std::int32_t kSpeedWithoutFile = 0;          // the slider raises it to 1
inline constexpr std::int32_t kWorkerRatioMin = 1;
inline constexpr std::int32_t kWorkerRatioMax = 100;
inline constexpr std::int32_t kWorkerRatioWithoutFile = 75;
inline constexpr std::int32_t kWorkerRatioTicFrequency = 5;

void SetDefaults(SetupValues& values);

// Takes the values of a record read from the file; a record of another version
// changes nothing. The load box is never taken from the file.
void ApplyRecord(const SettingsRecord& record, SetupValues& values);

// A new record from the values and the sliders' positions; nothing of the record
// read at start-up is reused, so the reserved bytes are zeros.
SettingsRecord BuildRecord(const SetupValues& values, std::int32_t speed, std::int32_t workerRatio);

// What the file would hold if the dialog were confirmed without a file and without
// changes: what a missing or short file reads as.
SettingsRecord DefaultRecord();
