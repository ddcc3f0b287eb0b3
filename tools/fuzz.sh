#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each of them for as
# long as asked, one after the other, from the seed corpora; the inputs they find are
# kept under build/fuzz/long/<fuzzer>, a crashing input there as crash-*. Every fuzzer's
# final statistics (number of runs) are printed.
#   tools/fuzz.sh [seconds per fuzzer, default 600] [fuzzer name ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(fuzz_statement_rules fuzz_substitution fuzz_connect fuzz_set_tokenizer fuzz_script_reader
  fuzz_sql_translate fuzz_plsql_compile fuzz_date_masks fuzz_regexp fuzz_export_writers)
status=0
for name in "${names[@]}"; do
  echo "=== $name for $seconds s"
  tests/fuzz/run_fuzzer.sh "$PWD/build/fuzz/bin/$name" "$seconds" "$PWD/tests/fuzz/corpus/$name" \
      "$PWD/build/fuzz/long/$name" 2>&1 | grep -E '^(stat::number_of_executed_units|==[0-9]+==|check failed|SUMMARY|artifact_prefix|Test unit written)' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done
exit $status
