#!/usr/bin/env bash
# A plain configure must work without GoogleTest and Google Benchmark (their absence is
# simulated with CMAKE_DISABLE_FIND_PACKAGE_*), say that tests and benchmarks are left out,
# and refuse when they are asked for explicitly; with the libraries found, AUTO builds both.
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/fg-setup-configure.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
check() {
  local what=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}
without=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
configure() {  # configure NAME OPTIONS...: prints the status, output in $work/NAME.out
  local name=$1
  shift
  cmake -S "$src" -B "$work/$name" "$@" >"$work/$name.out" 2>&1
  echo $?
}

status=$(configure plain "${without[@]}")
check "cmake -S . -B build without GoogleTest and Google Benchmark succeeds: $(tail -n 5 "$work/plain.out")" \
  [ "$status" = 0 ]
check "the configure output says the tests are not built" \
  grep -q 'tests: not built (FG_TESTS=AUTO, GTest not found)' "$work/plain.out"
check "the configure output says the benchmarks are not built" \
  grep -q 'benchmarks: not built (FG_BENCH=AUTO, benchmark not found)' "$work/plain.out"
check "no test is configured" [ ! -e "$work/plain/tests" ]
check "the game is still configured" grep -q 'fenzogobbix' "$work/plain/Makefile"

status=$(configure tests-on "${without[@]}" -DFG_TESTS=ON)
check "FG_TESTS=ON without GoogleTest is an error" [ "$status" != 0 ]
check "which says what is missing" grep -q 'FG_TESTS=ON asks for the tests but GTest was not found' \
  "$work/tests-on.out"
status=$(configure bench-on "${without[@]}" -DFG_BENCH=ON -DFG_TESTS=OFF)
check "FG_BENCH=ON without Google Benchmark is an error" [ "$status" != 0 ]

status=$(configure found)
check "a plain configure with both libraries succeeds" [ "$status" = 0 ]
check "and builds the tests" grep -q 'tests: built (FG_TESTS=AUTO, GTest found)' "$work/found.out"
check "and the benchmarks" grep -q 'benchmarks: built (FG_BENCH=AUTO, benchmark found)' "$work/found.out"
status=$(configure off -DFG_TESTS=OFF -DFG_BENCH=OFF)
check "FG_TESTS=OFF leaves the tests out though GoogleTest is there" \
  grep -q 'tests: not built (FG_TESTS=OFF)' "$work/off.out"

echo "test_configure: $checks checks, $failures failed"
[ "$failures" = 0 ]
