# The tests' full disk, for the saves that meet one.
# shellcheck shell=bash

_korvane_full_disk=

# A disk with no space left as the prefix's drive F, for the tests of a save on a
# full disk: a file system of one page, filled. Mounting one takes root; without,
# there is no drive F and those tests say that they skip.
full_disk_start() {
    local dir=$KORVANE_ROOT/build/full-disk
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null || true; fi   # a killed run's
    [ "$(id -u)" = 0 ] || return 0
    mkdir -p "$dir"
    mount -t tmpfs -o size=4k korvane-full-disk "$dir" 2>/dev/null || return 0
    _korvane_full_disk=$dir
    head -c 4096 /dev/zero >"$dir/filler" 2>/dev/null || true
    ln -sfn "$dir" "$WINEPREFIX/dosdevices/f:"
}
full_disk_stop() {
    [ -n "$_korvane_full_disk" ] || return 0
    rm -f "$WINEPREFIX/dosdevices/f:"
    umount "$_korvane_full_disk" 2>/dev/null || true
    _korvane_full_disk=
}

