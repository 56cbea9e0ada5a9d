#!/usr/bin/env bash
# Start-up benchmark (not a test): on one Wine, the time from process start until
# the dialog is visible with its values filled, for the setup program and, in
# alternation, for a floor, over RUNS runs each (default 15). Two floors: a bare
# Win32 program that only shows an empty dialog, and the same bare program showing
# the setup dialog's own template (what the controls alone cost). Prints the
# medians, their ratios and the executable's size.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

. scripts/wine-env.sh
trap wine_session_stop EXIT
wine_prefix_init
xvfb_start
wine_prefix_unmanaged
rm -f "$(wine_drive_c)/korvane.ini"

echo "machine: $(nproc) cores, $(wine --version), $(date -u +%Y-%m-%d)"
tools=$PWD/build/win32/tools
for floor in empty_dialog bare_setup_dialog; do
    echo "== against $floor"
    wine "$tools/dialog_probe.exe" bench "$runs" "$PWD/build/win32/korvane-setup.exe" "$tools/$floor.exe" |
        sed "s/floor/$floor/"
done
echo "korvane-setup.exe: $(stat -c %s build/win32/korvane-setup.exe) bytes;" \
     "empty_dialog.exe: $(stat -c %s "$tools/empty_dialog.exe") bytes"
