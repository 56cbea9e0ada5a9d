# Sourced by the scripts that run Windows programs: sets up a 32-bit Wine prefix
# under the build folder (never ~/.wine; build/wineprefix for the tests unless
# KORVANE_WINEPREFIX names another) and, on request, an X server and the Wine helper
# processes, all stopped again by wine_session_stop.
# shellcheck shell=bash

KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$KORVANE_ROOT/scripts/wine-prefix.sh"

# The program is a 32-bit one, and Wine runs it with its 32-bit loader, an i386
# Linux program. Some virtual machines cannot run 32-bit x86 code at all (the kernel
# answers "Exec format error"): there a 64-bit build of the same sources runs under
# Wine's 64-bit loader instead, in a 64-bit prefix. KORVANE_WINDOWS_ARCH (i686 or
# x86_64) may name the choice; run.sh makes it from the player's prefix. The
# loader is named, never left to Debian's "wine", which takes the 32-bit one
# wherever it is installed, even where it cannot run.
if [ -z "${KORVANE_WINDOWS_ARCH:-}" ]; then
    KORVANE_WINDOWS_ARCH=$(choose_build "$(machine_runs_32bit)" none)
fi
export KORVANE_WINDOWS_ARCH
if [ "$KORVANE_WINDOWS_ARCH" = x86_64 ]; then
    KORVANE_WINE=/usr/lib/wine/wine64
    KORVANE_WIN_PRESET=win64
    _korvane_prefix_suffix=64
    export WINEARCH=win64 WINELOADER=$KORVANE_WINE
else
    KORVANE_WINE=/usr/lib/wine/wine
    KORVANE_WIN_PRESET=win32
    _korvane_prefix_suffix=
    export WINEARCH=win32
fi
# Never the user's own WINEPREFIX: the tests remove C:\korvane.ini there.
export WINEPREFIX=${KORVANE_WINEPREFIX:-$KORVANE_ROOT/build/wineprefix$_korvane_prefix_suffix}
export WINEDEBUG=${WINEDEBUG:--all,err+module}
# No Mono or Gecko installer prompts; a test may add overrides of its own.
export WINEDLLOVERRIDES="mscoree,mshtml=${KORVANE_DLLOVERRIDES:+;$KORVANE_DLLOVERRIDES}"
# The locale sets Wine's ANSI code page: 1252, Western European, unless a test asks
# for another (ru_RU.UTF-8 gives 1251, ja_JP.UTF-8 gives 932).
# (Wine needs no host locale for it: bash's warning that it has none is hushed.)
{ export LANG=${KORVANE_LOCALE:-C.UTF-8} LC_ALL=${KORVANE_LOCALE:-C.UTF-8}; } 2>/dev/null

# Says, for a script (its name given), that the 64-bit build runs here, when it does.
say_build() {
    [ "$KORVANE_WIN_PRESET" = win64 ] || return 0
    echo "$1: this machine cannot run 32-bit programs (its kernel answers \"Exec format error\"): using the" \
         "64-bit build of the same sources (build/win64) with Wine's 64-bit loader, in a 64-bit prefix." >&2
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

# The Windows side of drive C, where the program keeps its settings file.
wine_drive_c() { prefix_drive_c "$WINEPREFIX"; }

# A folder of build/work for a script's or a test's own files, empty: what an
# earlier run that was killed left there is removed first. Nothing goes to /tmp.
work_folder() {
    local dir=$KORVANE_ROOT/build/work/$1
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "$dir"
}

# Stops a prefix's Wine server, if one runs, and removes what Wine kept of it in
# /tmp (its server folder), so that the prefix can go without leaving anything
# behind. (Asking a server to stop where none runs would make that folder anew.)
prefix_forget() {
    local prefix=$1 name pid dir
    [ -d "$prefix" ] || return 0
    name=$(prefix_server_dir_name "$prefix") || return 0
    pid=$(prefix_server_pid "$prefix")
    if [ -n "$pid" ]; then
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
        wait_for 10 eval "! kill -0 $pid 2>/dev/null" || echo "wine: the server of $prefix did not stop" >&2
    fi
    for dir in /tmp/wine-*/"$name" "/tmp/.wine-$(id -u)/$name"; do
        [ -d "$dir" ] || continue
        rm -rf "$dir"
        rmdir "$(dirname "$dir")" 2>/dev/null || true
    done
}

wine_prefix_init() {
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.korvane-ready" ]; then
        mkdir -p "$WINEPREFIX"
        echo "wine: creating the prefix $WINEPREFIX" >&2
        "$KORVANE_WINE" wineboot -i >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.korvane-ready"
    fi
    wine_prefix_fonts >/dev/null
}

# On an X server of our own, which has no window manager, every hidden window
# would wait 2 s for one: Wine then manages its windows itself. Set only for such
# a server; on a user's display the window manager keeps them (a taskbar entry, a
# frame it can move).
wine_prefix_unmanaged() {
    grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null ||
        "$KORVANE_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}
wine_prefix_managed() {
    ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null ||
        "$KORVANE_WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
}

# Wine's own fonts, among them the bitmap "MS Sans Serif" of the dialog. Wine 8 on
# Debian 12 does not load them from where the fonts-wine package puts them, and
# without them the dialog's font falls back to a wider host font that cuts labels.
# Copies only what the prefix's Fonts folder lacks, so an older prefix gets them too,
# and prints how many it copied.
wine_prefix_fonts() {
    local fonts
    fonts="$(prefix_drive_c "$WINEPREFIX")/windows/Fonts"
    mkdir -p "$fonts"
    cp -n -v /usr/share/wine/fonts/* "$fonts/" | wc -l
}

_korvane_xvfb_pid=
_korvane_keeper_pid=

# Starts an X server of our own on a free display.
xvfb_start() {
    local fdfile
    fdfile=$(work_folder "xvfb-$$")/display
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    _korvane_xvfb_pid=$!
    if ! wait_for 20 test -s "$fdfile"; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -rf "$(dirname "$fdfile")"
}

# A disk with no space left as the prefix's drive F, for the tests of a save on a
# full disk: a file system of one page, filled. Mounting one takes root; without,
# there is no drive F and those tests say that they skip.
_korvane_full_disk=
full_disk_start() {
    local dir=$KORVANE_ROOT/build/full-disk
    # One that a killed run left mounted goes first.
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null || true; fi
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

# Boots the prefix, starts an X server unless one is asked to use the current
# display, and starts Wine's helper processes by running a small program that keeps
# a hidden window open, so that they are not children of whatever runs next.
wine_session_start() {
    local keeper=$1
    wine_prefix_init
    full_disk_start
    if [ -z "${KORVANE_USE_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
        xvfb_start
        wine_prefix_unmanaged
    fi
    local out
    out=$(work_folder keeper)/out
    "$KORVANE_WINE" "$keeper" >"$out" 2>&1 </dev/null &
    _korvane_keeper_pid=$!
    if ! wait_for 60 grep -q ready "$out"; then
        echo "Wine did not start: $(cat "$out")" >&2
        return 1
    fi
}

wine_session_stop() {
    prefix_forget "$WINEPREFIX"
    full_disk_stop
    if [ -n "$_korvane_keeper_pid" ]; then
        wait "$_korvane_keeper_pid" 2>/dev/null || true
        _korvane_keeper_pid=
    fi
    if [ -n "$_korvane_xvfb_pid" ]; then
        kill "$_korvane_xvfb_pid" 2>/dev/null || true
        wait "$_korvane_xvfb_pid" 2>/dev/null || true
        _korvane_xvfb_pid=
    fi
}
