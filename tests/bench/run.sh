#!/usr/bin/env bash
# The console benchmarks, side by side with their references, in one table:
#   P1  fetch: rows x 5 columns through OCI array defines, vs SQLite's C API
#   P2  spool: `set screen off`, spool, select * from big, vs `sqlite3 -column` to a file
#   P2b screen: the same rows printed with screen on to a pipe, vs `sqlite3 -column` to a pipe
#   P3  memory: peak resident memory of the big query beside the small one's
#   P4  start-up: start to first prompt and exit with a connect string, vs the sqlite3 shell
#   P5  script: single-row inserts through @ and through piped input, vs the sqlite3 shell
#       running them in one transaction
#   P6  completion: Tab on a table-name prefix in a schema of many tables, key to list
# The references read the engine's own database files. Every figure is the median of
# several runs. Builds the release configuration first unless given a build folder.
#
# Usage: tests/bench/run.sh [--smoke] [--runs N] [--build-dir DIR] [--only LIST]
#   --smoke      tiny sizes and one run: checks that every benchmark works (CI)
#   --runs N     runs per figure (default 5)
#   --build-dir  use the programs already built there instead of building
#   --only LIST  run only the benchmarks named, comma-separated (P1,P2,P3,P4,P5,P6; P2
#                includes P2b); the schema of many tables is made only for P6
# Exit: 0 done, 1 a benchmark failed, 77 a needed tool (sqlite3, GNU time) is missing.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
SMOKE=0
RUNS=5
BUILD=""
ONLY="P1,P2,P3,P4,P5,P6"
while [ $# -gt 0 ]; do
    case $1 in
    --smoke) SMOKE=1; RUNS=1 ;;
    --runs) RUNS=$2; shift ;;
    --build-dir) BUILD=$(cd "$2" && pwd); shift ;;
    --only) ONLY=$2; shift ;;
    *) sed -n '2,22p' "$0" >&2; exit 2 ;;
    esac
    shift
done
if [ $SMOKE = 1 ]; then
    ROWS=2000 SMALL=200 INSERTS=50 TABLES=30 PREFIX=T0001
else
    ROWS=1000000 SMALL=10000 INSERTS=10000 TABLES=10000 PREFIX=T012
fi
# selected NAME: whether the benchmark NAME is to run
selected() { case ",$ONLY," in *",$1,"*) return 0 ;; *) return 1 ;; esac; }
for name in ${ONLY//,/ }; do
    case $name in P1|P2|P3|P4|P5|P6) ;; *) echo "unknown benchmark: $name" >&2; exit 2 ;; esac
done
selected P6 || TABLES=1

command -v sqlite3 >/dev/null || { echo "sqlite3 is not installed (tools/install-deps.sh test): skipped"; exit 77; }
[ -x /usr/bin/time ] || { echo "GNU time is not installed (tools/install-deps.sh test): skipped"; exit 77; }

if [ -z "$BUILD" ]; then
    echo "building the release configuration ..."
    (cd "$ROOT" && cmake --preset release >/dev/null &&
        cmake --build --preset release --target vantro vantro_oci vantro_fetch_bench vantro_bench_data \
            vantro_completion_bench >/dev/null)
    BUILD=$ROOT/build/release
fi
BIN=$BUILD/bin
for p in vantro vantro_fetch_bench vantro_bench_data $(selected P6 && echo vantro_completion_bench); do
    [ -x "$BIN/$p" ] || { echo "missing $BIN/$p"; exit 1; }
done

