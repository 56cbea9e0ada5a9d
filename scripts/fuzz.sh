#!/usr/bin/env bash
# Runs the settings-file fuzzer for SECONDS (default 30) from the seed corpus, in a
# scratch directory that stands for drive C. Any finding fails the run and is kept
# in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
root=$PWD
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" build/fuzz/findings
cp tests/fuzz/corpus/* "$work/corpus/"
cd "$work"
status=0
"$root/build/fuzz/tests/fuzz_settings_file" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/findings/" corpus >fuzz.log 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|Done)|ERROR|SUMMARY' fuzz.log || true
if [ "$status" -ne 0 ]; then
    tail -n 40 fuzz.log
    echo "fuzzing found a fault (exit $status); inputs in build/fuzz/findings" >&2
    exit 1
fi
