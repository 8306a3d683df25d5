#!/usr/bin/env bash
# Runs a Windows program under Wine: the cross build's emulator.
#
#   scripts/wine_run.sh <program.exe> [arguments...]
#
# A loaded machine now and then sees Wine give up on a program before it
# runs (exit status 1, not one byte written). Test runs report that as it
# is; only the listing of a program's tests (--gtest_list_tests, which
# ctest runs before the tests) is tried again, up to three times, because a
# listing lost there stops the whole ctest run, not one test.
set -uo pipefail
listing=0
for arg in "$@"; do
  [ "$arg" = --gtest_list_tests ] && listing=1
done
if [ $listing -eq 0 ]; then
  exec wine "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2 3; do
  wine "$@" >"$out"
  status=$?
  if [ $status -eq 0 ] || [ -s "$out" ]; then
    cat "$out"
    exit $status
  fi
  echo "wine_run.sh: wine exited $status without output listing $1 (attempt $attempt)" >&2
  sleep 1
done
exit $status
