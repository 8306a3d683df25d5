#!/usr/bin/env bash
# The main job: builds the plug-in, the simulated QNN and the runner, then
# runs the example context binary examples/models/fc_dequant.bin through
# the plug-in on the simulated HTP backend like a host would (payload,
# input and expected values in examples/main_job/), printing its results,
# its per-invoke latency and the plug-in's profiling statistics, and fails
# when the outputs differ from the expected values.
#
#   scripts/run_main_job.sh [runner options...]   e.g. --iterations 100 --json
#
# Extra options go to the runner after the example's own, so they can add
# to them or override them (vantro_runner --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir="$root/build"
example="$root/examples/main_job"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release > "$dir.configure.log" 2>&1 ||
  { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$(nproc)" --target vantro_runner
# The simulated QNN reports the example's profiling events.
export VANTRO_SIM_QNN_SCENARIO="${VANTRO_SIM_QNN_SCENARIO:-$example/sim_scenario.txt}"
"$dir/tools/vantro_runner" --plugin "$dir/libVantroDispatch_Qualcomm.so" \
  --qnn-lib-dir "$dir/qnn" \
  --model examples/models/fc_dequant.bin \
  --options "$example/options.toml" \
  --input "$example/input_x.raw" \
  --expect "$example/expected.txt" \
  --iterations 20 --warmup 2 \
  "$@"
