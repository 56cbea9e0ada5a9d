#!/usr/bin/env bash
# A save under Wine as a Linux player meets it, in the tests' prefix: the settings
# file keeps its Unix mode, and a Unix link at C:\korvane.ini to a file kept
# elsewhere stays a link (Wine follows it), the file it names holding the new
# record. Drives the program with press_ok.
#   wine_save_test.sh <korvane-setup.exe> <press_ok.exe>
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1 press=$2
. "$root/scripts/lib/wine-session.sh"
wine_env
. "$root/tests/support/records.sh"
drive_c=$(prefix_drive_c "$WINEPREFIX")
settings=$drive_c/korvane.ini
elsewhere=$(work_folder wine_save)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
trap 'rm -rf "$settings" "$elsewhere"' EXIT

# Shows the dialog and presses OK with 7 clans; false when it did not go.
save() {
    "$KORVANE_WINE" "$program" >/dev/null 2>&1 </dev/null &
    local run=$!
    "$KORVANE_WINE" "$press" 7 >"$elsewhere/press.out" 2>&1 </dev/null
    local pressed=$?
    wait "$run"
    [ "$pressed" -eq 0 ] || { cat "$elsewhere/press.out"; return 1; }
}

for mode in 644 600 664; do
    rm -rf "$settings"
    old_record >"$settings"
    chmod "$mode" "$settings"
    save || { fail "mode $mode: the dialog did not save"; continue; }
    [ "$(clans "$settings")" = 7 ] || fail "mode $mode: the file does not hold the new record"
    [ "$(stat -c %a "$settings")" = "$mode" ] || fail "mode $mode became $(stat -c %a "$settings")"
done

rm -rf "$settings"
old_record >"$elsewhere/korvane.ini"
chmod 640 "$elsewhere/korvane.ini"
ln -s "$elsewhere/korvane.ini" "$settings"
if save; then
    [ -L "$settings" ] || fail "the link became a plain file"
    [ "$(clans "$elsewhere/korvane.ini")" = 7 ] || fail "the file the link names does not hold the new record"
    [ "$(stat -c %a "$elsewhere/korvane.ini")" = 640 ] || fail "the linked file's mode changed"
else
    fail "a link: the dialog did not save"
fi

[ "$failures" -eq 0 ] && echo "a save under Wine: modes 644, 600, 664 kept; a Unix link kept"
exit $((failures > 0))
