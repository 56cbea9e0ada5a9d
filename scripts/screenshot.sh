#!/usr/bin/env bash
# Shows the setup dialog in Wine's virtual desktop (which draws its caption) on an X
# server of its own, saves a picture of it as PNG (default build/setup-dialog.png),
# cancels it and prints the picture's path. In the run command's own prefix (or
# KORVANE_WINEPREFIX); KORVANE_SETUP_EXE may name another build of the program.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/setup-dialog.png}")
given=${KORVANE_WINDOWS_ARCH:-}     # by the run command, which said which build runs

scripts/install-deps.sh
. scripts/lib/wine-session.sh
export KORVANE_WINDOWS_ARCH=$(this_machines_build)
export KORVANE_WINEPREFIX=${KORVANE_WINEPREFIX:-$(own_run_prefix "$KORVANE_WINDOWS_ARCH")}
wine_env
[ -n "$given" ] || say_build screenshot
korvane_build "$KORVANE_WIN_PRESET"
program=${KORVANE_SETUP_EXE:-$PWD/build/$KORVANE_WIN_PRESET/korvane-setup.exe}

trap wine_session_stop EXIT
KORVANE_USE_DISPLAY= wine_session_start
work=$(work_folder "screenshot-$$")
"$KORVANE_WINE" explorer /desktop=korvane,1000x720 "$PWD/build/$KORVANE_WIN_PRESET/tools/dialog_probe.exe" \
    show "$program" "$work/ready" "$work/go" >/dev/null 2>&1 &
probe=$!
wait_for 60 test -s "$work/ready" || { echo "the dialog did not appear" >&2; exit 1; }
read -r x y w h <"$work/ready"
mkdir -p "$(dirname "$out")"
# Until two pictures in a row are the same: the dialog has finished painting.
shot() { import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"; }
shot "$work/a.png"
for _ in $(seq 50); do
    shot "$work/b.png"
    cmp -s "$work/a.png" "$work/b.png" && break
    mv "$work/b.png" "$work/a.png"
done
cp "$work/b.png" "$out"
touch "$work/go"
wait "$probe" || true
rm -rf "$work"
echo "$out"
