#!/usr/bin/env bash
# The Windows build under Wine, as CI runs it: a Wine prefix of this run's own (made once, used
# by every step, gone with the build directory), the unit tests built for Windows, then the zip
# and the installer played as a player would (wine_e2e.py), their replays and pictures compared
# with the Linux build's. Needs scripts/windows.sh --tests first.
# Usage: tests/windows/run.sh [BUILD_DIR] [SHOTS_DIR]
# LINUX_BUILD_DIR: the Linux build to compare with (build/, the tests' own, by default); its
# game and fg_make_replay are brought up to date first.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
"$root/scripts/deps.sh" wine wine64 xvfb xdotool x11-utils imagemagick python3 xclip \
  libbenchmark-dev
linux=${LINUX_BUILD_DIR:-$root/build}
if ! grep -qs '^FG_BENCH:BOOL=ON' "$linux/CMakeCache.txt"; then
  cmake -S "$root" -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFG_BENCH=ON >/dev/null
fi
cmake --build "$linux" -j"${JOBS:-2}" --target fenzogobbix fg_make_replay >/dev/null

export WINEPREFIX=$build/wine WINEARCH=win64 WINEDEBUG=-all
# No browser engine nor .NET runtime: Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
trap 'wineserver --kill 2>/dev/null || true' EXIT
xsession="python3 $root/tests/xsession.py run --"
$xsession sh -c 'wineboot --init && wineserver --wait'

# The test programs in one Wine session: a command prompt waiting on a pipe keeps Wine's own
# services up between them, so none of them starts Wine afresh (2.5 s each, 0.1 s warm).
# shellcheck disable=SC2016
$xsession bash -c 'keep=$(mktemp -u) && mkfifo "$keep" && { wine cmd <"$keep" >/dev/null 2>&1 & }
  exec 3>"$keep" && rm "$keep"
  status=0
  ctest --test-dir "$1" -L windows --output-on-failure --no-tests=error || status=$?
  exec 3>&- && wineserver --kill
  exit "$status"' warm "$build"
python3 "$root/tests/windows/wine_e2e.py" --build "$build" --linux "$linux" ${2:+--shots "$2"}
