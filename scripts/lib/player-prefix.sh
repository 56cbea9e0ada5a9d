# The policy for a player's own Wine prefix: its kind, and whether a Wine may run
# it without updating it.
# shellcheck shell=bash

# The prefix's architecture, as Wine records it: win32 or win64.
prefix_arch() {
    local arch
    arch=$(sed -n 's/^#arch=//p' "$1/system.reg" 2>/dev/null | head -n1)
    echo "${arch:-$([ -d "$1/drive_c/windows/syswow64" ] && echo win64 || echo win32)}"
}

# The wine.inf of the Wine a program belongs to, found beside it as Wine installs it.
wine_inf_of() {
    local program dir inf
    program=$(realpath "$(command -v "$1" 2>/dev/null)" 2>/dev/null) || return 0
    dir=$(dirname "$program")
    for inf in "$dir/../share/wine/wine.inf" "$dir/../../share/wine/wine.inf" "$dir/../wine.inf" \
               "$dir/../loader/wine.inf"; do
        if [ -f "$inf" ]; then realpath "$inf"; return 0; fi
    done
}

# Whether a Wine may run a player's prefix, silent when it may: prefix_may_run
# PREFIX WINE UPDATE (yes to let that Wine update it). A prefix records the last
# Wine that updated it as its wine.inf's time: another would update the whole
# prefix, and a server of another makes ours stop.
prefix_may_run() {
    local inf server
    inf=$(wine_inf_of "$2")
    server=$(prefix_server_of "$1")
    stamp=$(head -n1 "$1/.update-timestamp" 2>/dev/null) inf=$inf inf_time=$([ -z "$inf" ] || stat -c %Y "$inf") \
        server=$server server_inf=$([ -z "$server" ] || wine_inf_of "$server") update=$3 prefix_verdict "$1" "$2"
}

# The decision on what is known, as named settings: prefix_verdict PREFIX WINE with
# stamp (the prefix's .update-timestamp), inf and inf_time (the Wine's wine.inf and
# its time), server and server_inf (a running server's program and its wine.inf),
# update (yes or no).
prefix_verdict() {
    local prefix=$1 wine=$2 stamp=${stamp:-} inf=${inf:-} inf_time=${inf_time:-} server=${server:-}
    local server_inf=${server_inf:-} update=${update:-no}
    stamp=${stamp%$'\r'} && stamp=${stamp:-none}
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

