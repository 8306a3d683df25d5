#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build tree and runs
# each for the given number of seconds (default 60):
#   scripts/run_fuzzers.sh [seconds]
# New inputs go to build-fuzz/corpus/<target>/, crashes to
# build-fuzz/artifacts/; the seed corpus under fuzz/corpus/ is only read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${VANTRO_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${VANTRO_FUZZ_BUILD_JOBS:-2}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRO_BUILD_FUZZERS=ON \
  -DVANTRO_BUILD_TESTS=OFF -DVANTRO_BUILD_BENCHMARKS=OFF > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }

status=0
for source in "$root"/fuzz/*_fuzzer.cc; do
  name=$(basename "$source" .cc)
  target=${name%_fuzzer}
  cmake --build "$build" --target "$name" -j "$jobs"
  mkdir -p "$build/corpus/$target" "$build/artifacts"
  args=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$build/artifacts/$target-")
  [[ -f "$root/fuzz/$target.dict" ]] && args+=(-dict="$root/fuzz/$target.dict")
  echo "== $name for ${seconds}s"
  "$build/fuzz/$name" "${args[@]}" "$build/corpus/$target" "$root/fuzz/corpus/$target" ||
    status=$?
done
exit $status
