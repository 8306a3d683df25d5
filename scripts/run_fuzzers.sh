#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build tree and runs
# each for the given number of seconds (default 60):
#   scripts/run_fuzzers.sh [seconds] [target...]
# Targets are the fuzz/*_fuzzer.cc stems without "_fuzzer" (all by default).
# VANTRO_FUZZ_PARALLEL=n runs up to n targets at once (default 1), each at
# nice 10. New inputs go to build-fuzz/corpus/<target>/, crashes to
# build-fuzz/artifacts/, each run's output to build-fuzz/logs/<target>.log;
# the seed corpus under fuzz/corpus/ is only read. A summary of executions
# per target is printed at the end; any crash or leak fails the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${VANTRO_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${VANTRO_FUZZ_BUILD_JOBS:-2}
parallel=${VANTRO_FUZZ_PARALLEL:-1}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/fuzz/*_fuzzer.cc; do
    name=$(basename "$source" .cc)
    targets+=("${name%_fuzzer}")
  done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRO_BUILD_FUZZERS=ON \
  -DVANTRO_BUILD_TESTS=OFF -DVANTRO_BUILD_BENCHMARKS=OFF > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$jobs" --target "${targets[@]/%/_fuzzer}"
mkdir -p "$build/artifacts" "$build/logs"

run_one() {
  local target=$1 name=$1_fuzzer
  mkdir -p "$build/corpus/$target"
  local args=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
              -artifact_prefix="$build/artifacts/$target-")
  [[ -f "$root/fuzz/$target.dict" ]] && args+=(-dict="$root/fuzz/$target.dict")
  echo "== $name for ${seconds}s (log: $build/logs/$target.log)"
  nice -n 10 "$build/fuzz/$name" "${args[@]}" "$build/corpus/$target" \
    "$root/fuzz/corpus/$target" > "$build/logs/$target.log" 2>&1
}

status=0
pids=()
names=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  names+=("$target")
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || { echo "!! ${names[0]} failed"; status=1; }
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "!! ${names[$i]} failed"; status=1; }
done

printf '\n%-22s %14s %10s %8s %8s  %s\n' target executions exec/s cov corpus result
for target in "${targets[@]}"; do
  log="$build/logs/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1 || true)
  cov=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | cut -d' ' -f2)
  corpus=$(find "$build/corpus/$target" -type f | wc -l)
  result=ok
  grep -qE '^==[0-9]+==ERROR|^SUMMARY: |deadly signal|fuzzer: ' "$log" && result="CRASH (see log)"
  printf '%-22s %14s %10s %8s %8s  %s\n' "$target" "${runs:-?}" "${speed:-?}" "${cov:-?}" \
    "$corpus" "$result"
done
exit $status
