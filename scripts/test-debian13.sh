#!/usr/bin/env bash
# Runs the README's test command, as it stands, on a fresh clone of this checkout's
# HEAD inside a Debian 13 root, and prints its last line with the Debian and the Wine
# that ran it. The root is made here from Debian's packages (debootstrap) and kept in
# build/debian13/root for the next run. What the run mounts there (its /proc)
# exists only in a mount namespace of its own, and what runs there in a process
# namespace of its own: both end with the run, however it ends, and no mount is
# ever seen in build/ from outside. Needs root (or sudo). See docs/tests.md.
set -euo pipefail
cd "$(dirname "$0")/.."
say() { echo "test-debian13: $*" >&2; }
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { say "making a Debian root takes root rights, and there is no sudo here"; exit 1; }
    mkdir -p build         # the caller's, as the other commands leave it
    exec sudo -- "$0" "$@"
fi
here=build/debian13 root=build/debian13/root mirror=${KORVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}

scripts/install-deps.sh debootstrap
# Made once; a root that an interrupted run left half made is made anew.
if [ ! -f "$root/.korvane-ready" ]; then
    rm -rf "$root"
    mkdir -p "$here"
    say "making a Debian 13 root in $root"
    if ! unshare --mount -- debootstrap --variant=minbase --include=git,ca-certificates trixie "$root" "$mirror" \
            >"$here/debootstrap.log" 2>&1; then
        say "no Debian 13 root could be made: $(tail -n1 "$here/debootstrap.log") (all of it in $here/debootstrap.log)"
        exit 1
    fi
    cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror trixie main
deb $mirror trixie-updates main
deb ${mirror%/debian}/debian-security trixie-security main
EOF
    touch "$root/.korvane-ready"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# What an earlier run left there: its clone, its log, its X and Wine sockets.
rm -rf "$root/work/korvane" "$here/test.log" "$root/tmp"
mkdir -m 1777 "$root/tmp"
git -c safe.directory="$PWD" clone -q . "$root/work/korvane"

# In the namespaces, as their first process, whose end ends every other: the test
# command (interrupted, it ends at once), its output shown as it comes (through a
# file, which nothing left running can hold open the way it could a pipe), then
# what it left running, which fails it.
inside() {
    trap 'exit 130' INT TERM HUP
    mount -t proc proc "$1/proc"
    chroot "$1" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        bash -c 'cd /work/korvane && scripts/test.sh' </dev/null >"$2" 2>&1 &
    local run=$! status=0 p name left=
    tail -n +1 -f --pid="$run" "$2" &
    wait "$run" || status=$?
    wait $!
    for p in /proc/[0-9]*; do
        [ "${p#/proc/}" != $$ ] && [ "${p#/proc/}" != "$BASHPID" ] && read -r name <"$p/comm" 2>/dev/null &&
            left+=" $name (${p#/proc/})"
    done
    [ -z "$left" ] || { echo "test-debian13: left running after the tests:$left" >&2; status=1; }
    return "$status"
}
status=0
unshare --mount --pid --fork --kill-child --mount-proc -- \
    bash -c "$(declare -f inside); inside $root $here/test.log" || status=$?
wine=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Version}' wine 2>/dev/null) || wine="no Wine"
prefix=$(sed -n 's/^== Windows tests under Wine (\(.*\))$/, the Windows tests in a \1 prefix/p' "$here/test.log" 2>/dev/null)
say "on Debian $(cat "$root/etc/debian_version") (trixie) with Wine $wine$prefix: $(tail -n1 "$here/test.log" 2>/dev/null)"
exit "$status"
