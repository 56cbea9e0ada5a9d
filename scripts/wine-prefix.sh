# Sourced by the scripts that run Windows programs: which build this machine runs
# in which prefix, which Wine a prefix belongs to, whether one of its servers is
# running, where its drive C is and what the settings file there is called. Nothing
# here writes anything.
# shellcheck shell=bash

# "yes" when this machine runs 32-bit x86 programs, Wine's 32-bit loader among them.
machine_runs_32bit() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1 || ! [ -x /usr/lib/wine/wine64 ]; then echo yes; else echo no; fi
}

# The prefix's architecture, as Wine records it: win32 or win64.
prefix_arch() {
    local arch
    arch=$(sed -n 's/^#arch=//p' "$1/system.reg" 2>/dev/null | head -n1)
    [ -n "$arch" ] || { [ -d "$1/drive_c/windows/syswow64" ] && arch=win64 || arch=win32; }
    echo "$arch"
}

# Which build of the program runs, from what the machine runs and the prefix:
#   choose_build <runs 32-bit: yes|no> <prefix: none|win32|win64>
# prints i686 (the 32-bit program, Wine's 32-bit loader, in a 32-bit or 64-bit
# prefix, as Windows runs it) or x86_64 (a 64-bit build of the same sources, Wine's
# 64-bit loader). Refuses, saying why, a 32-bit prefix on a machine that cannot
# run 32-bit programs: nothing could run in it there.
choose_build() {
    case $1/$2 in
    yes/*) echo i686 ;;
    no/none | no/win64) echo x86_64 ;;
    *)
        echo "run: this machine cannot run 32-bit programs (its kernel answers \"Exec format error\"), and" \
             "the prefix is a 32-bit one, which only Wine's 32-bit loader runs; nothing was changed." \
             "Run it on a machine that runs 32-bit programs, or use a 64-bit prefix." >&2
        return 1 ;;
    esac
}

# The run command's own prefix for a build (i686 or x86_64).
own_run_prefix() {
    echo "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix-run$([ "$1" = i686 ] || echo 64)"
}

# The folder where Wine keeps the prefix's server: "server-<device>-<inode>" of the
# prefix folder in hex, under /tmp (Debian's Wine puts it in /tmp/wine-*, others in
# /tmp/.wine-<uid>).
prefix_server_dir_name() {
    local dev ino
    read -r dev ino < <(stat -c '%d %i' "$1") || return 1
    printf 'server-%x-%x' "$dev" "$ino"
}

# The wine.inf of the Wine a program belongs to (wine, wine64, wineserver...), found
# beside it as Wine installs it (bin/../share/wine, lib/wine/../../share/wine, a
# build tree's loader/..); nothing when there is none.
wine_inf_of() {
    local program dir
    program=$(command -v "$1" 2>/dev/null) || return 0
    program=$(realpath "$program" 2>/dev/null) || return 0
    dir=$(dirname "$program")
    for inf in "$dir/../share/wine/wine.inf" "$dir/../../share/wine/wine.inf" "$dir/../wine.inf" \
               "$dir/../loader/wine.inf"; do
        [ -f "$inf" ] && { realpath "$inf"; return 0; }
    done
}

# The process of a Wine server running for the prefix, if one runs: it works in
# the prefix's server folder.
prefix_server_pid() {
    local name pid
    name=$(prefix_server_dir_name "$1") || return 0
    for pid in $(pgrep -u "$(id -u)" wineserver 2>/dev/null); do
        if [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$name" ]; then
            echo "$pid"
            return 0
        fi
    done
}
# Its program.
prefix_server_of() {
    local pid
    pid=$(prefix_server_pid "$1")
    [ -z "$pid" ] || readlink "/proc/$pid/exe"
}

# Whether the prefix may be run by the Wine whose wine.inf is given, from what the
# prefix and the system say:
#   prefix_verdict <prefix> <its .update-timestamp, or "none"> <wine> <its wine.inf, or "">
#                  <that wine.inf's mtime> <a running server's program, or ""> <its wine.inf>
#                  <update: yes/no>
# Says nothing and succeeds when it may; otherwise says why on stderr and fails.
# A prefix records the Wine that last updated it as the modification time of that
# Wine's wine.inf; another Wine updates the whole prefix when it starts (its DLLs,
# much of its registry), and a server of another Wine makes ours stop.
prefix_verdict() {
    local prefix=$1 stamp=${2%$'\r'} wine=$3 inf=$4 inf_time=$5 server=$6 server_inf=$7 update=$8
    local how="give the prefix's own Wine with --wine PATH (or WINE=PATH, and WINESERVER for its server)"
    if [ -n "$server" ] && [ "$server_inf" != "$inf" ]; then
        echo "run: a server of another Wine ($server) is running for $prefix, perhaps the simulation's;" \
             "$wine cannot join it. Close what runs there, or $how. Nothing was changed." >&2
        return 1
    fi
    [ "$stamp" = disable ] && return 0     # the player turned Wine's updates off
    [ -n "$inf" ] && [ "${stamp%% *}" = "$inf_time" ] && return 0
    [ "$update" = yes ] && return 0
    if [ -z "$inf" ]; then
        echo "run: $wine is not a Wine whose wine.inf can be found, so which Wine made $prefix cannot be" \
             "told; $how, or pass --update-prefix to run it anyway. Nothing was changed." >&2
    elif [ "$stamp" = none ]; then
        echo "run: $prefix has no .update-timestamp, so $wine would update the whole prefix first; $how," \
             "or pass --update-prefix to let it. Nothing was changed." >&2
    else
        echo "run: $prefix was last updated by another Wine (its .update-timestamp says $stamp; $wine is" \
             "of $inf, $inf_time), which $wine would update the whole prefix to replace: its DLLs and much" \
             "of its registry. $how, or pass --update-prefix to let $wine update it. Nothing was changed." >&2
    fi
    return 1
}

# The folder that the prefix's drive C stands for: where dosdevices/c: points.
prefix_drive_c() {
    local prefix=$1 link
    link=$(readlink "$prefix/dosdevices/c:" 2>/dev/null) || { echo "$prefix/drive_c"; return 0; }
    case $link in
    /*) realpath -m "$link" ;;
    *) realpath -m "$prefix/dosdevices/$link" ;;
    esac
}

# The settings file in a drive C folder as Windows finds C:\korvane.ini, whose
# names are case-blind: the name in that case first, else any case; the name in
# that case when there is none yet.
settings_file_in() {
    local drive=$1 found
    if [ ! -e "$drive/korvane.ini" ]; then
        found=$(find "$drive/" -maxdepth 1 -iname korvane.ini -print -quit 2>/dev/null)
        [ -n "$found" ] && { echo "$found"; return 0; }
    fi
    echo "$drive/korvane.ini"
}
