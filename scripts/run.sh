#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. The build lives in build-game/,
# apart from the tests' build/, so neither script finds the other's configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build="build-game"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFG_TESTS=OFF -DFG_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fenzogobbix
exec "$build/fenzogobbix" "$@"
