#!/usr/bin/env bash
# Builds one commit (default HEAD) twice, in two fresh folders of different names and
# one after the other, and checks that both give the same korvane-setup.exe, byte for
# byte. Prints the SHA-256, which a packager or a player compares with the sum of the
# copy they were given.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse "${1:-HEAD}")

scripts/install-deps.sh
work=$PWD/build/work/reproduce
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
sums=()
for folder in "$work/first" "$work/second/somewhere/else"; do
    git clone -q --no-checkout . "$folder"
    git -C "$folder" checkout -q "$commit"
    (cd "$folder" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target korvane-setup >/dev/null)
    sums+=("$(sha256sum "$folder/build/win32/korvane-setup.exe" | cut -c1-64)")
    echo "built $commit in $folder at $(date -u +%H:%M:%S): ${sums[-1]}"
done
if [ "${sums[0]}" != "${sums[1]}" ]; then
    echo "reproduce: the two builds differ" >&2
    cmp -l "$work/first/build/win32/korvane-setup.exe" \
        "$work/second/somewhere/else/build/win32/korvane-setup.exe" | head -n 20 >&2 || true
    exit 1
fi
echo "reproducible: korvane-setup.exe of $commit has SHA-256 ${sums[0]}"
