#!/usr/bin/env bash
# Regenerates every picture, sound effect and the tune from the sources in assets/src.
# The outputs are committed, so building the game never needs these tools.
set -euo pipefail
cd "$(dirname "$0")/.."
need=(python3-pil python3-numpy librsvg2-bin)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
for tool in make_pictures make_sprites make_sounds make_tune; do
  echo "== $tool"
  /usr/bin/python3 "assets/tools/$tool.py"
done
