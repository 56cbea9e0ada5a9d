// Any bytes as the settings file's content: decode them as loading does (a shorter
// file reads as the defaults past its end), take the values as the dialog would and
// build the record OK would save. Whatever the input, that record is one of version
// 3 with its reserved bytes zero, and decoding it again gives back the same values.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/settings_record.h"
#include "settings/setup_values.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings_record: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RecordBytes bytes;
    EncodeRecord(DefaultRecord(), bytes);
    std::copy_n(data, std::min(size, bytes.size()), bytes.begin());
    const SettingsRecord loaded = DecodeRecord(bytes);

    SetupValues values;
    SetDefaults(values);
    ApplyRecord(loaded, values);
    RecordBytes written;
    EncodeRecord(BuildRecord(values, loaded.speed, loaded.workerRatio), written);
    Check(written[0] == 3 && written[1] == 0 && written[2] == 0 && written[3] == 0, "version is not 3");
    for (std::size_t i : {16u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 70u, 71u})
        Check(written[i] == 0, "a reserved byte was carried over");
    Check(written[69] <= 1, "load flag is not 0 or 1");

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
