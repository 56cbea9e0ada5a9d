#!/usr/bin/env bash
# Runs the setup program under Wine: installs what is missing, builds it, and shows
# the dialog on the current display.
#   scripts/run.sh                 in a Wine prefix of its own, build/wineprefix-run,
#                                  where OK writes the prefix's C:\korvane.ini;
#                                  without a display it shows the dialog on a virtual
#                                  one, saves a picture of it, cancels it and prints
#                                  the picture's path.
#   scripts/run.sh --prefix DIR    in the Wine prefix DIR, the one the simulation
#                                  runs in (32-bit or 64-bit), so that OK writes the
#                                  settings file on its drive C, in the player's own
#                                  locale and with the prefix's own Wine:
#       --wine PATH                that Wine (else $WINE, else Debian's); WINESERVER
#                                  may name its server, as for Wine's own tools.
#       --update-prefix            lets that Wine update a prefix made by another.
#                                  A prefix of another user or of another Wine, or
#                                  one whose server of another Wine runs, is refused
#                                  before anything is written. It changes nothing
#                                  there but Wine's fonts that the prefix lacks, and
#                                  says so when it adds them.
# Where this machine cannot run 32-bit programs it runs a 64-bit build of the same
# sources, and says so. Once the dialog is closed it prints what the settings file
# holds, or that nothing was saved. KORVANE_SETUP_EXE may name another build of the
# program to run; KORVANE_RUN_PREFIX another prefix of its own.
# On Windows, run build\win32\korvane-setup.exe (or any copy of it) as it is.
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
    --update-prefix) update=yes; shift ;;
    *) usage ;;
    esac
done
if [ -z "$prefix" ] && { [ -n "$wine_given" ] || [ "$update" = yes ]; }; then usage; fi
. scripts/wine-prefix.sh
if [ -n "$prefix" ]; then
    # A Wine prefix has its registry and its drive C; anything else is refused
    # before anything is built, started or written.
    if [ ! -f "$prefix/system.reg" ] || { [ ! -d "$prefix/drive_c" ] && [ ! -e "$prefix/dosdevices/c:" ]; }; then
        echo "run: $prefix is not a Wine prefix (it has no system.reg and drive_c); nothing was changed" >&2
        exit 2
    fi
    prefix=$(cd "$prefix" && pwd)
    # Wine runs a prefix only as its owner, and what we wrote there as anyone else
    # (the fonts) would be left belonging to them.
    owner=$(stat -c %u "$prefix")
    if [ "$owner" != "$(id -u)" ]; then
        name=$(id -nu "$owner" 2>/dev/null || echo "$owner")
        echo "run: $prefix belongs to $name (uid $owner), and Wine runs a prefix only as its owner;" \
             "run the command as that user (sudo -u $name scripts/run.sh --prefix $prefix). Nothing was changed." >&2
        exit 2
    fi
fi
# The player's own environment, which the scripts' settings for the tests replace.
caller_env=$(declare -p LANG LC_ALL WINELOADER WINEDLLOVERRIDES 2>/dev/null || true)

scripts/install-deps.sh
# The build this machine runs in that prefix.
KORVANE_WINDOWS_ARCH=$(choose_build "$(machine_runs_32bit)" "$([ -n "$prefix" ] && prefix_arch "$prefix" || echo none)") ||
    exit 2
export KORVANE_WINDOWS_ARCH
export KORVANE_WINEPREFIX=${prefix:-${KORVANE_RUN_PREFIX:-$(own_run_prefix "$KORVANE_WINDOWS_ARCH")}}
. scripts/wine-env.sh
say_build run
cmake --preset "$KORVANE_WIN_PRESET" >/dev/null
cmake --build --preset "$KORVANE_WIN_PRESET" >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target korvane-settings >/dev/null
program=${KORVANE_SETUP_EXE:-$PWD/build/$KORVANE_WIN_PRESET/korvane-setup.exe}

drive_c=$(prefix_drive_c "$WINEPREFIX")
settings=$(settings_file_in "$drive_c")
# The file as it stands, its content included: a save in place keeps the inode.
state() {
    local file
    file=$(settings_file_in "$drive_c")
    { stat -c '%n %i %s %.9Y' "$file" && cksum <"$file"; } 2>/dev/null || echo none
}

has_display() { [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; }
if [ -n "$prefix" ]; then
    has_display || { echo "run: --prefix needs an X display to show the dialog on" >&2; exit 2; }
    # The prefix is the player's: their locale (Wine writes it into the prefix's
    # regional settings at every start), their Wine, the architecture the prefix
    # has; nothing of ours (no registry setting, no boot) is done to it.
    unset WINEARCH
    unset LANG LC_ALL WINELOADER WINEDLLOVERRIDES
    # (Wine reads the locale's name itself: bash's warning that the host has no
    # such locale is hushed.)
    { eval "$caller_env"; } 2>/dev/null
    wine=${wine_given:-${WINE:-$KORVANE_WINE}}
    stamp=$(head -n1 "$prefix/.update-timestamp" 2>/dev/null || true)
    inf=$(wine_inf_of "$wine")
    server=$(prefix_server_of "$prefix")
    prefix_verdict "$prefix" "${stamp:-none}" "$wine" "$inf" "$([ -z "$inf" ] || stat -c %Y "$inf")" \
        "$server" "$([ -z "$server" ] || wine_inf_of "$server")" "$update" || exit 2
    added=$(wine_prefix_fonts)
    if [ "$added" -gt 0 ]; then
        echo "run: added $added of Wine's fonts that $prefix lacked (the dialog's MS Sans Serif among them)" \
             "to its windows/Fonts"
    fi
    echo "Korvane Setup in the Wine prefix $prefix with $wine: the settings file is $settings"
    before=$(state)
    # Not "wineserver -w": that would wait for every program of the prefix, the
    # simulation included.
    "$wine" "$program"
elif has_display; then
    wine_prefix_init
    # A display of the user's has a window manager: the dialog is left to it.
    wine_prefix_managed
    echo "Korvane Setup: the settings file is $settings"
    before=$(state)
    "$KORVANE_WINE" "$program"
    wineserver -w
    prefix_forget "$WINEPREFIX"
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
