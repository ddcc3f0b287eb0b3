#!/usr/bin/env bash
# Kills the engine in the middle of its work and checks what survives: crash_workload
# runs inserts with commits and DDL, is killed with SIGKILL after a random (seeded)
# time, and the checker then verifies the database after every kill.
# Usage: crash_test.sh crash_workload [rounds] [seed]
set -u
workload=$1 rounds=${2:-10} seed=${3:-20261207}
home=$(mktemp -d /tmp/vantro_crash_XXXXXX)
# Kept when a check fails, for a look at the files and the log.
trap '[ "${ok:-0}" = 1 ] && rm -rf "$home"' EXIT
export VANTRO_HOME=$home
log=$home/log
: >"$log"
RANDOM=$seed
first=1
for round in $(seq 1 "$rounds"); do
  "$workload" run "$first" "$RANDOM" >>"$log" 2>"$home/stderr" &
  pid=$!
  # Between 0.8 and 2.5 s: mostly past the logon, at any point of the work.
  ms=$((800 + RANDOM % 1700))
  sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "round $round: the workload stopped by itself"; cat "$home/stderr"; exit 1
  fi
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  if ! "$workload" check "$log"; then
    echo "round $round: inconsistent after the kill (files and log in $home)"; exit 1
  fi
  # The next run numbers its rows after every row any run began.
  last=$(awk '$1 == "begin" && $3 > m { m = $3 } END { print m + 0 }' "$log")
  first=$((last + 1))
done
ok=1
echo "$rounds rounds killed and checked"
