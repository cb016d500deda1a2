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
# run-clang-tidy 14 has no -warnings-as-errors: any finding in the log fails the check.
run-clang-tidy -quiet -p "$build" src/ >"$build/clang-tidy.log" 2>&1 || true
if grep -E "(warning|error):" "$build/clang-tidy.log" >&2; then
  echo "clang-tidy: findings above (full log in $build/clang-tidy.log)" >&2
  exit 1
fi
grep -q "clang-tidy" "$build/clang-tidy.log" || { cat "$build/clang-tidy.log" >&2; exit 1; }
echo "clang-tidy: no finding in src/"
