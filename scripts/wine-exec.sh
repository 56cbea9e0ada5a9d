#!/usr/bin/env bash
# Runs a Windows test program in the tests' Wine prefix, for ctest. Its output goes
# through a file, so that nothing it starts (a help viewer, a planted program) keeps
# ctest's output pipe open; it is ended after KORVANE_TEST_SECONDS (100), inside
# ctest's own limit.
. "$(dirname "$0")/lib/wine-session.sh"
wine_env
wine_prefix_init
out=$(work_folder "wine-exec-$$")/out
limit=${KORVANE_TEST_SECONDS:-100}
timeout -k 5 "$limit" "$KORVANE_WINE" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -rf "$(dirname "$out")"
[ "$status" -ne 124 ] || echo "wine-exec: $1 ran longer than $limit s and was ended"
exit "$status"
