#!/usr/bin/env bash
# Builds the setup program and shows its dialog under Wine; once it is closed,
# prints what OK saved, or that nothing was. See docs/wine-prefix.md.
#   scripts/run.sh                   in a Wine prefix of its own; without a display,
#                                    saves a picture of the dialog and prints its path
#   scripts/run.sh --prefix DIR [--wine PATH] [--update-prefix]
#                                    in the Wine prefix where the simulation runs
# KORVANE_SETUP_EXE may name another build of the program to run, KORVANE_RUN_PREFIX
# another prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/run.sh [--prefix WINE-PREFIX-FOLDER [--wine PATH] [--update-prefix]]" >&2; exit 2; }
prefix= wine_given= update=no
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) [ $# -ge 2 ] || usage; prefix=$2; shift 2 ;;
    --prefix=*) prefix=${1#--prefix=}; shift ;;
    --wine) [ $# -ge 2 ] || usage; wine_given=$2; shift 2 ;;
    --wine=*) wine_given=${1#--wine=}; shift ;;
    --update-prefix) update=yes update_flag=" --update-prefix"; shift ;;
    *) usage ;;
    esac
done
if [ -z "$prefix" ] && { [ -n "$wine_given" ] || [ "$update" = yes ]; }; then usage; fi
if [ -n "$prefix" ]; then
    if [ ! -f "$prefix/system.reg" ] || { [ ! -d "$prefix/drive_c" ] && [ ! -e "$prefix/dosdevices/c:" ]; }; then
        echo "run: $prefix is not a Wine prefix (it has no system.reg and drive_c); nothing was changed" >&2
        exit 2
    fi
    prefix=$(cd "$prefix" && pwd)
fi
# The player's own environment, which the tests' settings replace.
caller_env=$(declare -p LANG LC_ALL WINELOADER WINEDLLOVERRIDES 2>/dev/null || true)

scripts/install-deps.sh
export KORVANE_DEPS_CHECKED=1    # the commands it runs need not ask apt again
. scripts/lib/wine-session.sh
. scripts/lib/player-prefix.sh
has_display() { [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; }
if [ -n "$prefix" ] && ! has_display; then
    echo "run: --prefix needs an X display to show the dialog on; nothing was changed" >&2
    exit 2
fi
KORVANE_WINDOWS_ARCH=$(choose_build "$(no_32bit_reason)" "$([ -n "$prefix" ] && prefix_arch "$prefix" || echo none)") ||
    exit 2
export KORVANE_WINEPREFIX=${prefix:-${KORVANE_RUN_PREFIX:-$(own_run_prefix "$KORVANE_WINDOWS_ARCH")}}
wine_env
say_build run
korvane_build "$KORVANE_WIN_PRESET" native
program=${KORVANE_SETUP_EXE:-$PWD/build/$KORVANE_WIN_PRESET/korvane-setup.exe}

# Wine runs a prefix only as its owner, and what the command wrote there as anyone
# else (the fonts) would be left theirs. Refused once the build is there, so that
# the owner's run can use it even where build/ is not theirs.
uid=$([ -z "$prefix" ] || stat -c %u "$prefix")
if [ -n "$prefix" ] && [ "$uid" != "$(id -u)" ]; then
    owner=$(id -nu "$uid" 2>/dev/null || echo "$uid")
    as=$([ "$(id -u)" = 0 ] && echo "runuser -u $owner --" || echo "sudo -u $owner")
    echo "run: $prefix belongs to $owner (uid $uid), and Wine runs a prefix only as its owner; nothing was" \
         "changed. Run the command as $owner:" >&2
    echo "    $as $KORVANE_ROOT/scripts/run.sh --prefix $prefix${wine_given:+ --wine $wine_given}${update_flag:-}" >&2
    exit 2
fi

drive_c=$(prefix_drive_c "$WINEPREFIX")
# The file as it stands, its content included: a save in place keeps the inode.
state() {
    local file
    file=$(settings_file_in "$drive_c")
    { stat -c '%n %i %s %.9Y' "$file" && cksum <"$file"; } 2>/dev/null || echo none
}
if [ -n "$prefix" ]; then
    # The player's prefix, locale and Wine: nothing of the tests' (no registry
    # setting, no boot) is done to it.
    unset WINEARCH LANG LC_ALL WINELOADER WINEDLLOVERRIDES
    { eval "$caller_env"; } 2>/dev/null
    wine=${wine_given:-${WINE:-$KORVANE_WINE}}
    prefix_may_run "$prefix" "$wine" "$update" || exit 2
    added=$(wine_prefix_fonts)
    [ "$added" -eq 0 ] || echo "run: added $added of Wine's fonts that $prefix lacked (the dialog's MS Sans Serif" \
        "among them) to its windows/Fonts"
    echo "Korvane Setup in the Wine prefix $prefix with $wine: the settings file is $(settings_file_in "$drive_c")"
    before=$(state)
    # Not "wineserver -w": that would wait for the simulation too.
    "$wine" "$program"
elif has_display; then
    trap wine_session_stop EXIT
    KORVANE_USE_DISPLAY=1 wine_session_start
    echo "Korvane Setup: the settings file is $(settings_file_in "$drive_c")"
    before=$(state)
    "$KORVANE_WINE" "$program"
    wineserver -w
    wine_session_stop
else
    echo "No X display: showing the dialog on a virtual display instead." >&2
    picture=$(KORVANE_SETUP_EXE=$program scripts/screenshot.sh build/setup-dialog.png)
    echo "The dialog as it opened, then cancelled: $picture"
    exit 0
fi

if [ "$(state)" = "$before" ]; then
    echo "Nothing was saved."
else
    echo "Saved:"
    build/native/korvane-settings "$(settings_file_in "$drive_c")" || true
fi
