#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those. Usage: deps.sh [extra packages]
set -euo pipefail
packages=(cmake g++ pkg-config libsdl2-dev libsdl2-mixer-dev libxmp-dev libstb-dev libgtest-dev
          libbenchmark-dev xdg-utils "$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
