#!/usr/bin/env bash
# Soak run: builds the plug-in and the soak test (plain optimised build in
# build-soak/) and runs the disabled soak test, which repeats the road of an
# inference with automatic voting on and prints resident memory, heap in use and live
# QNN handles at intervals, then the vote queue's peak length and ring
# capacity after back-to-back invokes in Burst:
#   scripts/soak.sh [invokes] [create/destroy cycles] [RSS bound in KiB]
# (defaults 20000, 500, 4096). Fails when memory or handles do not stay flat,
# or when more than an up and a down vote ever wait in the queue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VANTRO_SOAK_BUILD_DIR:-$root/build-soak}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTRO_BUILD_BENCHMARKS=OFF > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "${VANTRO_SOAK_BUILD_JOBS:-2}" --target soak_test
export VANTRO_SOAK_INVOKES=${1:-20000}
export VANTRO_SOAK_CYCLES=${2:-500}
export VANTRO_SOAK_RSS_BOUND_KB=${3:-4096}
export VANTRO_SIM_QNN_DIR="$build/qnn"
cd "$build/tests"
time ./soak_test --gtest_also_run_disabled_tests --gtest_filter='SoakTest.*'
