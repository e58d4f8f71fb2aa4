#!/bin/bash
# Draws docs/without-repetition.png: marble, brick and cobbles tiled, blended
# without repetition (--repeat random) and quilted (--repeat shapes), side by
# side on a contact sheet.
#   tools/artwork/without_repetition.sh BUILD_DIR   (a native build: texfill and samples/)
set -euo pipefail
build="${1:?usage: without_repetition.sh BUILD_DIR}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
texfill="$build/tools/texfill/texfill"
library="$build/samples"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$texfill" gen-sample document "$work/document.png"
pictures=()
# row NAME TEXTURE SIZE CAPTION
row() {
  local name="$1" texture="$2" size="$3" caption="$4"
  for repeat in tile random shapes; do
    "$texfill" fill --texture "$library/$texture" --size "$size" --repeat "$repeat" \
      --rect 0,0,400,640 "$work/document.png" "$work/$name-$repeat.png"
  done
  pictures+=("$work/$name-tile.png=$caption, tiled" "$work/$name-random.png=--repeat random"
             "$work/$name-shapes.png=--repeat shapes")
}
row marble marble.tif 150 "Marble at 150 px"
row brick brick.tif 128X128 "Brick 128X128"
row stone stone.tif 128X128 "Cobbles 128X128"
"$texfill" sheet --columns 3 --cell 320 --title "Tiled, and without repetition" \
  "$root/docs/without-repetition.png" "${pictures[@]}"
