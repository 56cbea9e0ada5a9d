#!/usr/bin/env bash
# The run command, in a player's own Wine prefix and in its own. In a 64-bit prefix
# (and a 32-bit one where this machine runs 32-bit programs) made here in French:
# the dialog shows, OK writes the settings file on the prefix's drive C (in the
# first, a KORVANE.INI on a drive C moved to drive_x), the command prints its
# values, and every file of the prefix keeps its content but the settings file, the
# fonts it says it added and what any Wine start rewrites. Refused with nothing
# written: a prefix of another Wine, a folder that is not a prefix, a prefix of
# another user, whose owner's command then works as printed. Which Wine runs a
# prefix's server is told from the server itself. Without --prefix, on a display it did not
# start, the run leaves the window manager's handling alone; without a display it
# prints its picture's path. Each prefix is a copy of one booted once per run.
# Needs an X display (the test session's).
#   run_prefix_test.sh <korvane-setup.exe> <press_ok.exe>
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1 press=$2
. "$root/scripts/lib/wine-session.sh"
. "$root/scripts/lib/player-prefix.sh"
wine_env
. "$root/tests/support/records.sh"
. "$root/tests/support/press.sh"
work=$(work_folder run_prefix)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
    for p in "$work"/*/; do [ -f "$p/system.reg" ] && prefix_forget "$p"; done
    rm -rf "$work"
}
trap cleanup EXIT

french=(env -u WINEARCH LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8)
# Every file of a prefix with its checksum, the Fonts folder aside unless asked.
contents() {
    (cd "$1" && find . ${2:+-path './drive_*/windows/Fonts' -prune -o} -type f -print0 | sort -z |
        xargs -0 sha256sum)
}
# A registry file without what any Wine start rewrites in it (measured, and
# after the first start: see below): the time its server saved it (the ";; All
# keys relative to" header) and each key's time of change; and the display
# driver's date, which Wine's device setup writes anew at every start with a
# display. (Debian's Wine also rewrites the prefix's "wineserver" file, the name of
# its server's folder in /tmp, whenever that folder is gone.)
registry() {
    sed -e '/^;; All keys relative to/d' -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' \
        -e '/^"DriverDateData"=/d' "$1"
}
international() { sed -n '/^\[Control Panel\\\\International\]/,/^$/p' "$1/user.reg"; }

archs=win64
[ "$KORVANE_WINDOWS_ARCH" = i686 ] && archs="win32 win64"
# One prefix of each kind booted in French, as a player's Wine makes one (a 64-bit
# one with Wine's 64-bit loader). The first start after wineboot registers the
# devices again (keys and links that wineboot wrote, which that start drops or
# rewrites), whatever program it runs: one run of a program that does nothing
# settles that before any copy is taken.
for arch in $archs; do
    loader=/usr/lib/wine/wine
    [ "$arch" = win64 ] && loader=/usr/lib/wine/wine64
    "${french[@]}" WINEPREFIX="$work/booted-$arch" WINEARCH=$arch "$loader" wineboot -i >/dev/null 2>&1 </dev/null
    # (The registry is on disk, and a start is a first one, once the prefix's server has ended.)
    WINEPREFIX=$work/booted-$arch wineserver -w
    "${french[@]}" WINEPREFIX="$work/booted-$arch" "$KORVANE_WINE" "$press" >/dev/null 2>&1 </dev/null
    WINEPREFIX=$work/booted-$arch wineserver -w
    [ -f "$work/booted-$arch/system.reg" ] || fail "$arch: no prefix could be made"
done
# A prefix of the given kind, as booted, but for the name of its server's folder in
# /tmp (Debian's Wine keeps it in the prefix), which each copy makes for itself.
# The run command's own prefix is of the build's kind.
copy_prefix() { cp -a "$work/booted-$1" "$2" && rm -f "$2/wineserver"; }
own=$([ "$KORVANE_WINDOWS_ARCH" = i686 ] && echo win32 || echo win64)

