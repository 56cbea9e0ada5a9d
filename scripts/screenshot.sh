#!/usr/bin/env bash
# Shows the setup dialog in Wine's virtual desktop (which draws the caption) on an
# X server of its own, saves a picture of it as PNG (default: build/setup-dialog.png),
# then cancels the dialog. Needs the win32 build.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/setup-dialog.png}")
program=$PWD/build/win32/korvane-setup.exe
probe=$PWD/build/win32/tools/dialog_probe.exe

. scripts/wine-env.sh
wine_prefix_init
trap wine_session_stop EXIT
xvfb_start
wine_prefix_unmanaged

work=$(mktemp -d)
trap 'wine_session_stop; rm -rf "$work"' EXIT
wine explorer /desktop=korvane,1000x720 "$probe" show "$program" "$work/ready" "$work/go" >/dev/null 2>&1 &
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
