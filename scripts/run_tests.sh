#!/usr/bin/env bash
# Builds and runs the whole test suite: a plain build, then the same suite
# under AddressSanitizer + UndefinedBehaviorSanitizer (with LeakSanitizer),
# then under ThreadSanitizer, then the Windows stage (a MinGW-w64 cross build
# run under Wine, scripts/windows_stage.sh). Any failure or sanitizer report
# fails the run.
#   scripts/run_tests.sh              all four stages
#   scripts/run_tests.sh --quick      the plain stage only
#   scripts/run_tests.sh STAGE...     the named stages (plain address thread windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
stages=(plain address thread windows)
if [ "${1:-}" = "--quick" ]; then
  stages=(plain)
elif [ $# -gt 0 ]; then
  stages=("$@")
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Tests that write the plug-in's fixed dump directory run one at a time,
# after the others: in parallel they would empty it under each other.
serial='^(DispatchDumpTest|FaultInjectionSweepTest)\.'

total_start=$SECONDS
for stage in "${stages[@]}"; do
  echo "=== test stage: $stage"
  start=$SECONDS
  case $stage in
    plain|address|thread) ;;
    windows)
      scripts/windows_stage.sh "$root/build-test-windows"
      echo "=== test stage windows: $((SECONDS - start)) s"
      continue ;;
    *) echo "unknown test stage: $stage (plain, address, thread, windows)" >&2; exit 2 ;;
  esac
  dir="$root/build-test-$stage"
  san=""; [ "$stage" != plain ] && san=$stage
  scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRO_SANITIZE="$san" \
    -DVANTRO_BUILD_BENCHMARKS=$([ "$stage" = plain ] && echo ON || echo OFF)
  built=$SECONDS
  (cd "$dir" && ctest --output-on-failure -j "$(nproc)" --timeout 600 -E "$serial" &&
    ctest --output-on-failure --timeout 600 -R "$serial")
  echo "=== test stage $stage: build $((built - start)) s, tests $((SECONDS - built)) s"
done
echo "=== all test stages (${stages[*]}) passed in $((SECONDS - total_start)) s"
