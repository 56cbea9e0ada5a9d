# Which build of the program this machine runs under Wine, and why.
# shellcheck shell=bash

# Why the 32-bit build cannot run here; nothing when it can, or when there is no Wine
# yet to ask: "kernel" when Wine's 32-bit loader is there but does not start (the
# kernel answers "Exec format error"), "wine32" when Wine's 32-bit part is not
# installed. The tests give other loaders.
no_32bit_reason() {
    local wine32=${1:-/usr/lib/wine/wine} wine64=${2:-/usr/lib/wine/wine64}
    [ -x "$wine64" ] || return 0
    if [ ! -e "$wine32" ]; then echo wine32
    elif ! "$wine32" --version >/dev/null 2>&1; then echo kernel
    fi
}

# That reason as the user reads it, and what brings the 32-bit build back.
no_32bit_cause() {
    [ "$1" = kernel ] && echo "this machine's kernel does not run 32-bit programs (it answers \"Exec format error\")" ||
        echo "Wine's 32-bit part (wine32:i386) is not installed"
}
no_32bit_remedy() {
    [ "$1" = kernel ] && echo "a machine whose kernel runs them gets the 32-bit build" ||
        echo "the next run installs it once the package mirror gives it, and the 32-bit build comes back"
}

# The build that runs: choose_build <reason, or none> <prefix: none|win32|win64>
# prints i686 (the program as it ships) or x86_64 (a 64-bit build of the same
# sources, where 32-bit programs cannot run), or refuses what nothing could run.
choose_build() {
    case ${1:-none}/$2 in
    none/*) echo i686 ;;
    */none | */win64) echo x86_64 ;;
    *)
        echo "run: the prefix is a 32-bit one, which only Wine's 32-bit part runs, and $(no_32bit_cause "$1");" \
             "nothing was changed. Use a 64-bit prefix; $(no_32bit_remedy "$1")." >&2
        return 1 ;;
    esac
}

# The build for KORVANE_WINDOWS_ARCH when it is given, else this machine's.
this_machines_build() { echo "${KORVANE_WINDOWS_ARCH:-$(choose_build "$(no_32bit_reason)" none)}"; }

# Says, for a script, why it uses the 64-bit build, when it does.
say_build() {
    [ "$KORVANE_WINDOWS_ARCH" = x86_64 ] || return 0
    local reason cause="KORVANE_WINDOWS_ARCH asks for it" remedy="without it, the 32-bit build is used"
    reason=$(no_32bit_reason)
    [ -z "$reason" ] || cause=$(no_32bit_cause "$reason") remedy=$(no_32bit_remedy "$reason")
    echo "$1: $cause, so it uses the 64-bit build of the same sources (build/win64) with Wine's 64-bit" \
         "loader; $remedy." >&2
}
