#!/usr/bin/env bash
# The run command in a player's own Wine prefix: in a 64-bit prefix (and a 32-bit
# one where this machine runs 32-bit programs) made here, the dialog shows, OK
# writes DIR/drive_c/korvane.ini, the command prints its values and changes nothing
# else in the prefix but the fonts it says it added; a folder that is not a Wine
# prefix is refused. Needs an X display (the test session's).
#   run_prefix_test.sh <korvane-setup.exe> <press_ok.exe>
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1 press=$2
. "$root/scripts/wine-env.sh"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
    for p in "$work"/win*; do [ -d "$p" ] && WINEPREFIX=$p wineserver -k >/dev/null 2>&1; done
    rm -rf "$work"
}
trap cleanup EXIT

archs=win64
[ "$KORVANE_WINDOWS_ARCH" = i686 ] && archs="win32 win64"
for arch in $archs; do
    prefix=$work/$arch
    loader=wine
    [ "$arch" = win64 ] && loader=/usr/lib/wine/wine64     # as a player's 64-bit Wine makes one
    WINEPREFIX=$prefix WINEARCH=$arch "$loader" wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX=$prefix wineserver -w    # the registry is on disk once the prefix's server has ended
    [ -f "$prefix/system.reg" ] || { fail "$arch: no prefix could be made"; continue; }
    before=$(cd "$prefix" && find . -path ./drive_c/windows/Fonts -prune -o -type f -print | sort)

    out=$work/$arch.out
    KORVANE_SETUP_EXE=$program "$root/scripts/run.sh" --prefix "$prefix" >"$out" 2>&1 </dev/null &
    run=$!
    env -u WINEARCH WINEPREFIX="$prefix" "$KORVANE_WINE" "$press" 7 >"$work/$arch.press" 2>&1 </dev/null ||
        fail "$arch: $(cat "$work/$arch.press")"
    wait "$run" || fail "$arch: the run command ended with $?: $(cat "$out")"
    echo "== $arch prefix"; cat "$out"

    saved=$prefix/drive_c/korvane.ini
    [ "$(stat -c %s "$saved" 2>/dev/null)" = 72 ] || fail "$arch: no 72-byte settings file in the prefix"
    [ "$(od -An -tu1 -j68 -N1 "$saved" 2>/dev/null | tr -d ' ')" = 7 ] || fail "$arch: the file does not hold 7 clans"
    grep -Eq 'Nombre de Clans +7$' "$out" || fail "$arch: the values were not printed"
    grep -q "^run: added [0-9]* of Wine's fonts" "$out" || fail "$arch: the fonts it added were not said"
    after=$(cd "$prefix" && find . -path ./drive_c/windows/Fonts -prune -o -type f -print | grep -vx './drive_c/korvane.ini' | sort)
    [ "$before" = "$after" ] || fail "$arch: files came or went: $(diff <(echo "$before") <(echo "$after") | grep '^[<>]')"
    ! grep -q 'Managed' "$prefix/user.reg" || fail "$arch: a setting of the tests' own was written into the prefix"
done

mkdir "$work/not-a-prefix"
if KORVANE_SETUP_EXE=$program "$root/scripts/run.sh" --prefix "$work/not-a-prefix" >"$work/refused.out" 2>&1; then
    fail "a folder that is not a Wine prefix was taken"
fi
grep -q 'is not a Wine prefix' "$work/refused.out" || fail "no reason given: $(cat "$work/refused.out")"
[ -z "$(ls -A "$work/not-a-prefix")" ] || fail "something was written into the folder that is not a prefix"

[ "$failures" -eq 0 ] && echo "run --prefix: ok ($archs)"
exit $((failures > 0))
