#!/usr/bin/env bash
# The archive a Windows player downloads, from the committed tree (HEAD, or the
# commit given): build/release/korvane-setup-<version>.zip, the 32-bit program and
# LISEZMOI.txt, with SHA256SUMS beside it. The commit is built in two fresh clones
# of different names, one after the other, which must give the same archive, byte
# for byte. See docs/release.md.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse "${1:-HEAD}")

scripts/install-deps.sh
. scripts/lib/build.sh
. scripts/lib/release.sh
work=$(work_folder release)
trap 'rm -rf "$work"' EXIT
for folder in "$work/first" "$work/second/somewhere/else"; do
    git clone -q --no-checkout . "$folder"
    git -C "$folder" checkout -q "$commit"
    (cd "$folder" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target korvane-setup >/dev/null)
    zips+=("$(release_archive "$folder" "$folder/build/win32/korvane-setup.exe" "$folder/build/release")")
    echo "built ${zips[-1]##*/} of $commit in $folder at $(date -u +%H:%M:%S): $(sha256sum <"${zips[-1]}" | cut -c1-64)"
done
cmp "${zips[@]}" || { echo "release: the two archives differ" >&2; exit 1; }
name=${zips[0]##*/}
mkdir -p build/release
cp "${zips[0]}" build/release/
(cd build/release && sha256sum "$name" >SHA256SUMS)
echo "build/release/$name: $(stat -c %s "build/release/$name") bytes, SHA-256 $(cut -c1-64 build/release/SHA256SUMS);" \
     "its korvane-setup.exe: $(sha256sum <"$work/first/build/win32/korvane-setup.exe" | cut -c1-64)," \
     "built on Debian $(cat /etc/debian_version) by MinGW-w64 GCC $(i686-w64-mingw32-gcc-win32 -dumpversion)"
