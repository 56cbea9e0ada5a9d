#!/usr/bin/env bash
# The archive a Windows player downloads, packed as scripts/release.sh packs it from
# the tested program: exactly its two files, the program byte for byte the tested
# one, a page that Notepad reads right (UTF-8 with its byte-order mark, CRLF line
# ends) and that names the archive; unpacked under C:\Program Files\Jeux d'été\
# Korvane\, the program starts under Wine and OK saves. Where Wine's 32-bit part
# cannot run, the same archive of the 64-bit build is the one started.
#   release_test.sh <32-bit korvane-setup.exe> <the build the tests run> <press_ok.exe>
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib/wine-session.sh"
. "$root/scripts/lib/release.sh"
. "$root/tests/support/records.sh"
. "$root/tests/support/press.sh"
wine_env
press=$3
work=$(work_folder release_test)
drive_c=$(prefix_drive_c "$WINEPREFIX")
games="$drive_c/Program Files/Jeux d'été"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
trap 'rm -rf "$work" "$games" "$drive_c/korvane.ini"' EXIT

version=$(release_version <"$root/res/setup.rc")
zip=$(release_archive "$root" "$1" "$work")
[ "$(unzip -Z1 "$zip" | tr '\n' ' ')" = "korvane-setup.exe LISEZMOI.txt " ] ||
    fail "the archive holds: $(unzip -Z1 "$zip" | tr '\n' ' ')"
unzip -p "$zip" korvane-setup.exe | cmp -s - "$1" || fail "its korvane-setup.exe is not the tested one"
unzip -p "$zip" LISEZMOI.txt >"$work/page"
[ "$(head -c3 "$work/page" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the page has no UTF-8 byte-order mark"
! grep -qv $'\r$' "$work/page" || fail "a line of the page does not end with CRLF"
iconv -f UTF-8 -t UTF-16 "$work/page" >/dev/null || fail "the page is not UTF-8"
grep -q "certutil -hashfile korvane-setup-$version.zip SHA256" "$work/page" || fail "the page does not name the archive"

started=$zip
if [ "$KORVANE_WINDOWS_ARCH" != i686 ]; then
    echo "the 32-bit program cannot run here: started from the same archive of the 64-bit build"
    started=$(release_archive "$root" "$2" "$work/64-bit")
fi
mkdir -p "$games/Korvane"
unzip -q "$started" -d "$games/Korvane"
rm -f "$drive_c/korvane.ini"
run_pressing "$WINEPREFIX" 7 "$work/run" "" "$KORVANE_WINE" "C:\\Program Files\\Jeux d'été\\Korvane\\korvane-setup.exe" ||
    fail "the unpacked program did not end through OK: $(cat "$work/run")"
[ "$(clans "$drive_c/korvane.ini")" = 7 ] || fail "OK in the unpacked program saved no settings file"

[ "$failures" -eq 0 ] && echo "the release archive: ok ($(stat -c %s "$zip") bytes)"
exit $((failures > 0))
