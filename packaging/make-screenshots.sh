#!/usr/bin/env bash
# Takes the software-centre screenshot from the game itself: the title screen in a real window
# on a virtual X server. Usage: make-screenshot.sh [BUILD_DIR] [OUT.png]
# Without BUILD_DIR the game is built in a temporary directory under /tmp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)
out=${2:-$here/screenshots/title.png}

for tool in Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "make-screenshot: $tool is missing (apt-get install xvfb xdotool x11-utils imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/fg-shot.XXXXXX)
trap 'rm -rf "$work"' EXIT
build=${1:-}
if [ -z "$build" ]; then
  build=$work/build
  cmake -S "$src" -B "$build" -DFG_TESTS=OFF -DFG_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target fenzogobbix -j"$(nproc)" >/dev/null

# Runs inside the virtual display: wait for the window, let the title reveal finish and the
# scroller get under way, grab the window's contents, then quit with Escape.
cat >"$work/grab.sh" <<'GRAB'
set -euo pipefail
xsession=$1 game=$2 shot=$3
SDL_AUDIODRIVER=dummy "$game" & pid=$!
win=$(/usr/bin/python3 "$xsession" find-window '^Fenzo Gobbix' --alive "$pid" --timeout 20)
sleep 4
/usr/bin/python3 "$xsession" screenshot "$win" "$shot"
xdotool windowfocus --sync "$win" key Escape
wait "$pid"
GRAB
/usr/bin/python3 "$src/tests/xsession.py" run --size 640x480 -- \
  bash "$work/grab.sh" "$src/tests/xsession.py" "$build/fenzogobbix" "$work/shot.png"

size=$(identify -format '%wx%h' "$work/shot.png")
[ "$size" = "400x400" ] || { echo "make-screenshot: got a $size picture, not the 400x400 window" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "make-screenshot: wrote $out"
