#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds from its seed corpus; new inputs go
# to a work corpus outside the source tree, a crashing input beside it (crash-*).
# Usage: run_fuzzer.sh fuzzer seconds seed-folder work-folder
# Exit: the fuzzer's status (0 when it ran the whole time without a fault).
set -u
fuzzer=$1 seconds=$2 seeds=$3 work=$4
mkdir -p "$work"
cd "$work" || exit 1
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=20000 \
    -print_final_stats=1 "$work" "$seeds"
