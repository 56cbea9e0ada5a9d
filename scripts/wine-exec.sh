#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix: the emulator that ctest uses
# for the Windows test executables. Its output goes through a file, so that nothing
# it starts (a help viewer, a planted program) keeps ctest's output pipe open after
# it has ended; and it is ended if it runs longer than KORVANE_TEST_SECONDS (100),
# inside ctest's own limit.
. "$(dirname "$0")/wine-env.sh"
wine_prefix_init
mkdir -p "$KORVANE_ROOT/build/work"
out=$KORVANE_ROOT/build/work/wine-exec-$$.out
limit=${KORVANE_TEST_SECONDS:-100}
timeout -k 5 "$limit" "$KORVANE_WINE" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
[ "$status" -ne 124 ] || echo "wine-exec: $1 ran longer than $limit s and was ended"
exit "$status"
