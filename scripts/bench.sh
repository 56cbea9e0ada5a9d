#!/usr/bin/env bash
# Start-up benchmark (not a test): on one Wine, the time from process start until
# the dialog is visible with its values filled, for the setup program and, in
# alternation, for a floor, over RUNS runs each (default 15). Two floors: a bare
# Win32 program that only shows an empty dialog, and the same bare program showing
# the setup dialog's own template (what the controls alone cost). Prints the
# medians, their ratios and the executable's size, and which build and loader it
# measured: where this machine cannot run 32-bit programs, the 64-bit build.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}

scripts/install-deps.sh
. scripts/wine-env.sh
say_build bench
cmake --preset "$KORVANE_WIN_PRESET" >/dev/null
cmake --build --preset "$KORVANE_WIN_PRESET" >/dev/null

trap wine_session_stop EXIT
wine_prefix_init
xvfb_start
wine_prefix_unmanaged
rm -f "$(wine_drive_c)/korvane.ini"

build=build/$KORVANE_WIN_PRESET
echo "machine: $(nproc) cores, $("$KORVANE_WINE" --version), $(date -u +%Y-%m-%d)"
echo "measured: $build/korvane-setup.exe ($KORVANE_WINDOWS_ARCH) with the loader $KORVANE_WINE"
tools=$PWD/$build/tools
for floor in empty_dialog bare_setup_dialog; do
    echo "== against $floor"
    "$KORVANE_WINE" "$tools/dialog_probe.exe" bench "$runs" "$PWD/$build/korvane-setup.exe" "$tools/$floor.exe" |
        sed "s/floor/$floor/"
done
echo "korvane-setup.exe: $(stat -c %s "$build/korvane-setup.exe") bytes;" \
     "empty_dialog.exe: $(stat -c %s "$tools/empty_dialog.exe") bytes"