first=yes
for arch in $archs; do
    prefix=$work/$arch
    copy_prefix "$arch" "$prefix" || { fail "$arch: no prefix to copy"; continue; }
    drive=$prefix/drive_c
    saved=$drive/korvane.ini
    if [ "$first" = yes ]; then
        # The player's drive C under another name, and their file in capitals.
        mv "$prefix/drive_c" "$prefix/drive_x"
        ln -sfn ../drive_x "$prefix/dosdevices/c:"
        drive=$prefix/drive_x
        saved=$drive/KORVANE.INI
        old_record >"$saved"
    fi
    first=no
    contents "$prefix" no-fonts >"$work/$arch.before"
    for reg in system user userdef; do registry "$prefix/$reg.reg" >"$work/$arch.$reg.before"; done
    international "$prefix" >"$work/$arch.intl.before"

    out=$work/$arch.out
    LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 run_pressing "$prefix" 7 "$out" "" \
        "${french[@]}" KORVANE_SETUP_EXE="$program" "$root/scripts/run.sh" --prefix "$prefix" ||
        fail "$arch: the run command did not save: $(cat "$out")"
    WINEPREFIX=$prefix wineserver -w
    echo "== $arch prefix"; cat "$out"

    [ "$(stat -c %s "$saved" 2>/dev/null)" = 72 ] || fail "$arch: no 72-byte settings file at $saved"
    [ "$(clans "$saved")" = 7 ] || fail "$arch: $saved does not hold 7 clans"
    [ "$(find "$drive" -maxdepth 1 -iname korvane.ini | wc -l)" = 1 ] || fail "$arch: a second settings file was made"
    grep -q "^Saved:" "$out" && grep -Eq 'Nombre de Clans +7$' "$out" || fail "$arch: the values were not printed"
    grep -q "^run: added [0-9]* of Wine's fonts" "$out" || fail "$arch: the fonts it added were not said"
    international "$prefix" | cmp -s - "$work/$arch.intl.before" ||
        fail "$arch: the regional settings changed: $(international "$prefix" | diff "$work/$arch.intl.before" - | grep '^[<>]' | head -5)"
    changed=$(contents "$prefix" no-fonts | diff "$work/$arch.before" - | sed -n 's/^> [0-9a-f]*  //p' |
        grep -vixF "./${drive#"$prefix"/}/korvane.ini" | grep -vE '^\./((system|user|userdef)\.reg|wineserver)$')
    [ -z "$changed" ] || fail "$arch: files changed: $changed"
    for reg in system user userdef; do
        registry "$prefix/$reg.reg" | cmp -s - "$work/$arch.$reg.before" ||
            fail "$arch: $reg.reg changed: $(registry "$prefix/$reg.reg" | diff "$work/$arch.$reg.before" - | grep '^[<>]' | head -5)"
    done
    ! grep -q 'Managed' "$prefix/user.reg" || fail "$arch: a setting of the tests' own was written into the prefix"
done

# A prefix that another Wine made is refused before anything, the fonts included,
# is written there.
echo 1234567890 >"$prefix/.update-timestamp"
rm -f "$drive/windows/Fonts/sserife.fon"
contents "$prefix" >"$work/stale.before"
# (Bounded: a run that goes ahead shows the dialog, which nothing here closes.)
timeout 60 env KORVANE_SETUP_EXE="$program" "$root/scripts/run.sh" --prefix "$prefix" >"$work/stale.out" 2>&1 </dev/null
case $? in
0 | 124) fail "a prefix of another Wine was run" ;;
esac
grep -q "last updated by another Wine (its .update-timestamp says 1234567890; .* of /usr/share/wine/wine.inf, " \
    "$work/stale.out" || fail "the stale prefix's refusal names not both Wines: $(cat "$work/stale.out")"
contents "$prefix" | cmp -s - "$work/stale.before" || fail "something was written into the stale prefix"

# Which Wine serves a prefix, from the running server itself.
WINEPREFIX=$prefix wineserver -p 30
served() { [ -n "$(prefix_server_of "$prefix")" ]; }
wait_for 10 served || fail "no server found for $prefix"
server=$(prefix_server_of "$prefix")
[ "$(wine_inf_of "$server")" = /usr/share/wine/wine.inf ] || fail "the server $server is not known as Debian's Wine"
WINEPREFIX=$prefix wineserver -k
# Refused before anything is written: a folder that is not a prefix, and a prefix
# of another user (made here as root, who may give a folder away).
mkdir "$work/not-a-prefix"
cases="not-a-prefix|is not a Wine prefix"
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$work/theirs/drive_c"
    printf 'WINE REGISTRY Version 2\n#arch=win64\n' >"$work/theirs/system.reg"   # runs on either kind
    chown -R 4321:4321 "$work/theirs"
    cases="$cases
