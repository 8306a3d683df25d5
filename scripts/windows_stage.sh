#!/usr/bin/env bash
# The Windows stage: cross-builds the plug-in DLL, the simulated QNN DLLs and
# the Windows tests with MinGW-w64 (x86-64) and runs the tests under Wine,
# headless.
#
#   scripts/windows_stage.sh [build dir]      (default: build-windows)
#
# On a fresh Debian machine it installs the cross compiler and Wine (apt),
# fetches Abseil's Debian source package through apt's source mechanism and
# cross-builds the parts the plug-in uses, and cross-builds GoogleTest from
# the sources Debian ships in /usr/src/googletest. Both land under
# <build dir>/deps and are reused by later runs (delete deps/ to rebuild).
# Heavy builds run under `nice -n 10` with 2 jobs: the machines are shared.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
mkdir -p "$build"
build=$(cd "$build" && pwd)
deps=$build/deps
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${VANTRO_WINDOWS_JOBS:-2}
stage_start=$SECONDS

step() { echo "=== windows stage [$((SECONDS - stage_start))s]: $*"; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
# Runs a noisy command with its output in a log file, shown only on failure.
quietly() {
  local log=$1; shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "windows stage: failed: $* (log: $log)" >&2
    return 1
  fi
}
# A fingerprint of what a cached dependency is built with: the toolchain
# file, the compiler and the given words (its source and options).
fingerprint() {
  { cat "$toolchain"; x86_64-w64-mingw32-g++-posix --version 2>/dev/null; echo "$@"; } |
    sha256sum | cut -d' ' -f1
}

# --- packages --------------------------------------------------------------
# Bookworm's wine64 package has no `wine` command; the wine package adds it.
packages=(cmake ninja-build dpkg-dev googletest
          binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
          wine wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
apt_updated=0
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  as_root apt-get update -qq
  apt_updated=1
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >"$build/apt-install.log" 2>&1 || { tail -n 40 "$build/apt-install.log"; exit 1; }
fi

# --- deb-src entries for the configured Debian mirror ----------------------
# apt-get source needs source indices; they are added for the Debian entries
# already configured (machine configuration only, never part of the tree).
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/vantro-deb-src.sources
  local legacy=/etc/apt/sources.list.d/vantro-deb-src.list
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
       /etc/apt/sources.list.d/*.sources; then
    [ $apt_updated -eq 1 ] || apt-get source --print-uris -qq abseil >/dev/null 2>&1 || {
      as_root apt-get update -qq; apt_updated=1; }
    return
  fi
  step "adding deb-src entries for the configured Debian mirror"
  local stanzas lines
  # deb822 files: every enabled stanza of type deb on a Debian mirror, as deb-src.
  stanzas=$(for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb([ \t]|\n|$)/ && /(^|\n)URIs:[^\n]*debian/ && !/(^|\n)Enabled:[ \t]*no/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
  done)
  # One-line files: every deb line on a Debian mirror, as deb-src.
  lines=$(for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -nE 's/^[[:space:]]*deb([[:space:]].*debian.*)$/deb-src\1/p' "$f"
  done)
  if [ -n "$stanzas" ]; then printf '%s\n' "$stanzas" | as_root tee "$list" >/dev/null; fi
  if [ -n "$lines" ]; then printf '%s\n' "$lines" | as_root tee "$legacy" >/dev/null; fi
  if [ -z "$stanzas$lines" ]; then
    echo "windows stage: no Debian mirror configured in apt's sources" >&2
    exit 1
  fi
  as_root apt-get update -qq
  apt_updated=1
}

# --- Abseil, cross-built from Debian's source package ----------------------
absl_prefix=$deps/absl
absl_stamp=$absl_prefix/.vantro-built
absl_options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_STANDARD=17 -DABSL_PROPAGATE_CXX_STD=ON
              -DBUILD_TESTING=OFF -DABSL_BUILD_TESTING=OFF)
absl_skipped='cleanup|flags|random|status'
absl_fingerprint=$(fingerprint abseil "${absl_options[@]}" "$absl_skipped")
if [ -f "$absl_stamp" ] && [ "$(cat "$absl_stamp")" = "$absl_fingerprint" ]; then
  step "Abseil for MinGW cached in $absl_prefix"
else
  ensure_deb_src
  step "fetching Abseil's Debian source package"
  src=$build/src
  rm -rf "$src/abseil" "$build/abseil-build" "$absl_prefix"
  mkdir -p "$src"
  apt_user=(); [ "$(id -u)" -eq 0 ] && apt_user=(-o APT::Sandbox::User=root)
  (cd "$src" && rm -f abseil_* && apt-get source --download-only -qq "${apt_user[@]}" abseil)
  quietly "$build/abseil-unpack.log" dpkg-source -x "$(ls "$src"/abseil_*.dsc | head -n 1)" "$src/abseil"
  # Only the parts the plug-in's libraries (strings, str_format, the Swiss
  # tables, span, optional) reach; flags, random, status and cleanup are
  # neither needed nor reached by those.
  sed -i -E "/^add_subdirectory\\(($absl_skipped)\\)\$/d" "$src/abseil/absl/CMakeLists.txt"
  step "building Abseil for MinGW"
  quietly "$build/abseil-configure.log" cmake -S "$src/abseil" -B "$build/abseil-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${absl_options[@]}" -DCMAKE_INSTALL_PREFIX="$absl_prefix"
  quietly "$build/abseil-build.log" nice -n 10 cmake --build "$build/abseil-build" -j "$jobs"
  quietly "$build/abseil-install.log" cmake --install "$build/abseil-build"
  echo "$absl_fingerprint" >"$absl_stamp"
fi

# --- GoogleTest, cross-built from Debian's googletest sources --------------
# Built from a copy of the sources with a POSIX <regex.h> laid over them
# (tests/windows/gtest_posix_regex): on Windows GoogleTest would otherwise
# use its own tiny regular expressions, and the suite's patterns would mean
# something else than on Linux.
gtest_prefix=$deps/googletest
gtest_stamp=$gtest_prefix/.vantro-built
gtest_overlay=$root/tests/windows/gtest_posix_regex
gtest_src=/usr/src/googletest
if [ ! -f "$gtest_src/CMakeLists.txt" ]; then
  ensure_deb_src
  step "fetching GoogleTest's Debian source package"
  rm -rf "$build/src/googletest"
  mkdir -p "$build/src"
  apt_user=(); [ "$(id -u)" -eq 0 ] && apt_user=(-o APT::Sandbox::User=root)
  (cd "$build/src" && rm -f googletest_* && apt-get source --download-only -qq "${apt_user[@]}" googletest)
  quietly "$build/googletest-unpack.log" \
    dpkg-source -x "$(ls "$build"/src/googletest_*.dsc | head -n 1)" "$build/src/googletest"
  gtest_src=$build/src/googletest
fi
gtest_options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_STANDARD=17 -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON)
gtest_fingerprint=$(fingerprint googletest "$gtest_src" "$(cat "$gtest_src/CMakeLists.txt")" \
  "$(find "$gtest_overlay" -type f -print0 | sort -z | xargs -0 cat)" "${gtest_options[@]}")
if [ -f "$gtest_stamp" ] && [ "$(cat "$gtest_stamp")" = "$gtest_fingerprint" ]; then
  step "GoogleTest for MinGW cached in $gtest_prefix"
else
  step "building GoogleTest for MinGW from $gtest_src"
  gtest_copy=$build/src/googletest-mingw
  rm -rf "$build/googletest-build" "$gtest_prefix" "$gtest_copy"
  mkdir -p "$build/src"
  cp -r "$gtest_src" "$gtest_copy"
  cp -r "$gtest_overlay"/. "$gtest_copy/googletest/include/"
  quietly "$build/googletest-configure.log" cmake -S "$gtest_copy" -B "$build/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${gtest_options[@]}" -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
  quietly "$build/googletest-build.log" nice -n 10 cmake --build "$build/googletest-build" -j "$jobs"
  quietly "$build/googletest-install.log" cmake --install "$build/googletest-build"
  echo "$gtest_fingerprint" >"$gtest_stamp"
fi

# --- Wine, headless ----------------------------------------------------------
# One persistent server for the whole run, started outside ctest's pipes:
# a server started from inside them keeps ctest waiting.
export WINEPREFIX=$build/wine WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
stop_wine() { wineserver -k </dev/null >/dev/null 2>&1 || true; }
trap stop_wine EXIT
step "starting Wine in $WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
# No Mono or Gecko: console programs need neither.
WINEDLLOVERRIDES="mscoree=d;mshtml=d" wineboot --init </dev/null >/dev/null 2>&1

# --- the plug-in, the simulated QNN and the tests ----------------------------
# -O1 without debug information: half the compile time of -O2 -g and a
# tenth of the object size, which is what the test programs' links pay for.
vantro=$build/vantro
step "configuring the cross build"
quietly "$build/vantro-configure.log" cmake -S "$root" -B "$vantro" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVANTRO_MINGW_PREFIXES="$absl_prefix;$gtest_prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DVANTRO_BUILD_BENCHMARKS=OFF -DVANTRO_BUILD_TOOLS=OFF \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST
step "building the plug-in DLL, the simulated QNN DLLs and the Windows tests"
nice -n 10 cmake --build "$vantro" -j "$jobs" --target vantro_windows_stage

step "exports of VantroDispatch_Qualcomm.dll"
x86_64-w64-mingw32-objdump -p "$vantro/VantroDispatch_Qualcomm.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'

step "running the tests under $(wine --version)"
# Test programs find VantroSimQnn.dll (which they link) through Wine's PATH.
export WINEPATH
WINEPATH=$(winepath -w "$vantro/qnn" 2>/dev/null)
# Test programs of the Linux suite that the stage does not build show up as
# *_NOT_BUILT; only what was built runs. Tests that write the fixed dump
# directory (which clean it up) run one at a time, after the others.
serial='DispatchDumpTest\.|WindowsPluginRoadTest\.'
failed=0
(cd "$vantro" && ctest --output-on-failure -j "$jobs" --timeout 300 -E "_NOT_BUILT\$|$serial") ||
  failed=1
(cd "$vantro" && ctest --output-on-failure --timeout 300 -R "$serial") || failed=1
if [ $failed -ne 0 ]; then
  echo "=== windows stage [$((SECONDS - stage_start))s]: FAILED" >&2
  exit 1
fi
step "passed in $((SECONDS - stage_start)) s"
