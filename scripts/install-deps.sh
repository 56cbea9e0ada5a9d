#!/usr/bin/env bash
# Installs, on Debian 12, what the build, the run and the tests need and this machine
# lacks; needs no network when nothing is missing.
set -euo pipefail

have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
install() {
    [ $# -gt 0 ] || return 0
    echo "install-deps: installing $*" >&2
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# The MinGW-w64 compilers of a processor (i686 or x86_64), with both thread models.
mingw() {
    local compiler threads
    for compiler in g++ gcc; do
        for threads in posix win32; do
            have_cmd "$1-w64-mingw32-$compiler-$threads" || need+=("$compiler-mingw-w64-${1//_/-}-$threads")
        done
    done
    have_cmd "$1-w64-mingw32-windres" || need+=("binutils-mingw-w64-${1//_/-}")
}

need=()
mingw i686
have_pkg wine32:i386              || need+=(wine32:i386)
have_pkg wine64                   || need+=(wine64)
have_cmd wine                     || need+=(wine)
have_cmd Xvfb                     || need+=(xvfb)
have_cmd xauth                    || need+=(xauth)
have_cmd xset                     || need+=(x11-xserver-utils)
have_pkg fonts-wine               || need+=(fonts-wine)
have_cmd cmake                    || need+=(cmake)
have_cmd ninja                    || need+=(ninja-build)
have_cmd g++                      || need+=(g++)
have_cmd clang++                  || need+=(clang)
have_pkg libclang-rt-14-dev       || need+=(libclang-rt-14-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have_cmd import                   || need+=(imagemagick)
install "${need[@]}"

# The 64-bit build's compilers, where it is the one that runs: on a machine that
# cannot run 32-bit programs (now that Wine is there to ask), or when asked for.
. "$(dirname "$0")/wine-env.sh"
need=()
[ "$KORVANE_WINDOWS_ARCH" != x86_64 ] || mingw x86_64
install "${need[@]}"