WORK=$(mktemp -d)
# The data is made in memory where there is room (thousands of DDL commits wait for the
# disk otherwise), then copied to the work folder where every benchmark reads it.
MAKE_DIR=$WORK
[ -d /dev/shm ] && [ -w /dev/shm ] && MAKE_DIR=$(mktemp -d /dev/shm/vantro-bench.XXXXXX)
cleanup() {
    rm -rf "$WORK"
    [ "$MAKE_DIR" != "$WORK" ] && rm -rf "$MAKE_DIR"
    return 0
}
trap cleanup EXIT
export VANTRO_HOME=$WORK/home VANTRO_OCI_LIB=embedded
echo "creating the data: $ROWS rows, $TABLES tables ..."
"$BIN/vantro_bench_data" "$MAKE_DIR/home" "$ROWS" "$SMALL" "$TABLES" >/dev/null
[ "$MAKE_DIR" != "$WORK" ] && cp -r "$MAKE_DIR/home" "$WORK/home" && rm -rf "$MAKE_DIR" && MAKE_DIR=$WORK
DB=$VANTRO_HOME/databases/bench/BENCH.db
CONNECT=bench/bench@bench
cd "$WORK"

# ---- measuring ---------------------------------------------------------------------
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
now_ns() { date +%s%N; }
# seconds of one run of the command given as a string (run by bash, stdout discarded
# unless the command redirects it)
time_once() {
    local start end
    start=$(now_ns)
    bash -c "$1" >/dev/null 2>"$WORK/stderr" || { echo "failed: $1" >&2; cat "$WORK/stderr" >&2; exit 1; }
    end=$(now_ns)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", (e - s) / 1e9 }'
}
seconds() { local i; for ((i = 0; i < RUNS; i++)); do time_once "$1"; done | median; }
# peak resident kilobytes of the command (run through GNU time)
peak_kb() {
    local i
    for ((i = 0; i < RUNS; i++)); do
        /usr/bin/time -f "%M" -o "$WORK/rss" bash -c "exec $1" >/dev/null 2>&1 || { echo "failed: $1" >&2; exit 1; }
        cat "$WORK/rss"
    done | median
}
ROWS_OUT=()
row() {   # name, what, vantro figure, reference figure, unit, target text
    local ratio="-"
    if [ "$4" != "-" ]; then ratio=$(awk -v a="$3" -v b="$4" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }'); fi
    ROWS_OUT+=("$(printf '%-4s %-52s %10s %10s %-4s %6s  %s' "$1" "$2" "$3" "$4" "$5" "$ratio" "$6")")
}
ms() { awk -v s="$1" 'BEGIN { printf "%.1f", s * 1000 }'; }

# ---- P1 fetch ----------------------------------------------------------------------
if selected P1; then
echo "P1 fetch ..."
p1_oci=() p1_api=()
for ((i = 0; i < RUNS; i++)); do
    out=$("$BIN/vantro_fetch_bench" "$ROWS" 1000)
    p1_oci+=("$(echo "$out" | awk '/^OCI array fetch/ { print $(NF - 1) }')")
    p1_api+=("$(echo "$out" | awk '/^SQLite C API, values as text/ { print $7 }')")
done
row P1 "fetch $ROWS rows x 5 columns: OCI / C API" \
    "$(printf '%s\n' "${p1_oci[@]}" | median)" "$(printf '%s\n' "${p1_api[@]}" | median)" s "engine issue"

fi
# ---- P2 spool, P2b screen ----------------------------------------------------------
if selected P2; then
echo "P2 spool, P2b screen ..."
printf 'set screen off\nspool %s/p2.lst\nselect * from big;\nspool off\nexit\n' "$WORK" > p2.sql
printf 'set screen on\nselect * from big;\nexit\n' > p2b.sql
p2=$(seconds "'$BIN/vantro' $CONNECT < p2.sql")
lines=$(grep -c 'a note of some length' "$WORK/p2.lst" || true)
[ "$lines" = "$ROWS" ] || { echo "P2: the spool file holds $lines rows, not $ROWS" >&2; exit 1; }
p2_ref=$(seconds "sqlite3 -column '$DB' 'select * from BIG' > '$WORK/ref.txt'")
row P2 "spool, screen off: vantro / sqlite3 -column" "$p2" "$p2_ref" s "<= 1.5"
p2b=$(seconds "'$BIN/vantro' $CONNECT < p2b.sql | cat > /dev/null")
p2b_ref=$(seconds "sqlite3 -column '$DB' 'select * from BIG' | cat > /dev/null")
row P2b "screen on to a pipe: vantro / sqlite3 -column" "$p2b" "$p2b_ref" s "<= 1.5"

