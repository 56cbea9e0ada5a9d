// The values the setup dialog edits and the rules that turn a settings record into
// them and back. Plain data: no window is needed to use or test any of it.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"

// The fourteen edited values, in the order the dialog transfers them, with their
// defaults.
struct SetupValues {
    std::int32_t m_nHeight = 100;
    std::int32_t m_nWidth = 100;
    std::int32_t m_nWorkers = 50;
    std::int32_t m_nSentinels = 10;
    std::int32_t m_nCisterns = 20;
    std::int32_t m_nColorDepthIndex = 0;    // index in the list "8", "16", "24"; -1 for none
    std::int32_t m_nFoodDensity = 3;
    std::int32_t m_nFoodPerPacket = 1500;
    std::int32_t m_bLoadFlag = 0;           // the "Charger kv" box, 0 or 1
    std::int32_t m_nBreedInterval = 1200;
    std::int32_t m_nEnemyBirthInterval = 0;
    std::int32_t m_nMaxEnemies = 20;
    std::int32_t m_nEnemies = 20;
    std::int32_t m_nClans = 3;
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

inline void SetDefaults(SetupValues& values) { values = SetupValues(); }

// Takes the values of a record read from the file; a record of another version
// changes nothing. The load box is never taken from the file.
void ApplyRecord(const SettingsRecord& record, SetupValues& values);

// A new record from the values and the sliders' positions; nothing of the record
// read at start-up is reused, so the reserved bytes are zeros.
SettingsRecord BuildRecord(const SetupValues& values, std::int32_t speed, std::int32_t workerRatio);

// What the file would hold if the dialog were confirmed without a file and without
// changes: what a missing or short file reads as.
SettingsRecord DefaultRecord();
