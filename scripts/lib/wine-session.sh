# The Wine environment of the scripts and the tests, a prefix's drive C and its
# server, and a Wine session with its X display.
# shellcheck shell=bash

. "$(dirname "${BASH_SOURCE[0]}")/build.sh"
. "$(dirname "${BASH_SOURCE[0]}")/machine.sh"

# The environment for KORVANE_WINDOWS_ARCH (else this machine's choice) in the
# prefix KORVANE_WINEPREFIX (else the tests' own: never ~/.wine, whose settings file
# the tests remove). The loader is named: Debian's "wine" takes the 32-bit one even
# where it cannot run.
wine_env() {
    export KORVANE_WINDOWS_ARCH=$(this_machines_build)
    local suffix=
    if [ "$KORVANE_WINDOWS_ARCH" = x86_64 ]; then
        KORVANE_WINE=/usr/lib/wine/wine64 KORVANE_WIN_PRESET=win64 suffix=64
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    else
        KORVANE_WINE=/usr/lib/wine/wine KORVANE_WIN_PRESET=win32
        export WINEARCH=win32
    fi
    export WINEPREFIX=${KORVANE_WINEPREFIX:-$KORVANE_ROOT/build/wineprefix$suffix}
    export WINEDEBUG=${WINEDEBUG:--all,err+module}
    export WINEDLLOVERRIDES="mscoree,mshtml=${KORVANE_DLLOVERRIDES:+;$KORVANE_DLLOVERRIDES}"
    # The locale sets Wine's ANSI code page: 1252 unless a test asks for another.
    # (Wine needs no host locale for it: bash's warning that there is none is hushed.)
    { export LANG=${KORVANE_LOCALE:-C.UTF-8} LC_ALL=${KORVANE_LOCALE:-C.UTF-8}; } 2>/dev/null
}

# Polls CMD every 50 ms until it succeeds or SECONDS pass.
wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# The run command's own prefix for a build (i686 or x86_64).
own_run_prefix() { echo "$KORVANE_ROOT/build/wineprefix-run$([ "$1" = i686 ] || echo 64)"; }

# The folder that the prefix's drive C stands for: where dosdevices/c: points.
prefix_drive_c() {
    if [ -L "$1/dosdevices/c:" ]; then (cd "$1/dosdevices" && realpath -m "$(readlink c:)"); else echo "$1/drive_c"; fi
}

# The settings file in a drive C folder as Windows finds C:\korvane.ini, whose
# names are case-blind: the name in that case, else any case, else that case.
settings_file_in() {
    { [ ! -e "$1/korvane.ini" ] && find "$1/" -maxdepth 1 -iname korvane.ini -print -quit 2>/dev/null | grep .; } ||
        echo "$1/korvane.ini"
}

# The folder, under /tmp, where a Wine server of the prefix works.
prefix_server_dir_name() {
    local dev ino
    read -r dev ino < <(stat -c '%d %i' "$1") || return 1
    printf 'server-%x-%x' "$dev" "$ino"
}

# The process of the prefix's running Wine server, and its program.
prefix_server_pid() {
    local name pid
    name=$(prefix_server_dir_name "$1") || return 0
    for pid in $(pgrep wineserver 2>/dev/null); do
        if [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$name" ]; then echo "$pid"; fi
    done
}
prefix_server_of() { local pid; pid=$(prefix_server_pid "$1"); [ -z "$pid" ] || readlink "/proc/$pid/exe"; }

# Stops the prefix's Wine server if one runs (asking where none runs would make its
# folder anew), and removes that folder in /tmp.
prefix_forget() {
    local name pid dir
    [ -d "$1" ] || return 0
    name=$(prefix_server_dir_name "$1") || return 0
    pid=$(prefix_server_pid "$1")
    if [ -n "$pid" ]; then
        WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || kill "$pid" 2>/dev/null
        wait_for 10 eval "! kill -0 $pid 2>/dev/null" || echo "wine: the server of $1 did not stop" >&2
    fi
    for dir in /tmp/wine-*/"$name" /tmp/.wine-*/"$name"; do
        if [ -d "$dir" ]; then rm -rf "$dir"; rmdir "$(dirname "$dir")" 2>/dev/null || true; fi
    done
}

# Boots the prefix once, and gives it Wine's own fonts, among them the dialog's
# bitmap "MS Sans Serif", which Debian's Wine (8 and 10) does not load from where the
# fonts-wine package puts them (the dialog would fall back to a wider host font);
# wine_prefix_fonts prints how many it copied.
wine_prefix_init() {
    if [ ! -f "$WINEPREFIX/.korvane-ready" ]; then
        mkdir -p "$WINEPREFIX"
        echo "wine: creating the prefix $WINEPREFIX" >&2
        "$KORVANE_WINE" wineboot -i >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.korvane-ready"
    fi
    wine_prefix_fonts >/dev/null
}
wine_prefix_fonts() {
    local fonts
    fonts="$(prefix_drive_c "$WINEPREFIX")/windows/Fonts"
    mkdir -p "$fonts"
    cp -n -v /usr/share/wine/fonts/* "$fonts/" | wc -l
}

_korvane_xvfb_pid= _korvane_keeper_pid=

# A Wine session in the prefix, until wine_session_stop or the exit: on the current
# display when asked (KORVANE_USE_DISPLAY), its window manager keeping the windows;
# else on an X server of its own, which has none, so Wine manages them itself (else
# every hidden window waits 2 s for one). A keeper program, when given, starts
# Wine's helper processes, so that they are not children of what runs next (ctest).
# The caller stops it (trap wine_session_stop EXIT).
wine_session_start() {
    local keeper=${1:-} managed=N out fdfile
    wine_prefix_init
    if [ -n "${KORVANE_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
        managed=Y
    else
        fdfile=$(work_folder "xvfb-$$")/display
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
        _korvane_xvfb_pid=$!
        wait_for 20 test -s "$fdfile" || { echo "Xvfb did not start" >&2; return 1; }
        export DISPLAY=":$(head -n1 "$fdfile")"
    fi
    if ! grep -q "^\"Managed\"=\"$managed\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$KORVANE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
    fi
    [ -n "$keeper" ] || return 0
    out=$(work_folder keeper)/out
    "$KORVANE_WINE" "$keeper" >"$out" 2>&1 </dev/null &
    _korvane_keeper_pid=$!
    wait_for 60 grep -q ready "$out" || { echo "Wine did not start: $(cat "$out")" >&2; return 1; }
}

wine_session_stop() {
    prefix_forget "$WINEPREFIX"
    [ -z "$_korvane_xvfb_pid" ] || kill "$_korvane_xvfb_pid" 2>/dev/null || true
    local pid
    for pid in $_korvane_keeper_pid $_korvane_xvfb_pid; do wait "$pid" 2>/dev/null || true; done
    _korvane_keeper_pid= _korvane_xvfb_pid=
}
