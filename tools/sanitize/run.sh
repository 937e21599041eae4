#!/usr/bin/env bash
# Runs the whole test suite of a sanitizer build (make sanitize) on SQLite and on a throwaway
# PostgreSQL, and fails on any finding of AddressSanitizer, LeakSanitizer or UBSan. Reports
# of each test program go to BUILD_DIR/sanitizer-reports. Usage: tools/sanitize/run.sh BUILD_DIR [CTEST ARGS]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?build folder}" && pwd)"
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:log_path=$reports/asan:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$here/ubsan.supp:print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
# The tests' time limits are longer in a sanitizer build (tests/CMakeLists.txt). Extra ctest
# arguments (-R, -E, -j) pass through.
"$here/../with-pg.sh" ctest --test-dir "$build" --output-on-failure -j 2 "${@:2}"
rc=$?
# Every report of AddressSanitizer, LeakSanitizer and UBSan ends with one SUMMARY line.
findings=$(cat "$reports"/* 2>/dev/null | grep -c "^SUMMARY: ")
echo "sanitizer findings: $findings (reports in $reports)"
[ "$findings" -eq 0 ] && [ $rc -eq 0 ]
