#!/usr/bin/env bash
# Installs what is missing, builds the game, its tests and benchmarks, and runs every test.
# Fails when no test runs: the tests are configured on explicitly, and ctest treats an empty
# selection as an error.
#   BUILD_DIR   the build directory (default build; scripts/run.sh uses build-game)
#   CMAKE_ARGS  more configure options (they come last, so they win)
#   CTEST_ARGS  more ctest options, for instance -LE e2e
set -euo pipefail
cd "$(dirname "$0")/.."
# openbox: the end-to-end tests of fullscreen windows need a window manager; weston: the
# Wayland one.
scripts/deps.sh libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick python3 openbox \
  weston
build=${BUILD_DIR:-build}
# shellcheck disable=SC2086  # CMAKE_ARGS and CTEST_ARGS are lists of options
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFG_TESTS=ON -DFG_BENCH=ON \
  ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
/usr/bin/python3 tests/setup/check_unit_tests.py "$build"
# shellcheck disable=SC2086
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" ${CTEST_ARGS:-}
