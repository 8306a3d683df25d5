#!/usr/bin/env bash
# Builds and runs the whole test suite: a plain build, then the tests
# against a QNN SDK's real libraries (qnn-sdk), then the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer (with LeakSanitizer), then
# under ThreadSanitizer, then the Windows stage (a MinGW-w64 cross build run
# under Wine, scripts/windows_stage.sh). Any failure or sanitizer report
# fails the run.
#   scripts/run_tests.sh              all five stages
#   scripts/run_tests.sh --quick      the plain stage only
#   scripts/run_tests.sh STAGE...     the named stages (plain qnn-sdk address thread windows)
#
# The qnn-sdk stage takes the SDK root from VANTRO_QNN_SDK_ROOT, else
# ../shared/qnn-sdk beside the project; the root needs lib/x86_64-linux-clang/.
# When the root also holds include/QNN/, the stage builds everything against
# the SDK's headers and runs the whole suite there too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
stages=(plain qnn-sdk address thread windows)
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
    qnn-sdk)
      sdk_root=${VANTRO_QNN_SDK_ROOT:-}
      if [ -z "$sdk_root" ] && [ -d "$root/../shared/qnn-sdk" ]; then
        sdk_root=$(cd "$root/../shared/qnn-sdk" && pwd)
      fi
      if [ -z "$sdk_root" ] || [ ! -d "$sdk_root/lib/x86_64-linux-clang" ]; then
        echo "=== test stage qnn-sdk: skipped: no QNN SDK with lib/x86_64-linux-clang/" \
             "(set VANTRO_QNN_SDK_ROOT to an SDK root)"
        continue
      fi
      dir="$root/build-test-qnn-sdk"
      args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRO_BUILD_BENCHMARKS=OFF
            -DVANTRO_QNN_SDK_LIB_DIR="$sdk_root/lib/x86_64-linux-clang")
      if [ -f "$sdk_root/include/QNN/QnnInterface.h" ]; then
        # The SDK's own headers: the whole suite, and our declarations compared with them.
        scripts/build.sh "$dir" "${args[@]}" -DVANTRO_QNN_SDK_ROOT="$sdk_root"
        tests=()
      else
        mkdir -p "$dir"
        # Empty on purpose: a tree configured earlier with an SDK's headers goes back to ours.
        cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" -DVANTRO_QNN_SDK_ROOT= > "$dir.configure.log" 2>&1 ||
          { cat "$dir.configure.log"; exit 1; }
        cmake --build "$dir" -j "$(nproc)" --target vantro_qnn_sdk_tests
        tests=(-L qnn_sdk)
      fi
      built=$SECONDS
      # The real-QNN tests alone share no dump directory: no serial pass for them.
      (cd "$dir" && ctest --output-on-failure -j "$(nproc)" --timeout 600 "${tests[@]}" -E "$serial" &&
        if [ ${#tests[@]} -eq 0 ]; then ctest --output-on-failure --timeout 600 -R "$serial"; fi)
      echo "=== test stage qnn-sdk ($sdk_root): build $((built - start)) s, tests $((SECONDS - built)) s"
      continue ;;
    windows)
      scripts/windows_stage.sh "$root/build-test-windows"
      echo "=== test stage windows: $((SECONDS - start)) s"
      continue ;;
    *) echo "unknown test stage: $stage (plain, qnn-sdk, address, thread, windows)" >&2; exit 2 ;;
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
