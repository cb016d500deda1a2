#!/usr/bin/env bash
# The game for the browser. Installs what is missing (Debian's Emscripten, libxmp's Debian source
# package), builds into build-web/ and writes build-web/dist/: index.html, the service worker
# sw.js, and the program, its tune, worklet, manifest and icons under names that carry a hash of
# their content, each with a .gz and a .br beside it: static files for any web server.
#
# Usage: scripts/web.sh          build
#        scripts/web.sh serve [PORT]
#                                build, then serve dist/ on 127.0.0.1 only (default port 8000)
# WEB_BUILD_DIR overrides build-web.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WEB_BUILD_DIR:-build-web}

scripts/deps.sh emscripten dpkg-dev brotli

# Debian's Emscripten 3.1.6 finds its JavaScript parser (acorn) only through NODE_PATH. Its
# system-library cache is read-only and complete: EM_CACHE is left alone, and no ports are used.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# libxmp as Debian ships it, compiled with emcc. The source package needs a deb-src line for
# the suite apt already uses.
xmp_src=$(find "$build/libxmp" -maxdepth 3 -path '*/include/xmp.h' 2>/dev/null | head -n1 || true)
if [ -z "$xmp_src" ]; then
  if ! apt-cache showsrc libxmp 2>/dev/null | grep -q '^Package: libxmp'; then
    as_root=()
    if [ "$(id -u)" -ne 0 ]; then
      command -v sudo >/dev/null || {
        echo "web.sh: apt has no source entries; run as root, or add a deb-src entry first" >&2
        exit 1
      }
      as_root=(sudo)
    fi
    list=/etc/apt/sources.list.d/fenzogobbix-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      # deb822: the same entries, as source entries.
      sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${as_root[@]}" tee "$list" >/dev/null
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
        "${as_root[@]}" tee /etc/apt/sources.list.d/fenzogobbix-src.list >/dev/null
    fi
    echo "Added source entries for apt; updating its lists"
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  fi
  rm -rf "$build/libxmp"
  mkdir -p "$build/libxmp"
  (cd "$build/libxmp" && apt-get source -qq libxmp >/dev/null)
  xmp_src=$(find "$build/libxmp" -maxdepth 3 -path '*/include/xmp.h' | head -n1)
fi
if [ -z "$xmp_src" ]; then
  echo "web.sh: apt-get source libxmp gave no source tree" >&2
  exit 1
fi
xmp_src=$(cd "$(dirname "$xmp_src")/.." && pwd)

# The root CMakeLists under Emscripten's toolchain: the game from the desktop's source lists,
# with the web host in place of SDL. A build directory configured by the page's own CMakeLists
# of old (in web/) is configured afresh; the libxmp source fetched into it stays.
if grep -qsx "CMAKE_PROJECT_NAME:STATIC=FenzoGobbixWeb" "$build/CMakeCache.txt"; then
  echo "web.sh: $build was configured from web/ of old; configuring it afresh"
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
emcmake cmake -S . -B "$build" -DFG_XMP_SOURCE="$xmp_src" >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
echo "Built $build/dist/"

if [ "${1:-}" = serve ]; then
  port=${2:-8000}
  exec python3 scripts/serve_dist.py "$build/dist" "$port"
fi
