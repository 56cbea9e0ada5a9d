// Any bytes as the settings file: load them, take the values as the dialog would,
// build the record OK would build and save it, with things standing at temporary
// names. Whatever the input, the saved file is one whole record of version 3 with its
// reserved bytes zero, loading it again gives back the same values, and what stood
// at a temporary name is untouched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file.h"
#include "settings/settings_file.h"
#include "settings/setup_values.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings_file: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen("korvane.ini", "wb");
    Check(f != nullptr, "cannot write the input file");
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    // The input's last byte also puts things at the temporary names a save may try:
    // a folder or a file at the old fixed name and at this process's first name.
    char first[64];
    std::snprintf(first, sizeof first, "korvane.ini.%08lx.tmp", static_cast<unsigned long>(getpid()));
    const char* names[] = {"korvane.ini.tmp", first};
    const unsigned things = size > 0 ? data[size - 1] : 0;
    for (int i = 0; i < 2; ++i) {
        const unsigned thing = (things >> (2 * i)) & 3;
        if (thing == 1)
            Check(mkdir(names[i], 0755) == 0, "cannot make a folder at a temporary name");
        if (thing >= 2)
            Check(std::fclose(std::fopen(names[i], "wb")) == 0, "cannot make a file at a temporary name");
    }

    SetupValues values;
    SetDefaults(values);
    SettingsRecord loaded = DefaultRecord();
    Check(LoadSettings(loaded) == LoadResult::loaded, "an existing file did not load");
    ApplyRecord(loaded, values);
    const SettingsRecord built = BuildRecord(values, loaded.speed, loaded.workerRatio);
    SaveSettings(built);

    RecordBytes written{};
    f = std::fopen("korvane.ini", "rb");
    Check(f != nullptr, "the saved file is missing");
    const std::size_t n = std::fread(written.data(), 1, written.size(), f);
    const int extra = std::fgetc(f);
    std::fclose(f);
    Check(n == kSettingsRecordSize && extra == EOF, "the saved file is not 72 bytes");
    Check(written[0] == 3 && written[1] == 0 && written[2] == 0 && written[3] == 0, "version is not 3");
    for (std::size_t i : {16u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 70u, 71u})
        Check(written[i] == 0, "a reserved byte was carried over");
    Check(written[69] <= 1, "load flag is not 0 or 1");
    for (int i = 0; i < 2; ++i) {
        const unsigned thing = (things >> (2 * i)) & 3;
        struct stat st;
        const bool there = stat(names[i], &st) == 0;
        Check(there == (thing != 0) && (thing != 1 || S_ISDIR(st.st_mode)) && (thing < 2 || st.st_size == 0),
              "the save changed what stood at a temporary name");
        if (thing == 1)
            rmdir(names[i]);
        else if (thing >= 2)
            unlink(names[i]);
    }

    SetupValues again;
    SetDefaults(again);
    ApplyRecord(DecodeRecord(written), again);
    // What was saved comes back, except a depth outside the list, which reads as none.
    SetupValues expected = values;
    if (expected.m_nColorDepthIndex < 0 || expected.m_nColorDepthIndex > 2)
        expected.m_nColorDepthIndex = -1;
    Check(std::memcmp(&again, &expected, sizeof again) == 0, "the saved values do not load back");
    return 0;
}
