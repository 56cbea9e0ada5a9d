#!/usr/bin/env bash
# Installs, on Debian 12 or 13, what the build, the run and the tests need and this
# machine lacks (or, given package names, those); asks nothing of apt when nothing is
# missing. A package mirror in the middle of a sync stops only what it must: the
# lists are fetched again a few times, and without Wine's 32-bit part the scripts use
# the 64-bit build. A package that this release does not have is said to be so. It
# only installs: no package is held, downgraded or removed. See docs/install.md.
set -euo pipefail
[ -z "${KORVANE_DEPS_CHECKED:-}" ] || exit 0     # by the command that runs this one
. "$(dirname "$0")/lib/machine.sh"

say() { echo "install-deps: $*" >&2; }
installed() { dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'; }
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
apt() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=120 "$@"; }
install() { apt install --no-install-recommends --no-remove "$@"; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# apt's own reason, in one line: its first error.
reason() { sed -n 's/^E: //p' "$out" | head -n1 | sed 's/\.$//'; }

# The lists, tried again after a growing delay: apt takes an index of the wrong size
# (a mirror in the middle of a sync) as final, whatever its own retries say.
update_lists() {
    local delay
    for delay in "$@" 0; do
        apt update >"$out" 2>&1 && return 0
        [ "$delay" = 0 ] || sleep "$delay"
    done
    say "some package lists could not be fetched ($(reason)); going on with the lists there are"
}

# Whether apt has package lists of this release's at all: an update may have failed
# before it fetched any, and then it knows no package.
has_lists() {
    local file
    for file in $(apt-get indextargets --format '$(FILENAME)' 'Identifier: Packages' 2>/dev/null); do
        [ ! -e "$file" ] || return 0
    done
    return 1
}

# Installs what every build needs, else says which package apt refuses and why, and
# stops: one that this release does not have, or one that the mirror failed to give.
install_needed() {
    [ $# -gt 0 ] || return 0
    say "installing $*"
    install "$@" >"$out" 2>&1 && return 0
    local first package why refused= names= absent=
    first=$(reason)
    for package; do
        install -s "$package" >"$out" 2>&1 && continue
        why=$(reason)
        refused+="; $package: $why" names+=" $package"
        case $why in "Unable to locate package "* | *"has no installation candidate") absent+=", $package" ;; esac
    done
    if [ -n "$absent" ] && has_lists; then
        say "$(. /etc/os-release && echo "${PRETTY_NAME:-this system}") has no ${absent#, } among its packages:" \
            "the commands are made for Debian 12 (bookworm) and Debian 13 (trixie), which have them. Nothing was installed."
        exit 1
    fi
    [ -n "$refused" ] || refused="; $*: $first" names=" $*"
    say "cannot install ${refused#; }. Try again in a while (the mirror may be in the middle of a sync)," \
        "or install it yourself to see apt's whole answer: sudo apt-get install$names"
    exit 1
}

# The packages of these that are not installed; the MinGW-w64 compilers of a
# processor (i686 or x86_64), with both thread models.
missing() { local p; for p; do installed "$p" || echo "$p"; done; }
mingw() { echo {g++,gcc}-mingw-w64-"${1//_/-}"-{posix,win32} binutils-mingw-w64-"${1//_/-}"; }

# shellcheck disable=SC2207 # package names have no blanks
if [ $# -gt 0 ]; then
    need=($(missing "$@")) want32=
else
    # Each release's own default where the name would hold a version (clang's runtime).
    need=($(missing $(mingw i686) wine64 wine xvfb xauth x11-xserver-utils fonts-wine procps cmake ninja-build g++ \
            clang libclang-rt-dev googletest imagemagick zip unzip))
    build=$(this_machines_build)
    [ "$build" = i686 ] || need+=($(missing $(mingw x86_64)))
    want32=$(missing wine32:i386)
fi
[ ${#need[@]} -gt 0 ] || [ -n "$want32" ] || exit 0

if [ -n "$want32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
# Only Wine's 32-bit part to try: once, as every run tries it again.
if [ ${#need[@]} -gt 0 ]; then update_lists 3 6 12; else update_lists; fi
install_needed "${need[@]}"

[ -n "$want32" ] || exit 0
if install wine32:i386 >"$out" 2>&1; then
    build=$(this_machines_build)
else
    say "Wine's 32-bit part (wine32:i386) cannot be installed now: $(reason). The 64-bit build of the" \
        "same sources is used meanwhile; running the command again installs it once the mirror allows."
    build=x86_64
fi
# The 64-bit build's compilers, where that build is the one that runs.
[ "$build" = i686 ] || install_needed $(missing $(mingw x86_64))