theirs|belongs to 4321 (uid 4321), and Wine runs a prefix only as its owner"
fi
while IFS='|' read -r folder reason; do
    contents "$work/$folder" >"$work/$folder.before"
    if KORVANE_SETUP_EXE=$program "$root/scripts/run.sh" --prefix "$work/$folder" >"$work/$folder.out" 2>&1 </dev/null; then
        fail "$folder was taken as a prefix to run in"
    fi
    grep -q "$reason" "$work/$folder.out" || fail "$folder: no reason given: $(cat "$work/$folder.out")"
    contents "$work/$folder" | cmp -s - "$work/$folder.before" || fail "something was written into $folder"
done <<<"$cases"

# A prefix of another user, refused to root with the command to run as its owner,
# which then works as printed, though build/ is root's. Needs root, and a checkout
# that other users may read.
if [ "$(id -u)" = 0 ] && runuser -u nobody -- test -r "$root/scripts/run.sh"; then
    copy_prefix "$own" "$work/nobodys"
    chown -R nobody: "$work/nobodys"
    timeout 60 env KORVANE_SETUP_EXE="$program" "$root/scripts/run.sh" --prefix "$work/nobodys" \
        >"$work/nobodys.out" 2>&1 </dev/null && fail "root ran a prefix of nobody's"
    remedy=$(tail -n1 "$work/nobodys.out")
    case $remedy in
    "    runuser -u nobody -- $root/scripts/run.sh --prefix $work/nobodys") ;;
    *) fail "no command to run as the prefix's owner: $(cat "$work/nobodys.out")" ;;
    esac
    (cd / && run_pressing "$work/nobodys" 6 "$work/remedy.out" nobody \
        env KORVANE_SETUP_EXE="$program" bash -c "$remedy") ||
        fail "the command as printed did not save: $(cat "$work/remedy.out")"
    grep -Eq 'Nombre de Clans +6$' "$work/remedy.out" || fail "the command as printed printed no values: $(cat "$work/remedy.out")"
    setpriv --reuid=nobody --regid="$(id -g nobody)" --init-groups -- env WINEPREFIX="$work/nobodys" wineserver -w
else
    echo "skipped the owner's run as printed: it takes root, and a checkout that other users may read"
fi

# The run command in a prefix of its own, copied as booted (the run would boot it).
own_prefix() {
    copy_prefix "$own" "$work/$1" &&
        touch "$work/$1/.korvane-ready"
}
# On a display it did not start (this one), its own prefix keeps Wine's window
# management.
own_prefix own
run_pressing "$work/own" 8 "$work/own.out" "" env KORVANE_RUN_PREFIX="$work/own" KORVANE_SETUP_EXE="$program" \
    "$root/scripts/run.sh" || fail "the run in its own prefix did not save: $(cat "$work/own.out")"
grep -Eq 'Nombre de Clans +8$' "$work/own.out" || fail "the run in its own prefix printed no values: $(cat "$work/own.out")"
! grep -q '^"Managed"="N"' "$work/own/user.reg" || fail "unmanaged windows were set on a display it did not start"
# Without a display, it shows the dialog on one of its own and prints its picture.
own_prefix headless
env -u DISPLAY KORVANE_RUN_PREFIX="$work/headless" KORVANE_SETUP_EXE="$program" "$root/scripts/run.sh" \
    >"$work/headless.out" 2>&1 </dev/null || fail "the run without a display ended with $?: $(cat "$work/headless.out")"
picture=$(sed -n 's/^The dialog as it opened, then cancelled: //p' "$work/headless.out")
[ -n "$picture" ] && [ "$(head -c 4 "$picture" | tail -c 3)" = PNG ] ||
    fail "the run without a display printed no picture: $(cat "$work/headless.out")"

[ "$failures" -eq 0 ] && echo "run --prefix: ok ($archs)"
exit $((failures > 0))
