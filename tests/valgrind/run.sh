#!/usr/bin/env bash
# Memcheck of the game, two ways:
#  1. a scripted headless run: the soak test with a short game count (the rules of play, the
#     pictures, the module player over libxmp rendering the tune);
#  2. the real binary under Xvfb with SDL_AUDIODRIVER=dummy: start-up, a short game, back to
#     the title, music off, Escape to quit.
# Fails on any memory error and on any definite leak that the suppression file does not list
# (it lists only leaks inside the system libraries, each explained there).
#   BUILD_DIR        the build to use or make (default build)
#   VG_SOAK_GAMES    games in the headless run (default 60)
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$0")/../.."

supp=tests/valgrind/fenzogobbix.supp
memcheck=(valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite
          --errors-for-leak-kinds=definite --error-exitcode=99 --num-callers=40
          --track-origins=yes --child-silent-after-fork=yes --suppressions="$supp")

# The game under memcheck, in the X session DISPLAY names: start-up, the title reveal, a game
# with a turn, Escape back to the title, music off, Escape to quit. Valgrind slows everything
# down, so each step gets a few seconds.
if [ "${1:-}" = game-under-x ]; then
  out=$2 build=$3
  # Without a session bus, so the run is the same on every machine (see the suppression file).
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u DBUS_SESSION_BUS_ADDRESS SDL_AUDIODRIVER=dummy \
    "${memcheck[@]}" --log-file="$out/game.%p.log" "$build/fenzogobbix" >"$out/game.out" 2>&1 &
  game_pid=$!
  echo "$game_pid" >"$out/game.pid"
  trap 'kill "$game_pid" 2>/dev/null' EXIT
  if ! window=$(/usr/bin/python3 tests/xsession.py find-window '^Fenzo Gobbix v1\.0$' \
                  --alive "$game_pid" --timeout 120); then
    echo "valgrind: the game's window did not appear"
    kill "$game_pid" 2>/dev/null
    exit 1
  fi
  sleep 3
  xdotool key --window "$window" space
  sleep 4
  xdotool keydown --window "$window" Up
  sleep 0.5
  xdotool keyup --window "$window" Up
  sleep 2
  xdotool key --window "$window" Escape
  sleep 3
  xdotool key --window "$window" m
  sleep 1
  xdotool key --window "$window" Escape
  for _ in $(seq 1 240); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
      set +e
      wait "$game_pid"
      echo $? >"$out/game.status"
      exit 0
    fi
    sleep 0.5
  done
  echo "valgrind: the game did not end after Escape"
  kill "$game_pid"
  exit 1
fi

build=${BUILD_DIR:-build}
scripts/deps.sh valgrind xvfb xdotool python3
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target fenzogobbix test_soak

out=$(mktemp -d /tmp/fg-valgrind.XXXXXX)
failed=0

# A log is clean when valgrind counted no error (leaks of the kinds above count as errors).
report() {
  local what=$1 log=$2 status=$3
  grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|suppressed:' "$log" | sed "s/^==[0-9]*==/  /"
  if [ "$status" -ne 0 ] || ! grep -q 'ERROR SUMMARY: 0 errors' "$log"; then
    echo "valgrind: $what FAILED (status $status); full log: $log"
    failed=1
  else
    echo "valgrind: $what clean"
  fi
}

echo "== memcheck: headless soak"
set +e
FG_SOAK_GAMES=${VG_SOAK_GAMES:-60} SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy \
  "${memcheck[@]}" --log-file="$out/soak.log" "$build/tests/soak/test_soak" >"$out/soak.out" 2>&1
status=$?
set -e
grep -E '^soak: .*ticks' "$out/soak.out" || true
report "headless soak" "$out/soak.log" "$status"

echo "== memcheck: the game under Xvfb"
# The X session (tests/xsession.py) runs this script's game part with DISPLAY set, and ends the
# X server afterwards; the game part writes the game's pid and exit status for the report.
set +e
/usr/bin/python3 tests/xsession.py run -- bash "$self" game-under-x "$out" "$build"
session_status=$?
set -e
game_pid=$(cat "$out/game.pid" 2>/dev/null || true)
status=$(cat "$out/game.status" 2>/dev/null || echo 124)
if [ "$session_status" -ne 0 ] && [ ! -s "$out/game.status" ]; then
  echo "valgrind: the game under Xvfb could not be run (status $session_status)"
  cat "$out"/game.*.log 2>/dev/null | tail -40
  exit 1
fi
game_log="$out/game.$game_pid.log"
[ -f "$game_log" ] || { echo "valgrind: no log from the game"; exit 1; }
report "the game under Xvfb" "$game_log" "$status"

if [ "$failed" -ne 0 ]; then exit 1; fi
rm -rf "$out"
echo "valgrind: no memory errors, no definite leaks of our own"
