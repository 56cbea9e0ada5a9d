# The build, and the work folders of the scripts and the tests, under build/.
# shellcheck shell=bash

KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Builds the given presets, saying nothing unless a build fails. Where build/ is
# another user's (a run as root made it), what is there is run if it is up to date.
korvane_build() {
    local preset dir out
    for preset in "$@"; do
        dir=$KORVANE_ROOT/build/$preset
        if mkdir -p "$dir" 2>/dev/null && [ -w "$dir" ]; then
            out=$(cd "$KORVANE_ROOT" && cmake --preset "$preset" 2>&1 && cmake --build --preset "$preset" 2>&1) ||
                { echo "$out" >&2; return 1; }
        elif ! ninja -C "$dir" -n 2>/dev/null | grep -q '^ninja: no work to do'; then
            echo "build: $dir is $(stat -c %U "$dir" 2>/dev/null || echo "another user")'s and out of date;" \
                 "run the command once as that user to build it." >&2
            return 1
        fi
    done
}

# An empty folder of build/work for a script's or a test's own files.
work_folder() {
    local dir=$KORVANE_ROOT/build/work/$1
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "$dir"
}
