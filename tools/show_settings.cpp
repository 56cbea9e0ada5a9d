// Prints what a settings file holds, field by field under the dialog's labels, for
// a player on Linux whose simulation lives in a Wine prefix:
//   korvane-settings <settings file>
// reads the file it is given (found by the run command on the prefix's drive C) as
// the program reads it: the first 72 bytes, a shorter file reading as the defaults
// past its end. Exit code 0 when the file was read, 1 when there is none, 2 when it
// could not be read.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "settings/settings_record.h"
#include "settings/setup_values.h"

namespace {

// The label as wide as the widest one; UTF-8 characters count once.
void PrintRow(const char* label, long value)
{
    int width = 0;
    for (const char* p = label; *p != '\0'; ++p)
        width += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    std::printf("  %s%*s %8ld\n", label, 34 - width, "", value);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-settings <settings file>\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        const bool none = errno == ENOENT || errno == ENOTDIR;
        std::printf(none ? "%s: no settings file\n" : "%s could not be read: %s\n", argv[1], std::strerror(errno));
        return none ? 1 : 2;
    }
    RecordBytes bytes;
    EncodeRecord(DefaultRecord(), bytes);
    std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::printf("%s could not be read\n", argv[1]);
        return 2;
    }
    const SettingsRecord r = DecodeRecord(bytes);
    std::printf("%s, version %d%s:\n", argv[1], r.version,
                r.version == kSettingsVersion ? "" : " (not ours: the dialog shows its defaults, with these sliders)");
    // In the dialog's order: terrain, ants, graphics and food, queen, enemies, clans.
    const struct { const char* label; long value; } rows[] = {
        {"Hauteur", r.height},
        {"Largeur", r.width},
        {"Ouvrières", r.workers},
        {"Sentinelles", r.sentinels},
        {"Citernes", r.cisterns},
        {"Bits par pixel", r.bitsPerPixel},
        {"Densité", r.foodDensity},
        {"Quantité par paquet", r.foodPerPacket},
        {"vitesse (1 max, 10 min)", r.speed},
        {"Charger kv (1 coché)", r.loadFlag},
        {"Freq de reproduction en tours", r.breedInterval},
        {"Pourcentage d'ouvrier dans larves", r.workerRatio},
        {"Nombre d'ennemis", r.enemies},
        {"Max. ennemis", r.maxEnemies},
        {"Freq. des naissances en tours", r.enemyBirthInterval},
        {"Nombre de Clans", r.clans},
    };
    for (const auto& row : rows)
        PrintRow(row.label, row.value);
    return 0;
}
