// Prints what a settings file holds, field by field under the dialog's labels, for
// a player on Linux whose simulation lives in a Wine prefix:
//   korvane-settings <drive_c folder>
// reads <drive_c folder>/korvane.ini with the program's own loading code, whatever
// the case of its name (Windows names are case-blind: Wine finds KORVANE.INI for
// C:\korvane.ini when there is no korvane.ini). Exit code 0 when the file was read,
// 1 when there is none, 2 when it could not be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
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

// The name of the settings file in the current folder as Wine finds it: in this
// case first, else in any case; "korvane.ini" when there is none.
void SettingsName(char (&name)[256])
{
    std::strcpy(name, "korvane.ini");
    if (::access(name, F_OK) == 0)
        return;
    if (DIR* dir = ::opendir(".")) {
        while (const dirent* entry = ::readdir(dir)) {
            if (::strcasecmp(entry->d_name, "korvane.ini") == 0) {
                std::strcpy(name, entry->d_name);
                break;
            }
        }
        ::closedir(dir);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-settings <drive_c folder>\n");
        return 2;
    }
    // The settings code finds drive C's root in the current folder, and the file
    // there by the name in lower case: one in another case is read through a link
    // of that name in a folder of its own.
    char name[256];
    if (::chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    SettingsName(name);
    char folder[] = "/tmp/korvane-settings-XXXXXX";
    char path[4096];
    const bool other = std::strcmp(name, "korvane.ini") != 0;
    if (other && (::realpath(name, path) == nullptr || ::mkdtemp(folder) == nullptr || ::chdir(folder) != 0 ||
                  ::symlink(path, "korvane.ini") != 0)) {
        std::perror(name);
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
        std::printf("%s/%s: no settings file\n", argv[1], name);
        return 1;
    case LoadResult::unreadable: {
        wchar_t message[512];
        error.GetErrorMessage(message, 512);
        std::printf("%s/%s could not be read: ", argv[1], name);
        PrintWide(message);
        std::printf("\n");
        return 2;
    }
    case LoadResult::loaded:
        break;
    }
    std::printf("%s/%s, version %d%s:\n", argv[1], name, r.version,
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
