#!/usr/bin/env bash
# What the real game costs on a desktop: time from exec to a mapped window, CPU on the idle
# title, in play and in the pause after a game over, peak memory, and the steadiness of the
# 15 ms tick. Everything runs in an X server of its own; CPU comes from /proc.
#
#   bench/measure.sh [BUILD_DIR]        BUILD_DIR defaults to build
#
# Environment: RUNS (default 3; the median of the runs is reported), SPAN (seconds per CPU
# figure, default 10), FLOORS=0 to skip the bare-window floors, SCALES=0 to skip the table of
# 1x, 2x, 3x and fullscreen (bench/measure_scales.py).
# Needs Xvfb, xev, xdotool and ImageMagick's import (Debian: xvfb x11-utils xdotool imagemagick).
set -uo pipefail
self=$(realpath "$0")
cd "$(dirname "$0")/.."

# Everything runs in an X server of its own (never a fixed display number): the X-session
# helper starts it, runs this script again inside it and ends it afterwards.
if [ -z "${XSESSION_XVFB_PID:-}" ]; then
  command -v Xvfb >/dev/null || { echo "measure.sh: Xvfb is missing" >&2; exit 2; }
  exec /usr/bin/python3 tests/xsession.py run --size 640x480 -- bash "$self" "$@"
fi

build=${1:-build}
runs=${RUNS:-3}
span=${SPAN:-10}
floors=${FLOORS:-1}
game=$build/fenzogobbix
tickrate=$build/bench/fg_tickrate
caption="Fenzo Gobbix"
hz=$(getconf CLK_TCK)

for tool in xev xdotool import stdbuf; do
  command -v "$tool" >/dev/null || { echo "measure.sh: $tool is missing" >&2; exit 2; }
