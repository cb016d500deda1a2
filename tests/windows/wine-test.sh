#!/usr/bin/env bash
# Starts one Windows test program (GoogleTest's) under Wine for ctest. A program that fails
# without GoogleTest's first line never reached its tests: that is Wine failing to start it,
# which says nothing of the tests, so it is started once more and the log says so. A program
# that ran and failed fails.
set -u
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=1
for start in 1 2; do
  wine "$@" >"$out" 2>&1
  status=$?
  cat "$out"
  if [ "$status" = 0 ] || grep -q '^\[==========\]' "$out"; then
    exit "$status"
  fi
  echo "wine-test.sh: Wine ended $1 with status $status before its tests began" \
    "(start $start of 2)"
done
exit "$status"
