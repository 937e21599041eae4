#!/usr/bin/env bash
# Runs every libFuzzer target of BUILD_DIR/fuzz for SECONDS each (0: its seeds only, once),
# starting from the seeds in fuzz/seeds/<target> (every shipped layout for the layout target)
# and the corpus earlier runs grew. Prints the executions of each target; fails on the first
# crash, leak or undefined behaviour, whose input libFuzzer leaves as crash-*/leak-* in
# BUILD_DIR/fuzz/findings. Usage: tools/run-fuzz.sh BUILD_DIR SECONDS
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?build folder}"
seconds="${2:-60}"
bin="$build/fuzz"
findings="$bin/findings"
mkdir -p "$findings"
status=0
for target in "$bin"/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name="$(basename "$target")"
  seeds="$bin/corpus/$name"
  mkdir -p "$seeds"
  [ -d "$root/fuzz/seeds/${name#fuzz_}" ] && cp -n "$root/fuzz/seeds/${name#fuzz_}"/* "$seeds"/ 2>/dev/null
  [ "$name" = fuzz_reportlayout ] && cp -n "$root"/resources/report/*.frf "$seeds"/
  if [ "$seconds" -eq 0 ]; then
    args=(-runs=0)
  else
    args=(-max_total_time="$seconds")
  fi
  log="$findings/$name.log"
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$target" "${args[@]}" -print_final_stats=1 -artifact_prefix="$findings/$name-" -max_len=65536 \
    -timeout=20 -rss_limit_mb=2048 "$seeds" >"$log" 2>&1
  rc=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)"
  if [ $rc -ne 0 ]; then
    echo "$name: FAILED after ${runs:-?} executions (exit $rc); see $log"
    grep -E "ERROR: |runtime error|SUMMARY" "$log" | head -n5
    status=1
  else
    echo "$name: ${runs:-0} executions, 0 crashes, 0 leaks, 0 undefined behaviour (corpus $(ls "$seeds" | wc -l) inputs)"
  fi
done
exit $status
