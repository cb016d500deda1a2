#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFG_TESTS=OFF -DFG_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target fenzogobbix
exec build/fenzogobbix
