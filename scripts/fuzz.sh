#!/usr/bin/env bash
# Runs the settings-record fuzzer for SECONDS (default 30) from the seed corpus. Any
# finding fails the run and is kept in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
work=build/fuzz/run
rm -rf "$work"
mkdir -p "$work/corpus" build/fuzz/findings
cp tests/fuzz/corpus/* "$work/corpus/"
status=0
build/fuzz/tests/fuzz_settings_record -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/findings/ "$work/corpus" >"$work/fuzz.log" 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|Done)|ERROR|SUMMARY' "$work/fuzz.log" || true
if [ "$status" -ne 0 ]; then
    tail -n 40 "$work/fuzz.log"
    echo "fuzzing found a fault (exit $status); inputs in build/fuzz/findings" >&2
    exit 1
fi