done
for bin in "$game" "$tickrate"; do
  [ -x "$bin" ] || { echo "measure.sh: $bin is not built" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb=$XSESSION_XVFB_PID
gamepid=""
steerpid=""
cleanup() {
  for p in $steerpid $gamepid; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER

# ---- clocks and /proc readings
now_ns() { echo "${EPOCHREALTIME/./}000"; }

# Starts "$@" and sets `mapped_ms` to the time from its exec to the first window mapped on the
# display (as the X server reports it to a watcher on the root window), and `launched` to its
# pid. mapped_ms stays empty when no window appears within 20 s.
launch_and_time_map() {
  local line t0 t1
  mapped_ms=""
  coproc XEV { exec stdbuf -oL xev -root -event substructure 2>/dev/null; }
  local xevpid=$XEV_PID
  # xev has selected its events once it is waiting on the server; give it a moment.
  sleep 0.3
  t0=${EPOCHREALTIME/./}
  "$@" >"$work/launched.log" 2>&1 &
  launched=$!
  while IFS= read -r -t 20 line <&"${XEV[0]}"; do
    if [[ $line == MapNotify* ]]; then
      t1=${EPOCHREALTIME/./}
      mapped_ms=$(( (t1 - t0) / 1000 ))
      break
    fi
  done
  kill "$xevpid" 2>/dev/null
  wait "$xevpid" 2>/dev/null
}

# utime + stime of a process and all its threads, in clock ticks.
cpu_ticks() {
  local s
  s=$(<"/proc/$1/stat") || return 1
  s=${s##*) }
  # shellcheck disable=SC2086
  set -- $s
  echo $(( ${12} + ${13} ))
}

# Run time of every thread of a process, in nanoseconds (finer than the clock ticks).
cpu_ns() {
  local total=0 f run
  for f in /proc/"$1"/task/*/schedstat; do
    read -r run _ < "$f" 2>/dev/null && total=$((total + run))
  done
  echo "$total"
}

# Samples a process and the X server over `seconds`; prints "game% xserver% game%(schedstat)".
sample() {
  local pid=$1 seconds=$2 g0 x0 n0 t0 g1 x1 n1 t1
  g0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$xvfb") n0=$(cpu_ns "$pid") t0=$(now_ns)
  sleep "$seconds"
  g1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$xvfb") n1=$(cpu_ns "$pid") t1=$(now_ns)
  awk -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v n=$((n1 - n0)) -v t=$((t1 - t0)) -v hz="$hz" \
    'BEGIN { w = t / 1e9; printf "%.2f %.2f %.2f\n", 100 * g / hz / w, 100 * x / hz / w, 100 * n / 1e9 / w }'
}

# "title", "play" or "other", from the colour of the frame at the window's left edge.
screen_mode() {
  local px r g b
  px=$(import -window "$1" -crop 1x1+4+200 -depth 8 txt:- 2>/dev/null | tail -n1 |
       grep -o '#[0-9A-Fa-f]\{6\}') || { echo other; return; }
  r=$((16#${px:1:2})) g=$((16#${px:3:2})) b=$((16#${px:5:2}))
  if ((b > r + 40)); then echo title; elif ((r > b + 40)); then echo play; else echo other; fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }

# Steers the snake round a square, clockwise, until killed: a turn every 0.6 s.
steer_square() {
  while :; do
    for k in Up Right Down Left; do hold "$k" 0.15; sleep 0.45; done
  done
}

record() { echo "$2" >> "$work/$1"; }

# ---- one session of the real game: start-up, idle title, play, game over, quit
session() {
  local run=$1 wid="" mode figures tpress
  # The window is mapped once the title has been revealed while hidden (500 ms).
  launch_and_time_map "$game"
  gamepid=$launched
  [ -n "$mapped_ms" ] || { echo "run $run: no window in 20 s" >&2; return 1; }
  wid=$(xdotool search --all --onlyvisible --pid "$gamepid" --name "^$caption" 2>/dev/null | head -n1)
  [ -n "$wid" ] || { echo "run $run: the mapped window is not the game's" >&2; return 1; }
  record startup_ms "$mapped_ms"

  xdotool mousemove --window "$wid" 200 300  # away from the link
  timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null
  sleep 1

  # Idle on the title, the scroller running.
  read -r figures < <(sample "$gamepid" "$span")
  set -- $figures
  record idle "$1"; record idle_x "$2"; record idle_ns "$3"

  # Play: Space, the wipe, then round a square so the snake keeps moving.
  xdotool key space
  sleep 0.9
  steer_square & steerpid=$!
  sleep 0.5
  read -r figures < <(sample "$gamepid" "$span")
  kill "$steerpid" 2>/dev/null; wait "$steerpid" 2>/dev/null; steerpid=""
  for k in Up Right Down Left; do xdotool keyup "$k"; done
  mode=$(screen_mode "$wid")
  if [ "$mode" = play ]; then
    set -- $figures
    record play "$1"; record play_x "$2"; record play_ns "$3"
  else
    echo "run $run: the game was not in play at the end of the play figure ($mode); dropped" >&2
  fi

  # Game over: back to the title, a new game, up, then left + down at once folds the snake
  # onto itself. The explosion (6 cells, 0.6 s) follows within 0.3 s; the pause lasts 2.5 s.
  if [ "$mode" = play ]; then
    xdotool key Escape
    sleep 1
  else
    sleep 4  # whatever ended the game, its pause and the title reveal are over by then
  fi
  xdotool key space
  sleep 0.9
  hold Up 0.2
  sleep 0.2
  tpress=$(now_ns)
  xdotool keydown Left keydown Down
  sleep 0.25
  xdotool keyup Left keyup Down
  sleep "$(awk -v t=$(( $(now_ns) - tpress )) 'BEGIN { printf "%.3f", 1.0 - t / 1e9 }')"
  read -r figures < <(sample "$gamepid" 2.2)
  sleep 1.5  # the pause ends and the title is revealed
  mode=$(screen_mode "$wid")
  if [ "$mode" = title ]; then
    set -- $figures
    record pause "$1"; record pause_x "$2"; record pause_ns "$3"
  else
    echo "run $run: no game over seen ($mode); pause figure dropped" >&2
  fi

  record rss_mib "$(awk '/^VmHWM/ { printf "%.1f\n", $2 / 1024 }' "/proc/$gamepid/status")"

  # Escape on the title ends the program with status 0.
  xdotool key Escape
  for _ in $(seq 100); do kill -0 "$gamepid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$gamepid" 2>/dev/null; then
    echo "run $run: Escape did not end the game" >&2
    kill "$gamepid"
  fi
  wait "$gamepid"; record exit_status $?
  gamepid=""
}

tick_rate() {
  local run=$1 out
  out=$("$tickrate" game "$span") || echo "run $run: fg_tickrate game failed" >&2
  record rate "$(awk '/^ticks_per_second/ { print $2 }' <<<"$out")"
  record rate_dev "$(awk '/^deviation_percent/ { print $2 }' <<<"$out")"
  record rate_cpu "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
  record rate_p99 "$(awk '/^interval_ms/ { print $7 }' <<<"$out")"
  if [ "$floors" = 1 ]; then
    out=$("$tickrate" bare "$span" 15)
    record bare15 "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
    out=$("$tickrate" bare "$span" 20)
    record bare20 "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
    out=$("$tickrate" wake "$span" 15)
    record wake15 "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
    out=$("$tickrate" wake "$span" 20)
    record wake20 "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
    out=$("$tickrate" idle "$span")
    record bare_idle "$(awk '/^cpu_percent/ { print $2 }' <<<"$out")"
    record bare_rss "$(awk '/^peak_rss_mib/ { print $2 }' <<<"$out")"
    startup_floor
  fi
}

# Exec to mapped window for a bare SDL window of the same size: the floor under the start-up.
startup_floor() {
  launch_and_time_map "$tickrate" idle 1
  wait "$launched"
  [ -n "$mapped_ms" ] && record bare_startup_ms "$mapped_ms"
}

for run in $(seq "$runs"); do
  echo "run $run of $runs ..." >&2
  session "$run"
  tick_rate "$run"
done

missed=0
row() {  # label, file, target as shown, target as a condition on the median v
  local values="n/a" med="n/a" verdict=""
  if [ -s "$work/$2" ]; then
    values=$(paste -sd' ' "$work/$2")
    med=$(median < "$work/$2")
  fi
  if [ -n "${4:-}" ]; then
    if [ "$med" != n/a ] && awk -v v="$med" "BEGIN { exit !($4) }"; then
      verdict=ok
    else
      verdict=MISSED
      missed=1
    fi
  fi
  printf "%-46s %-22s %-9s %-13s %s\n" "$1" "$values" "$med" "$3" "$verdict"
}

echo
echo "fenzogobbix on $(nproc) cores, DISPLAY $DISPLAY (Xvfb), SDL_AUDIODRIVER=dummy, $span s per CPU figure"
printf "%-46s %-22s %-9s %s\n" "figure" "runs" "median" "target"
row "exec to mapped window (ms)" startup_ms "<= 600" "v <= 600"
row "idle title, game CPU (% of one core)" idle "<= 2" "v <= 2"
row "  same, from schedstat" idle_ns ""
row "  X server meanwhile" idle_x ""
row "play, game CPU (% of one core)" play "<= 3" "v <= 3"
row "  same, from schedstat" play_ns ""
row "  X server meanwhile" play_x ""
row "game-over pause, game CPU (% of one core)" pause "<= 2" "v <= 2"
row "  same, from schedstat" pause_ns ""
row "  X server meanwhile" pause_x ""
row "peak RSS, VmHWM (MiB)" rss_mib "<= 40" "v <= 40"
row "exit status after Escape" exit_status "0" "v == 0"
row "tick rate, worst-case play (ticks/s)" rate "66.67 +- 2 %" "v >= 65.33 && v <= 68.00"
row "  deviation from 66.667 (%)" rate_dev ""
row "  99th percentile interval (ms)" rate_p99 ""
row "  worst-case play CPU (% of one core)" rate_cpu ""
if [ "$floors" = 1 ]; then
  row "floor: bare window, whole refresh / 15 ms (%)" bare15 ""
  row "floor: bare window, whole refresh / 20 ms (%)" bare20 ""
  row "floor: bare window woken / 15 ms (%)" wake15 ""
  row "floor: bare window woken / 20 ms (%)" wake20 ""
  row "floor: bare window, idle (%)" bare_idle ""
  row "floor: exec to mapped bare window (ms)" bare_startup_ms ""
  row "floor: peak RSS of a bare window (MiB)" bare_rss ""
fi

# The larger windows side by side with 1x, each in an X server of its own under openbox.
if [ "${SCALES:-1}" = 1 ]; then
  echo
  python3 bench/measure_scales.py --build "$build" --runs "$runs" --span "$span" || missed=1
fi
exit "$missed"
