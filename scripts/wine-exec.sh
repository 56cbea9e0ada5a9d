#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix: the emulator that ctest uses
# for the Windows test executables.
. "$(dirname "$0")/wine-env.sh"
wine_prefix_init
exec "$KORVANE_WINE" "$@"
