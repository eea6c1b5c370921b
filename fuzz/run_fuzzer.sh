#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEEDS WORK SECONDS: fuzzes for SECONDS from the committed seeds. New inputs
# and any crash go under WORK, never into the source tree; the log is WORK/log and the count of
# executions WORK/summary.
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
name=$(basename "$fuzzer")
mkdir -p "$work/corpus" "$work/crashes"
rm -f "$work"/crashes/*

"$fuzzer" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$work/crashes/" \
    "$work/corpus" "$seeds" >"$work/log" 2>&1
status=$?
grep -E '^Done [0-9]+ runs' "$work/log" | sed "s|^|$name: |" | tee "$work/summary"
if [ $status -ne 0 ]; then
    tail -n 60 "$work/log"
    echo "$name failed; the input is in $work/crashes/." \
        "Keep it in fuzz/regressions/${name#fuzz_}/ once the fault is mended."
fi
exit $status
