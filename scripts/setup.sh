#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the
# tools need. Safe to run again.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang pkg-config
  libabsl-dev libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libtomlplusplus-dev
  libclang-rt-14-dev valgrind binutils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
