#!/usr/bin/env bash
# The code's house rules, as CI checks them: clang-format, the naming and bug-prone checks of
# clang-tidy on src/, and includes that point down. Usage: check-style.sh [BUILD_DIR]
# (a configured build directory with compile_commands.json; default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/deps.sh clang-format clang-tidy
echo "== clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "clang-format: every file as .clang-format wants it"
echo "== layers"
scripts/check-layers.sh
echo "== clang-tidy"
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 1; }
run-clang-tidy -quiet -p "$build" -warnings-as-errors='*' src/ >"$build/clang-tidy.log" 2>&1 || {
  grep -E "(warning|error):" "$build/clang-tidy.log" >&2 || tail -20 "$build/clang-tidy.log" >&2
  exit 1
}
echo "clang-tidy: no finding in src/"
