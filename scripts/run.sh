#!/usr/bin/env bash
# Runs the setup program under Wine: installs what is missing, builds it, and shows
# the dialog on the current display.
#   scripts/run.sh                 in a Wine prefix of its own, build/wineprefix-run,
#                                  where OK writes the prefix's C:\korvane.ini;
#                                  without a display it shows the dialog on a virtual
#                                  one, saves a picture of it, cancels it and prints
#                                  the picture's path.
#   scripts/run.sh --prefix DIR    in the Wine prefix DIR, the one the simulation
#                                  runs in (32-bit or 64-bit), so that OK writes
#                                  DIR/drive_c/korvane.ini. It changes nothing there
#                                  but Wine's fonts that the prefix lacks, and says
#                                  so when it adds them.
# Once the dialog is closed it prints what the settings file holds, or that nothing
# was saved. KORVANE_SETUP_EXE may name another build of the program to run.
# On Windows, run build\win32\korvane-setup.exe (or any copy of it) as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/run.sh [--prefix WINE-PREFIX-FOLDER]" >&2; exit 2; }
prefix=
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) [ $# -ge 2 ] || usage; prefix=$2; shift 2 ;;
    --prefix=*) prefix=${1#--prefix=}; shift ;;
    *) usage ;;
    esac
done
if [ -n "$prefix" ]; then
    # A Wine prefix has its registry and its drive C; anything else is refused
    # before anything is built, started or written.
    if [ ! -f "$prefix/system.reg" ] || [ ! -d "$prefix/drive_c" ]; then
        echo "run: $prefix is not a Wine prefix (it has no system.reg and drive_c); nothing was changed" >&2
        exit 2
    fi
    prefix=$(cd "$prefix" && pwd)
fi

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target korvane-settings >/dev/null
program=${KORVANE_SETUP_EXE:-$PWD/build/win32/korvane-setup.exe}

export KORVANE_WINEPREFIX=${prefix:-$PWD/build/wineprefix-run}
. scripts/wine-env.sh
drive_c=$(wine_drive_c)
settings="$drive_c/korvane.ini"
# The file as it stands: a save replaces it (another inode), a cancel leaves it.
state() { stat -c '%i %s %Y' "$settings" 2>/dev/null || echo none; }

has_display() { [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; }
if [ -n "$prefix" ]; then
    has_display || { echo "run: --prefix needs an X display to show the dialog on" >&2; exit 2; }
    # The prefix is the player's: Wine takes its architecture from it, and nothing
    # of ours (no registry setting, no boot) is done to it.
    unset WINEARCH
    added=$(wine_prefix_fonts)
    if [ "$added" -gt 0 ]; then
        echo "run: added $added of Wine's fonts that $prefix lacked (the dialog's MS Sans Serif among them)" \
             "to drive_c/windows/Fonts"
    fi
    echo "Korvane Setup in the Wine prefix $prefix: the settings file is $settings"
    before=$(state)
    # Not "wineserver -w": that would wait for every program of the prefix, the
    # simulation included.
    "$KORVANE_WINE" "$program"
elif has_display; then
    wine_prefix_init
    echo "Korvane Setup: the settings file is $settings"
    before=$(state)
    "$KORVANE_WINE" "$program"
    wineserver -w
else
    echo "No X display: showing the dialog on a virtual display instead." >&2
    picture=$(scripts/screenshot.sh build/setup-dialog.png)
    echo "The dialog as it opened, then cancelled: $picture"
    exit 0
fi

if [ "$(state)" = "$before" ]; then
    echo "Nothing was saved."
else
    echo "Saved:"
    build/native/korvane-settings "$drive_c" || true
fi
