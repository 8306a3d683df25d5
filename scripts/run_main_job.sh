#!/usr/bin/env bash
# The main job: builds the plug-in, the simulated QNN and the runner, then
# runs an example context binary through the plug-in on the simulated HTP
# backend like a host would, printing its results and timings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir="$root/build"
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DVANTRO_BUILD_TESTS=OFF
"$dir/tools/vantro_runner" --plugin "$dir/libVantroDispatch_Qualcomm.so" \
  --qnn-lib-dir "$dir/qnn" "$@"
