#!/usr/bin/env bash
# Shows the setup dialog in Wine's virtual desktop (which draws the caption) on an
# X server of its own, saves a picture of it as PNG (default: build/setup-dialog.png),
# then cancels the dialog. Builds what it needs: the 32-bit program, or where this
# machine cannot run 32-bit programs a 64-bit build of the same sources (it says
# so). Runs in the run command's own prefix (build/wineprefix-run, or
# KORVANE_WINEPREFIX); KORVANE_SETUP_EXE may name another build of the program.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/setup-dialog.png}")

scripts/install-deps.sh
. scripts/wine-prefix.sh
# (Run by run.sh, which chose the build and said so.)
given=${KORVANE_WINDOWS_ARCH:-}
export KORVANE_WINEPREFIX=${KORVANE_WINEPREFIX:-$(own_run_prefix "${given:-$(choose_build "$(machine_runs_32bit)" none)}")}
. scripts/wine-env.sh
[ -n "$given" ] || say_build screenshot
cmake --preset "$KORVANE_WIN_PRESET" >/dev/null
cmake --build --preset "$KORVANE_WIN_PRESET" >/dev/null
program=${KORVANE_SETUP_EXE:-$PWD/build/$KORVANE_WIN_PRESET/korvane-setup.exe}
probe=$PWD/build/$KORVANE_WIN_PRESET/tools/dialog_probe.exe

wine_prefix_init
trap wine_session_stop EXIT
xvfb_start
wine_prefix_unmanaged

work=$(work_folder "screenshot-$$")
trap 'wine_session_stop; rm -rf "$work"' EXIT
"$KORVANE_WINE" explorer /desktop=korvane,1000x720 "$probe" show "$program" "$work/ready" "$work/go" >/dev/null 2>&1 &
probe_pid=$!
if ! wait_for 60 test -s "$work/ready"; then
    echo "the dialog did not appear" >&2
    exit 1
fi
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
wait "$probe_pid" || true
echo "$out"