fi
# ---- P3 memory ---------------------------------------------------------------------
if selected P3; then
echo "P3 memory ..."
printf 'set screen off\nselect * from big;\nexit\n' > p3big.sql
printf 'set screen off\nselect * from small;\nexit\n' > p3small.sql
big_kb=$(peak_kb "'$BIN/vantro' $CONNECT < p3big.sql")
small_kb=$(peak_kb "'$BIN/vantro' $CONNECT < p3small.sql")
row P3 "peak memory: $ROWS rows / $SMALL rows" \
    "$(awk -v k="$big_kb" 'BEGIN { printf "%.1f", k / 1024 }')" \
    "$(awk -v k="$small_kb" 'BEGIN { printf "%.1f", k / 1024 }')" MB "difference <= 10 MB"

fi
# ---- P4 start-up -------------------------------------------------------------------
if selected P4; then
echo "P4 start-up ..."
p4=$(seconds "echo exit | '$BIN/vantro' $CONNECT")
p4_ref=$(seconds "echo .quit | sqlite3 '$DB'")
row P4 "start, connect, first prompt, exit" "$(ms "$p4")" "$(ms "$p4_ref")" ms "<= 30 ms"

fi
# ---- P5 script ---------------------------------------------------------------------
if selected P5; then
echo "P5 script ..."
for ((i = 1; i <= INSERTS; i++)); do echo "insert into ins values ($i, 'name $i');"; done > ins.sql
printf '@%s/ins.sql\nrollback;\nexit\n' "$WORK" > p5at.sql
{ cat ins.sql; printf 'rollback;\nexit\n'; } > p5pipe.sql
{ echo 'begin;'; cat ins.sql; echo 'rollback;'; } > p5ref.sql
p5at=$(seconds "'$BIN/vantro' $CONNECT < p5at.sql")
p5pipe=$(seconds "cat p5pipe.sql | '$BIN/vantro' $CONNECT")
p5_ref=$(seconds "sqlite3 '$DB' < p5ref.sql")
done_rows=$(cat p5pipe.sql | "$BIN/vantro" $CONNECT | grep -c '^1 row inserted' || true)
[ "$done_rows" = "$INSERTS" ] || { echo "P5: $done_rows of $INSERTS inserts ran" >&2; exit 1; }
row P5 "$INSERTS inserts through @ / sqlite3, one transaction" "$p5at" "$p5_ref" s "<= 10 (engine issue)"
row P5 "$INSERTS inserts piped / sqlite3, one transaction" "$p5pipe" "$p5_ref" s "<= 10 (engine issue)"

fi
# ---- P6 completion -----------------------------------------------------------------
if selected P6; then
echo "P6 completion ..."
out=$("$BIN/vantro_completion_bench" "$VANTRO_HOME" "$PREFIX" "$((RUNS < 5 ? 5 : RUNS))")
p6=$(echo "$out" | awk '{ print $2 }')
p6_ref=$(seconds "sqlite3 '$VANTRO_HOME/databases/tabs/TABS.db' \"select name from sqlite_master where type = 'table' and name like '$PREFIX%' order by name\"")
row P6 "Tab on '$PREFIX' among $TABLES tables / sqlite3 query" "$p6" "$(ms "$p6_ref")" ms "<= 50 ms"

fi
# ---- the table ---------------------------------------------------------------------
echo
echo "Vantro benchmarks ($(uname -m), $(nproc) cores, medians of $RUNS runs$([ $SMOKE = 1 ] && echo ', smoke sizes'))"
printf '%-4s %-52s %10s %10s %-4s %6s  %s\n' "" "" vantro reference unit ratio target
for r in "${ROWS_OUT[@]}"; do echo "$r"; done
