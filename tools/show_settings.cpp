// Prints what a settings file holds, field by field under the dialog's labels, for
// a player on Linux whose simulation lives in a Wine prefix:
//   korvane-settings <settings file>
// reads the settings file (found by the run command on the prefix's drive C, in
// whatever case Wine finds it: KORVANE.INI is C:\korvane.ini there) with the
// program's own loading code. Exit code 0 when the file was read, 1 when there is
// none, 2 when it could not be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libgen.h>
#include <unistd.h>

#include "platform/file.h"
#include "settings/settings_file.h"

namespace {

// The label as wide as the widest one; UTF-8 characters count once.
void PrintRow(const char* label, long value)
{
    int width = 0;
    for (const char* p = label; *p != '\0'; ++p)
        width += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    std::printf("  %s%*s %8ld\n", label, 34 - width, "", value);
}

// A message as UTF-8, whatever the locale.
void PrintWide(const wchar_t* text)
{
    for (; *text != L'\0'; ++text) {
        const auto c = static_cast<unsigned long>(*text);
        if (c < 0x80)
            std::putchar(static_cast<int>(c));
        else if (c < 0x800)
            std::printf("%c%c", static_cast<int>(0xC0 | (c >> 6)), static_cast<int>(0x80 | (c & 0x3F)));
        else
            std::printf("%c%c%c", static_cast<int>(0xE0 | (c >> 12)), static_cast<int>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<int>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-settings <settings file>\n");
        return 2;
    }
    // The settings code finds drive C's root in the current folder, and the file
    // there by its name in lower case: one in another case is read through a link
    // of that name in a folder of its own.
    char copy[4096], path[4096];
    std::snprintf(copy, sizeof copy, "%s", argv[1]);
    const char* name = ::basename(copy);
    const bool other = std::strcmp(name, "korvane.ini") != 0;
    char folder[] = "/tmp/korvane-settings-XXXXXX";
    if (::realpath(argv[1], path) == nullptr)
        std::snprintf(path, sizeof path, "%s", argv[1]);    // not there (yet): LoadSettings says so
    if (other ? ::mkdtemp(folder) == nullptr || ::chdir(folder) != 0 || ::symlink(path, "korvane.ini") != 0
              : ::chdir(::dirname(path)) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    struct Cleanup {
        bool bOther;
        const char* pszFolder;
        ~Cleanup()
        {
            if (bOther) {
                ::unlink("korvane.ini");
                ::rmdir(pszFolder);
            }
        }
    } cleanup{other, folder};
    SettingsRecord r;
    CFileException error;
    switch (LoadSettings(r, &error)) {
    case LoadResult::noFile:
        std::printf("%s: no settings file\n", argv[1]);
        return 1;
    case LoadResult::unreadable: {
        wchar_t message[512];
        error.GetErrorMessage(message, 512);
        std::printf("%s could not be read: ", argv[1]);
        PrintWide(message);
        std::printf("\n");
        return 2;
    }
    case LoadResult::loaded:
        break;
    }
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
