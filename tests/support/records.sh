# The settings file's bytes for the shell tests.
# shellcheck shell=bash

# A version-3 record of 3 clans, with the speed slider at 4 and the worker
# percentage at 60; the default values otherwise.
old_record() {
    printf '\003\0\0\0d\0\0\0d\0\0\0\010\0\0\0\0\0\0\0\0\0\0\0\003\0\0\0\334\005\0\0'
    printf '2\0\0\0\024\0\0\0\012\0\0\0\004\0\0\0\260\004\0\0<\0\0\0\024\0\0\0\024\0\0\0\0\0\0\0\003\0\0\0'
}
# The clans a settings file holds (byte 68).
clans() { od -An -tu1 -j68 -N1 "$1" 2>/dev/null | tr -d ' '; }
