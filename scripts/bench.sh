#!/usr/bin/env bash
# Start-up benchmark (not a test): the time from process start until the dialog is
# visible with its values filled, for the setup program and, in alternation, for a
# floor, over RUNS runs each (default 15). See docs/benchmark.md.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}

scripts/install-deps.sh
. scripts/lib/wine-session.sh
wine_env
say_build bench
korvane_build "$KORVANE_WIN_PRESET"
trap wine_session_stop EXIT
KORVANE_USE_DISPLAY= wine_session_start
rm -f "$(prefix_drive_c "$WINEPREFIX")/korvane.ini"

build=build/$KORVANE_WIN_PRESET
echo "machine: $(nproc) cores, $("$KORVANE_WINE" --version), $(date -u +%Y-%m-%d)"
echo "measured: $build/korvane-setup.exe ($KORVANE_WINDOWS_ARCH) with the loader $KORVANE_WINE"
for floor in empty_dialog bare_setup_dialog; do
    echo "== against $floor"
    "$KORVANE_WINE" "$build/tools/dialog_probe.exe" bench "$runs" "$PWD/$build/korvane-setup.exe" \
        "$PWD/$build/tools/$floor.exe" | sed "s/floor/$floor/"
done
echo "korvane-setup.exe: $(stat -c %s "$build/korvane-setup.exe") bytes;" \
     "empty_dialog.exe: $(stat -c %s "$build/tools/empty_dialog.exe") bytes"
