#!/usr/bin/env bash
# Fails when a folder of src/ includes a folder above it. From the top down:
#   shell  play  screens  sound  core  support  platform  gfx
# A folder may include itself and anything below it; platform/<host>/ counts as platform.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(gfx platform support core sound screens play shell)
rank() {
  local i
  for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
bad=0
while IFS= read -r file; do
  folder=${file#src/}
  folder=${folder%%/*}
  own=$(rank "$folder")
  if [ "$own" -lt 0 ]; then
    echo "$file: folder '$folder' has no place in the layer order" >&2
    bad=1
    continue
  fi
  while IFS= read -r inc; do
    target=${inc%%/*}
    theirs=$(rank "$target")
    [ "$theirs" -lt 0 ] && continue  # a system or generated header
    if [ "$theirs" -gt "$own" ]; then
      echo "$file includes \"$inc\": $folder may not include $target, which lies above it" >&2
      bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -name '*.h' -o -name '*.cpp' | sort)
if [ "$bad" -ne 0 ]; then
  echo "check-layers: includes point upwards" >&2
  exit 1
fi
echo "check-layers: every include in src/ points down ($(find src -name '*.h' -o -name '*.cpp' | wc -l) files)"
