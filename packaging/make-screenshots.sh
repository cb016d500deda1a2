#!/usr/bin/env bash
# Makes the software-centre screenshots from the installed game, played in a real window at
# twice its size on a virtual X server: the title, a game with items on the field, a paused
# game and the end of a game. The metainfo lists them, with their captions, under the base
# address FG_SCREENSHOT_BASE_URL; a release publishes packaging/screenshots/ there.
#
# Usage: packaging/make-screenshots.sh [BUILD_DIR] [OUT_DIR]
#   BUILD_DIR  a configured build: it is installed into a temporary prefix, whose launcher is
#              run. Without it the game is configured and built in a temporary directory.
#   OUT_DIR    where the pictures go (packaging/screenshots by default).
#   FG_GAME=PATH        runs that installed launcher instead (for instance /usr/games/fenzogobbix).
#   FG_SHOT_STEPS=FILE  plays these steps instead of the built-in ones below: one a line,
#                       "key KEYS", "down KEYS", "up KEYS" (xdotool key names, KEYS joined by +),
#                       "wait SECONDS" or "shot NAME" (saves NAME.png); # starts a comment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)
out=${2:-$here/screenshots}

for tool in Xvfb xdotool xwininfo import identify; do
  command -v "$tool" >/dev/null || { echo "make-screenshots: $tool is missing (apt-get install xvfb xdotool x11-utils imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/fg-shots.XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ -n "${FG_GAME:-}" ]; then
  game=$FG_GAME
else
  build=${1:-}
  if [ -z "$build" ]; then
    build=$work/build
    cmake -S "$src" -B "$build" -DFG_TESTS=OFF -DFG_BENCH=OFF >/dev/null
  fi
  cmake --build "$build" --target fenzogobbix -j"$(nproc)" >/dev/null
  cmake --install "$build" --prefix "$work/prefix" >/dev/null
  launcher_dir=$(sed -n 's/^FG_LAUNCHER_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
  game=$work/prefix/${launcher_dir:-games}/fenzogobbix
fi
[ -x "$game" ] || { echo "make-screenshots: no game at $game" >&2; exit 1; }

# The built-in steps. Each waits long enough on a loaded machine; the waits are the only
# timing, so a state that takes longer to show needs only a longer wait here.
steps=${FG_SHOT_STEPS:-$work/steps}
cat >"$work/steps" <<'STEPS'
wait 4          # the title's reveal is over and the scroller under way
shot title
key space
wait 1.5        # the playground wipes in and the snake sets off to the left
down Up         # it turns up at the next cell and stops at the top border
wait 0.3
up Up
wait 9.5        # an item comes every 3 s (some spawns bring none)
shot play
key p
wait 1
shot pause
key p
wait 0.5
down Down       # heading up, Down alone changes nothing;
wait 0.2
down Left       # with Left as well the snake folds back into its own body
wait 0.5
up Left+Down
wait 1          # the explosion runs through the snake, then the wreck stays for a while
shot game-over
wait 3.5        # back on the title
key Escape      # quits
STEPS

mkdir -p "$out"
/usr/bin/python3 - "$src/tests/xsession.py" "$game" "$steps" "$out" "$work" <<'PY'
import os, shlex, sys, time
sys.path.insert(0, os.path.dirname(sys.argv[1]))
import xsession

game, steps_file, out, work = sys.argv[2:]
steps = []
for n, line in enumerate(open(steps_file, encoding="utf-8"), 1):
    words = shlex.split(line, comments=True)
    if not words:
        continue
    if len(words) != 2 or words[0] not in ("key", "down", "up", "wait", "shot"):
        sys.exit(f"make-screenshots: {steps_file}:{n}: not a step: {line.strip()}")
    steps.append((n, words[0], words[1]))

shots = {}
with xsession.XSession(size=(1024, 1024)) as x:
    # A home of its own: nothing the player keeps (settings, scores) shows in the pictures,
    # and the game keeps nothing of this run.
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    env = {"SDL_AUDIODRIVER": "dummy", "HOME": home,
           "XDG_DATA_HOME": os.path.join(home, "data"),
           "XDG_CONFIG_HOME": os.path.join(home, "config"),
           "XDG_STATE_HOME": os.path.join(home, "state")}
    proc = x.launch([game, "--windowed", "--scale", "2"], env=env)
    win = x.find_window(proc=proc, timeout=20)
    for n, what, arg in steps:
        if proc.poll() is not None:
            sys.exit(f"make-screenshots: the game ended (status {proc.returncode}) "
                     f"before step {n}: {what} {arg}")
        if what == "wait":
            time.sleep(float(arg))
        elif what == "key":
            x.tap(win, arg)
        elif what == "down":
            x.press(win, arg)
        elif what == "up":
            x.release(win, arg)
        else:
            shots[arg] = x.screenshot(win)
    status = x.wait_exit(proc, 10)
    if status != 0:
        sys.exit(f"make-screenshots: the game ended with status {status}")

# Pictures that came out alike mean a step did not do what it should.
names = list(shots)
for i, a in enumerate(names):
    if (shots[a].width, shots[a].height) != (800, 800):
        sys.exit(f"make-screenshots: {a} is {shots[a].width}x{shots[a].height}, not 800x800")
    for b in names[i + 1:]:
        if shots[a].rgb == shots[b].rgb:
            sys.exit(f"make-screenshots: {a} and {b} are the same picture")
for name, image in shots.items():
    path = os.path.join(out, name + ".png")
    image.save_png(path)
    print(f"make-screenshots: wrote {path}")
PY
