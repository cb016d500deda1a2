#!/usr/bin/env bash
# Takes the software-centre screenshot from the game itself: the title screen in a real window
# on a virtual X server. Usage: make-screenshot.sh [BUILD_DIR] [OUT.png]
# Without BUILD_DIR the game is built in a temporary directory under /tmp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)
out=${2:-$here/screenshots/title.png}

for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "make-screenshot: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
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
game=$1 shot=$2
SDL_AUDIODRIVER=dummy "$game" & pid=$!
win=$(timeout 20 xdotool search --sync --name '^Fenzo Gobbix' | head -n1)
sleep 4
import -window "$win" -strip -define png:exclude-chunks=date,time "$shot"
xdotool windowfocus --sync "$win" key Escape
wait "$pid"
GRAB
xvfb-run -a -s "-screen 0 640x480x24" bash "$work/grab.sh" "$build/fenzogobbix" "$work/shot.png"

size=$(identify -format '%wx%h' "$work/shot.png")
[ "$size" = "400x400" ] || { echo "make-screenshot: got a $size picture, not the 400x400 window" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "make-screenshot: wrote $out"
