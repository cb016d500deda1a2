#!/usr/bin/env bash
# The game for 64-bit Windows, cross-compiled on Debian. Installs what is missing (Debian's
# mingw-w64 with POSIX threads, NSIS), builds SDL2, SDL2_mixer (WAVE only) and GoogleTest from
# Debian's source packages with cmake/mingw-w64-x86_64.cmake, then the game through the root
# CMakeLists into build-windows/, and packs what a Windows player downloads:
#   build-windows/fenzogobbix-<version>-windows-x64.zip     FenzoGobbix.exe, its tune, README, LICENSE
#   build-windows/fenzogobbix-<version>-windows-x64-setup.exe   the installer (per user, no admin)
#
# Usage: scripts/windows.sh          build and pack
#        scripts/windows.sh --tests  also the unit tests for Windows (tests/windows/run.sh runs
#                                    them and the game under Wine)
# WINDOWS_BUILD_DIR overrides build-windows; JOBS the parallel jobs (2); CMAKE_ARGS adds to the
# game's configure (CI: -DFG_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-windows}
tests=OFF
[ "${1:-}" = --tests ] && tests=ON
jobs=${JOBS:-2}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

scripts/deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev nsis zip libstb-dev
mkdir -p "$build/src"
build=$(cd "$build" && pwd)
deps=$build/deps

# An unpacked source package in $build/src, fetched once: apt-get source needs a deb-src line
# for the suite apt already uses, added as scripts/web.sh does.
source_tree() {  # PACKAGE -> prints the tree's path
  local tree
  tree=$(find "$build/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)
  if [ -z "$tree" ]; then
    if ! apt-cache showsrc "$1" 2>/dev/null | grep -q "^Package: $1\$"; then
      local as_root=()
      [ "$(id -u)" -ne 0 ] && as_root=(sudo)
      if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
          "${as_root[@]}" tee /etc/apt/sources.list.d/fenzogobbix-src.sources >/dev/null
      else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
          "${as_root[@]}" tee /etc/apt/sources.list.d/fenzogobbix-src.list >/dev/null
      fi
      echo "Added source entries for apt; updating its lists" >&2
      "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    fi
    (cd "$build/src" && apt-get source -qq "$1" >/dev/null)
    tree=$(find "$build/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)
  fi
  [ -n "$tree" ] || { echo "windows.sh: apt-get source $1 gave no source tree" >&2; exit 1; }
  echo "$tree"
}

# A static library cross-built from its source package into $deps, once: again only when its
# options change (they are kept beside it), in a fresh build folder.
cross_build() {  # NAME MARKER-UNDER-DEPS CMAKE-OPTIONS...
  local name=$1 marker=$2
  shift 2
  local stamp=$deps/.options-$name
  [ -e "$deps/$marker" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$*" ] && return
  local tree
  tree=$(source_tree "$name")
  echo "Cross-building $name from Debian's source package"
  rm -rf "$build/obj/$name"
  cmake -S "$tree" -B "$build/obj/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$deps" -DCMAKE_PREFIX_PATH="$deps" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$build/obj/$name.log" 2>&1 ||
    { tail -n 30 "$build/obj/$name.log" >&2; exit 1; }
  { cmake --build "$build/obj/$name" -j"$jobs" && cmake --install "$build/obj/$name"; } \
    >>"$build/obj/$name.log" 2>&1 || { tail -n 30 "$build/obj/$name.log" >&2; exit 1; }
  echo "$*" >"$stamp"
}

mkdir -p "$build/obj"
# SDL2 with what the game uses and no more [D45]: the window's own surface, drawn by the CPU
# (no OpenGL, OpenGL ES, Vulkan or Direct3D renderer), WASAPI and DirectSound, pads through
# XInput, DirectInput and SDL's own HID drivers as on Linux (no haptics or sensors), the
# clipboard, the browser, the base path; the dummy drivers and the virtual pad the Windows unit
# tests run on and the disk writer the player's test records the sound with. No SDL2main: the C
# runtime calls main().
cross_build libsdl2 lib/cmake/SDL2/SDL2Config.cmake -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL2_DISABLE_SDL2MAIN=ON -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF \
  -DSDL_RENDER_D3D=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
  -DSDL_LOCALE=OFF -DSDL_OFFSCREEN=OFF
# Effects are WAVE; the music is the game's own module player's, never SDL2_mixer's.
cross_build libsdl2-mixer lib/cmake/SDL2_mixer/SDL2_mixerConfig.cmake -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF \
  -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF \
  -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVE=ON -DSDL2MIXER_INSTALL=ON
if [ "$tests" = ON ]; then
  cross_build googletest lib/cmake/GTest/GTestConfig.cmake -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
fi
xmp=$(source_tree libxmp)

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFG_WINDOWS_DEPS="$deps" \
  -DFG_XMP_SOURCE="$xmp" -DFG_TESTS="$tests" -DFG_BENCH=OFF -DCMAKE_BUILD_TYPE=Release \
  ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$jobs"

# What the player gets: the installed folder, zipped, and the installer made from it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=fenzogobbix-$version-windows-x64
rm -rf "$build/stage"
cmake --install "$build" --prefix "$build/stage/FenzoGobbix" >/dev/null
x86_64-w64-mingw32-strip "$build/stage/FenzoGobbix/FenzoGobbix.exe"
rm -f "$build/$name.zip"
(cd "$build/stage" && zip -q -X -r "$build/$name.zip" FenzoGobbix)
makensis -V2 -DVERSION="$version" -DSTAGE="$build/stage/FenzoGobbix" \
  -DOUTFILE="$build/$name-setup.exe" "$PWD/packaging/windows/installer.nsi"
echo "Built $build/$name.zip and $build/$name-setup.exe"
