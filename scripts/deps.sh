#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those: the game's build needs, plus
# any packages named on the command line. Usage: deps.sh [extra packages]
# Runs apt-get as root, or through sudo; with neither it names what to install and fails.
set -euo pipefail
# make: cmake only recommends a build tool, and recommends are not installed here.
packages=(cmake make g++ pkg-config libsdl2-dev libsdl2-mixer-dev libxmp-dev libstb-dev
          xdg-utils "$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  # sudo resets the environment, so the front end is passed through env.
  as_root=(sudo)
else
  echo "deps.sh: missing packages; run as root, or install them first: apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}"
