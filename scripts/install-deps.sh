#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and this machine lacks:
# the MinGW-w64 cross compilers, Wine with its 32-bit and 64-bit parts, an X server for headless runs,
# Windows-like fonts, CMake and Ninja, GoogleTest's sources, clang with libFuzzer, and
# ImageMagick for screenshots.
# Does nothing (and needs no network) when everything is already there.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have_cmd i686-w64-mingw32-gcc-posix || need+=(gcc-mingw-w64-i686-posix)
have_cmd i686-w64-mingw32-g++-win32 || need+=(g++-mingw-w64-i686-win32)
have_cmd i686-w64-mingw32-gcc-win32 || need+=(gcc-mingw-w64-i686-win32)
have_cmd i686-w64-mingw32-windres   || need+=(binutils-mingw-w64-i686)
have_pkg wine32:i386                || need+=(wine32:i386)
have_pkg wine64                     || need+=(wine64)
have_cmd wine                       || need+=(wine)
have_cmd Xvfb                       || need+=(xvfb)
have_cmd xauth                      || need+=(xauth)
have_cmd xset                       || need+=(x11-xserver-utils)
have_pkg fonts-wine                 || need+=(fonts-wine)
have_cmd cmake                      || need+=(cmake)
have_cmd ninja                      || need+=(ninja-build)
have_cmd g++                        || need+=(g++)
have_cmd clang++                    || need+=(clang)
have_pkg libclang-rt-14-dev         || need+=(libclang-rt-14-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have_cmd import                     || need+=(imagemagick)

if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
install() {
    [ $# -gt 0 ] || return 0
    echo "install-deps: installing $*" >&2
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    [ -n "${_updated:-}" ] || $sudo apt-get update -qq
    _updated=1
    $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
install "${need[@]}"

# Where this machine cannot run 32-bit x86 code, not even Wine's 32-bit loader (an
# i386 program), the Windows tests run a 64-bit build of the program: its compilers.
need=()
. "$(dirname "$0")/wine-prefix.sh"
if [ "$(machine_runs_32bit)" = no ]; then
    have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
    have_cmd x86_64-w64-mingw32-g++-win32 || need+=(g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32)
    have_cmd x86_64-w64-mingw32-windres   || need+=(binutils-mingw-w64-x86-64)
fi
install "${need[@]}"
