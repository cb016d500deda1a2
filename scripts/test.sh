#!/usr/bin/env bash
# Installs what is missing, builds the game, its tests and benchmarks, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh xvfb xdotool x11-utils imagemagick python3
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" ${CTEST_ARGS:-}
