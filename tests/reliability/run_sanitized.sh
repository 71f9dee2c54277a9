#!/usr/bin/env bash
# Runs the unit tests of the sanitizer build (scripts/build-sanitize.sh). Every sanitizer report
# aborts its process, and reports also go to files, so one that a test swallows (a child process,
# an expected failure) still fails this run.
# Usage: run_sanitized.sh SANITIZE_BUILD_DIR
set -uo pipefail

dir=${1:?usage: run_sanitized.sh SANITIZE_BUILD_DIR}
if [ ! -f "$dir/CTestTestfile.cmake" ]; then
    echo "no sanitizer build in $dir: run scripts/build-sanitize.sh first" >&2
    exit 77
fi

reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
# ASan and LSan also write their reports to files; UBSan, combined with ASan in one process by
# gcc, writes only to standard error, which the verbose log below keeps.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="log_path=$reports/lsan"

log=$reports/ctest.log
ctest --test-dir "$dir" -L unit --no-tests=error --output-on-failure -V >"$log" 2>&1
status=$?

found=0
for report in "$reports"/asan* "$reports"/ubsan* "$reports"/lsan*; do
    [ -e "$report" ] || continue
    found=1
    echo "=== sanitizer report $(basename "$report")" >&2
    cat "$report" >&2
done
pattern='runtime error:|ERROR: (Address|Leak|UndefinedBehavior)Sanitizer'
if grep -Eq "$pattern" "$log"; then
    found=1
    echo "=== sanitizer reports in the test output" >&2
    grep -E -B2 -A12 "$pattern" "$log" >&2
fi
if [ $status -ne 0 ] && [ $found -eq 0 ]; then
    grep -E -A30 'The following tests FAILED' "$log" >&2
fi
grep -E 'tests passed|Total Test time' "$log"
if [ $found -ne 0 ]; then
    echo "sanitizer reports found" >&2
    exit 1
fi
exit $status
