#!/usr/bin/env bash
# Regenerates the example context binaries (examples/models/*.bin) from
# their text descriptions: scripts/make_example_models.sh [build dir]
# The build dir (default: build) must hold a built vantro_make_context_binary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
maker=$build/tools/vantro_make_context_binary
if [ ! -x "$maker" ]; then
  cmake --build "$build" --target vantro_make_context_binary
fi
for description in "$root"/examples/models/*.txt; do
  "$maker" "$description" -o "${description%.txt}.bin"
done
