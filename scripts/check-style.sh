#!/usr/bin/env bash
# The code's house rules, as CI checks them: clang-format, clang-tidy (.clang-tidy's set) on src/,
# tests/ and bench/, and includes that point down. Usage: check-style.sh [BUILD_DIR]
# (a build directory configured with FG_TESTS=ON, so compile_commands.json lists the tests too;
# default build). CLANG_TIDY_JOBS sets clang-tidy's parallel jobs (default: every core).
#   check-style.sh --windows [WINDOWS_BUILD_DIR]   clang-tidy alone, on the files only the
# Windows build compiles (default build-windows, made by scripts/windows.sh --tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format clang-tidy

# The Windows-only files, which the Linux database does not list: clang parses them as mingw-w64
# does, with its C++ library (clang looks for it under a plain version number and misses
# Debian's "12-posix").
if [ "${1:-}" = --windows ]; then
  build=${2:-build-windows}
  [ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: run scripts/windows.sh --tests first" >&2; exit 1; }
  root=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
  cxx=$(grep -o -m1 '[^ "]*mingw32-g++[^ "]*' "$build/compile_commands.json")
  args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-Wno-error --extra-arg=-nostdinc++)
  while read -r dir; do
    args+=("--extra-arg=-isystem$dir")
  done < <(echo | "$cxx" -xc++ -E -v - 2>&1 | sed -n '/#include <\.\.\.>/,/^End/s/^ \(.*include\/c++.*\)/\1/p')
  mapfile -t files < <(sed -n "s%^ *\"file\": \"\($root/\(src\|tests\)/.*windows[^\"]*\)\",*\$%\1%p" \
    "$build/compile_commands.json" | sort -u)
  [ "${#files[@]}" -gt 0 ] || { echo "$build/compile_commands.json lists no Windows file of ours" >&2; exit 1; }
  start=$SECONDS
  printf '%s\n' "${files[@]}" | xargs -P "${CLANG_TIDY_JOBS:-$(nproc)}" -I{} \
    clang-tidy -quiet -p "$build" "${args[@]}" {} >"$build/clang-tidy.log" 2>&1 || true
  if grep -E "(warning|error):" "$build/clang-tidy.log" >&2; then
    echo "clang-tidy: findings above in the Windows files (full log in $build/clang-tidy.log)" >&2
    exit 1
  fi
  echo "clang-tidy: no finding in the ${#files[@]} Windows files ($((SECONDS - start)) s)"
  exit 0
fi

build=${1:-build}
echo "== clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "clang-format: every file as .clang-format wants it"
echo "== layers"
scripts/check-layers.sh
echo "== clang-tidy"
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 1; }
# The sources' root as the build directory knows it (the paths in compile_commands.json).
root=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
grep -q "\"file\": \"$root/tests/" "$build/compile_commands.json" || {
  echo "$build/compile_commands.json lists no test: configure $build with -DFG_TESTS=ON" >&2
  exit 1
}
# Only the repository's own sources: the paths are anchored so that generated files under the
# build directory (the embedded assets) are left out. bench/ is listed when FG_BENCH is on.
# run-clang-tidy 14 has no -warnings-as-errors: any finding in the log fails the check.
start=$SECONDS
# A CI build compiles with -Werror: clang would then raise its own warnings (which the checks
# above leave out, gcc's -Wconversion being narrower than clang's) to errors no filter hides.
run-clang-tidy -quiet -j "${CLANG_TIDY_JOBS:-$(nproc)}" -p "$build" -extra-arg=-Wno-error \
  "^$root/(src|tests|bench)/" >"$build/clang-tidy.log" 2>&1 || true
if grep -E "(warning|error):" "$build/clang-tidy.log" >&2; then
  echo "clang-tidy: findings above (full log in $build/clang-tidy.log)" >&2
  exit 1
fi
grep -q "clang-tidy" "$build/clang-tidy.log" || { cat "$build/clang-tidy.log" >&2; exit 1; }
echo "clang-tidy: no finding in src/, tests/ or bench/ ($(grep -c '^clang-tidy' "$build/clang-tidy.log") files, $((SECONDS - start)) s)"
