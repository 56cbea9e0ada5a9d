#!/usr/bin/env bash
# Runs the setup program: installs what is missing, builds it, and starts it under
# Wine on the current display, in a Wine prefix of its own (build/wineprefix-run,
# apart from the tests' throwaway one), where OK writes the prefix's C:\korvane.ini. Without a display it shows the dialog on a virtual
# one, saves a picture of it, cancels it and prints the picture's path.
# On Windows, run build\win32\korvane-setup.exe (or any copy of it) as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

export KORVANE_WINEPREFIX=$PWD/build/wineprefix-run
. scripts/wine-env.sh
wine_prefix_init
settings="$(wine_drive_c)/korvane.ini"

if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
    echo "Korvane Setup: the settings file is $settings"
    wine build/win32/korvane-setup.exe
    wineserver -w
    if [ -f "$settings" ]; then
        echo "saved: $settings ($(stat -c %s "$settings") bytes)"
    fi
else
    echo "No X display: showing the dialog on a virtual display instead." >&2
    picture=$(scripts/screenshot.sh build/setup-dialog.png)
    echo "The dialog as it opened, then cancelled: $picture"
fi
