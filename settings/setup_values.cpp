#include "settings/setup_values.h"

void ApplyRecord(const SettingsRecord& r, SetupValues& v)
{
    if (r.version != kSettingsVersion)
        return;
    // The terrain is at least 20 wide and high, the same floor the dialog enforces.
    v.m_nHeight = r.height >= 20 ? r.height : 100;
    v.m_nWidth = r.width >= 20 ? r.width : 100;
    v.m_nWorkers = r.workers;
    v.m_nSentinels = r.sentinels;
    v.m_nCisterns = r.cisterns;
    v.m_nFoodDensity = r.foodDensity;
    v.m_nFoodPerPacket = r.foodPerPacket;
    v.m_nBreedInterval = r.breedInterval;
    v.m_nEnemies = r.enemies;
    v.m_nMaxEnemies = r.maxEnemies;
    v.m_nEnemyBirthInterval = r.enemyBirthInterval;
    // 8, 16 and 24 bits give the list's entries 0, 1 and 2; the division truncates,
    // so 12 gives 0 and 0 gives -1 (no entry).
    v.m_nColorDepthIndex = r.bitsPerPixel / 8 - 1;
    v.m_nClans = r.clans;
}

SettingsRecord BuildRecord(const SetupValues& v, std::int32_t speed, std::int32_t workerRatio)
{
    SettingsRecord r;
    r.version = kSettingsVersion;
    r.height = v.m_nHeight;
    r.width = v.m_nWidth;
    // Only the list's three entries have a depth; no entry (-1) is stored as 0.
    const bool listEntry = v.m_nColorDepthIndex >= 0 && v.m_nColorDepthIndex <= 2;
    r.bitsPerPixel = listEntry ? v.m_nColorDepthIndex * 8 + 8 : 0;
    r.foodDensity = v.m_nFoodDensity;
    r.foodPerPacket = v.m_nFoodPerPacket;
    r.workers = v.m_nWorkers;
    r.cisterns = v.m_nCisterns;
    r.sentinels = v.m_nSentinels;
    r.speed = speed;
    r.breedInterval = v.m_nBreedInterval;
    r.workerRatio = workerRatio;
    r.enemies = v.m_nEnemies;
    r.maxEnemies = v.m_nMaxEnemies;
    r.enemyBirthInterval = v.m_nEnemyBirthInterval;
    r.clans = static_cast<std::uint8_t>(v.m_nClans);    // the low 8 bits
    r.loadFlag = v.m_bLoadFlag != 0 ? 1 : 0;
    return r;
}

SettingsRecord DefaultRecord()
{
    return BuildRecord(SetupValues(), kSpeedMin, kWorkerRatioWithoutFile);
}
