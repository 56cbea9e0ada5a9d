#!/usr/bin/env bash
# Builds everything and runs every test: natively with the sanitizers, under Wine
# on an X server of its own, then the fuzzer (FUZZ_SECONDS, 30). With a regular
# expression, only the ctest entries it matches run, and no fuzzer:
#   scripts/test.sh dialog_tests     (GTEST_FILTER=... narrows an entry's cases)
# See docs/tests.md.
set -euo pipefail
cd "$(dirname "$0")/.."
only=${1:-}

scripts/install-deps.sh
export KORVANE_DEPS_CHECKED=1    # the commands it runs need not ask apt again
. scripts/lib/wine-session.sh
. tests/support/full-disk.sh
wine_env
# What an earlier run that was killed left: its Wine servers and work folders.
for prefix in build/wineprefix build/wineprefix64 build/work/*/*/; do prefix_forget "$prefix"; done
rm -rf build/work
log=$(work_folder test)/ctest.log
status=0

echo "== native build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
korvane_build host
ctest --preset host -j "$(nproc)" ${only:+-R "$only"} | tee -a "$log" || status=1

echo "== Windows program and tests"
say_build test
korvane_build win32 "$KORVANE_WIN_PRESET" "$KORVANE_WIN_PRESET-tests"

echo "== Windows tests under Wine ($WINEARCH)"
trap 'full_disk_stop; wine_session_stop' EXIT
wine_session_start "build/$KORVANE_WIN_PRESET-tests/tests/keeper.exe"
full_disk_start
ctest --preset "$KORVANE_WIN_PRESET-tests" ${only:+-R "$only"} | tee -a "$log" || status=1
full_disk_stop
wine_session_stop

fuzz=0
if [ -z "$only" ]; then
    echo "== fuzzing the settings record for ${FUZZ_SECONDS:-30} s"
    korvane_build fuzz
    scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || { fuzz=1; status=1; }
fi

# ctest's own counts, natively and under Wine, and the fuzzer as one more.
read -r failed total < <(sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' "$log" |
    awk -v f="$fuzz" -v run="$([ -z "$only" ] && echo 1 || echo 0)" \
        '{ failed += $1; total += $2 } END { print failed + f, total + run }')
echo "tests: $((total - failed)) passed, $failed failed"
[ "$status" -ne 0 ] || rm -rf build/work
exit "$status"
