#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native, fuzz and Windows
# targets, runs the native tests (with the sanitizers), the fuzzer for a bounded
# time, and the Windows tests under Wine on an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

scripts/install-deps.sh

echo "== native build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host -j "$(nproc)" | tee -a "$log"

echo "== Windows program and tests"
. scripts/wine-env.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ "$KORVANE_WIN_PRESET" != win32 ]; then
    echo "This machine cannot run 32-bit x86 programs, so neither Wine's 32-bit part nor" \
         "the program: the Windows tests run a 64-bit build of the same sources, in a 64-bit Wine prefix."
    cmake --preset "$KORVANE_WIN_PRESET" >/dev/null
    cmake --build --preset "$KORVANE_WIN_PRESET"
fi
cmake --preset "$KORVANE_WIN_PRESET-tests" >/dev/null
cmake --build --preset "$KORVANE_WIN_PRESET-tests"

echo "== Windows tests under Wine ($WINEARCH)"
trap 'wine_session_stop; rm -f "$log"' EXIT
wine_session_start "build/$KORVANE_WIN_PRESET-tests/tests/keeper.exe"
ctest --preset "$KORVANE_WIN_PRESET-tests" | tee -a "$log"
wine_session_stop
trap 'rm -f "$log"' EXIT

echo "== fuzzing the settings record for ${FUZZ_SECONDS} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/fuzz.sh "$FUZZ_SECONDS"

total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log" | awk '{ n += $1 } END { print n }')
echo "the fuzzer found nothing; ctest, natively and under Wine:"
echo "tests: $total passed, 0 failed"
