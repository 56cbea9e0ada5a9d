#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native, fuzz and Windows
# targets, runs the native tests (with the sanitizers), the fuzzer for a bounded
# time, and the Windows tests under Wine on an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-30}

scripts/install-deps.sh
. scripts/wine-env.sh
# What an earlier run that was killed left: its Wine servers and work folders (and
# its full disk, which the session's start unmounts).
for prefix in build/wineprefix build/wineprefix64 build/work/*/*/; do prefix_forget "$prefix"; done
rm -rf build/work
log=$(work_folder test)/ctest.log
status=0

echo "== native build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host -j "$(nproc)" | tee -a "$log" || status=1

echo "== Windows program and tests"
cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ "$KORVANE_WIN_PRESET" != win32 ]; then
    say_build test
    cmake --preset "$KORVANE_WIN_PRESET" >/dev/null
    cmake --build --preset "$KORVANE_WIN_PRESET"
fi
cmake --preset "$KORVANE_WIN_PRESET-tests" >/dev/null
cmake --build --preset "$KORVANE_WIN_PRESET-tests"

echo "== Windows tests under Wine ($WINEARCH)"
trap wine_session_stop EXIT
wine_session_start "build/$KORVANE_WIN_PRESET-tests/tests/keeper.exe"
ctest --preset "$KORVANE_WIN_PRESET-tests" | tee -a "$log" || status=1
wine_session_stop
trap - EXIT

echo "== fuzzing the settings record for ${FUZZ_SECONDS} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzz=0
scripts/fuzz.sh "$FUZZ_SECONDS" || { fuzz=1; status=1; }

# ctest's own counts, natively and under Wine, and the fuzzer as one more.
read -r failed total < <(sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' "$log" |
    awk -v f="$fuzz" '{ failed += $1; total += $2 } END { print failed + f, total + 1 }')
echo "tests: $((total - failed)) passed, $failed failed"
[ "$status" -ne 0 ] || rm -rf build/work
exit "$status"
