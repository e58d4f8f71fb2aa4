#!/bin/bash
# Draws docs/without-repetition.png: marble, brick, cobbles, planks and tiles
# tiled, blended without repetition (--repeat random) and quilted (--repeat
# shapes), side by side on a contact sheet, and a row of quilted fills turned
# 30 degrees. The planks and tiles are the quality script's structured
# textures (tests/quality/structured_textures.py).
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
/usr/bin/python3 "$root/tests/quality/structured_textures.py" "$work" >/dev/null
# row NAME TEXTURE SIZE CAPTION
row() {
  local name="$1" texture="$2" size="$3" caption="$4"
  for repeat in tile random shapes; do
    "$texfill" fill --texture "$texture" --size "$size" --repeat "$repeat" \
      --rect 0,0,400,640 "$work/document.png" "$work/$name-$repeat.png"
  done
  pictures+=("$work/$name-tile.png=$caption, tiled" "$work/$name-random.png=--repeat random"
             "$work/$name-shapes.png=--repeat shapes")
}
row marble "$library/marble.tif" 150 "Marble at 150 px"
row brick "$library/brick.tif" 128X128 "Brick 128X128"
row stone "$library/stone.tif" 128X128 "Cobbles 128X128"
row planks "$work/planks.png" Actual "Planks"
row tiles "$work/tiles.png" Actual "Tiles"
# turned NAME TEXTURE SIZE CAPTION
turned() {
  local name="$1" texture="$2" size="$3" caption="$4"
  "$texfill" fill --texture "$texture" --size "$size" --repeat shapes --angle 30 \
    --rect 0,0,400,640 "$work/document.png" "$work/$name-turned.png"
  pictures+=("$work/$name-turned.png=$caption")
}
turned brick "$library/brick.tif" 128X128 "Brick, quilted, 30 degrees"
turned planks "$work/planks.png" Actual "Planks, quilted, 30 degrees"
turned tiles "$work/tiles.png" Actual "Tiles, quilted, 30 degrees"
"$texfill" sheet --columns 3 --cell 320 --title "Tiled, and without repetition" \
  "$root/docs/without-repetition.png" "${pictures[@]}"
