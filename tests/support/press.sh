# Plays the user of the setup dialog for the shell tests, from another process.
# shellcheck shell=bash

# Runs a command that shows the setup dialog (the arguments after the first four),
# its output in LOG, and press_ok ($press) in PREFIX as USER (empty: the caller),
# pressing OK with CLANS. Each ends the other's wait: a run that ends without its
# dialog ends press_ok's, and a press_ok that fails ends what runs in the prefix.
# False unless both went well.
run_pressing() {
    local prefix=$1 clans=$2 log=$3 user=$4 as=() run status=0
    shift 4
    [ -z "$user" ] || as=(setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups --)
    rm -f "$log.ended"
    { "$@" >"$log" 2>&1 </dev/null; echo "$?" >"$log.ended"; } &
    run=$!
    if ! "${as[@]}" env -u WINEARCH WINEPREFIX="$prefix" "$KORVANE_WINE" "$press" "$clans" "$log.ended" \
            >"$log.press" 2>&1 </dev/null; then
        echo "press_ok: $(cat "$log.press")" >>"$log"
        prefix_forget "$prefix"
        status=1
    fi
    wait "$run"
    [ "$(cat "$log.ended" 2>/dev/null)" = 0 ] || status=1
    return "$status"
}
