#!/usr/bin/env bash
# The demo (./run.sh demo): packs the sample texture library, fills a sample
# document with several library textures at several sizes and both tile
# origins through texfill, the plug-in's command-line host, and lays the
# results out on contact sheets under out/texfill/.
#
# Environment: ORIELVMX_NATIVE_BUILD_DIR (default build/native).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ORIELVMX_NATIVE_BUILD_DIR:-$root/build/native}"
texfill="$build/tools/texfill/texfill"
library="$build/samples"
out="$root/out/texfill"

if [ ! -x "$texfill" ]; then
  echo "demo: $texfill does not exist; build the native tree first (cmake --build --preset native)" >&2
  exit 1
fi
if [ ! -f "$library/.made" ]; then
  cmake --build "$build" --target texfill_samples
fi

rm -rf "$out"
mkdir -p "$out/fills" "$out/previews"

echo "== the sample library ($library)"
"$texfill" list "$library" | tee "$out/library.txt"

doc="$out/document.png"
"$texfill" gen-sample document "$doc"

captions=()
# fill NAME CAPTION TEXFILL-FILL-OPTIONS... : fills the sample document.
fill() {
  local name="$1" caption="$2"
  shift 2
  "$texfill" fill "$@" "$doc" "$out/fills/$name.png"
  captions+=("$out/fills/$name.png=$caption")
  echo "   $name: $caption"
}

echo "== filling $doc (640x400)"
fill marble-actual "Marble, Actual, whole document" \
  --texture "$library/marble.tif"
fill wood-256 "Oak 256X256, document origin" \
  --texture "$library/wood.tif" --size 256X256 --rect 60,40,360,600
fill brick-128-selection "Brick 128X128, selection origin" \
  --texture "$library/brick.tif" --size 128X128 --origin selection --rect 100,100,300,540
fill stone-64 "Cobbles 64X64" \
  --texture "$library/stone.tif" --size 64X64 --rect 180,0,400,640
fill clouds-512 "Sky (low-res) 512X512: texels x4" \
  --texture "$library/clouds.tif" --size 512X512 --rect 0,0,230,640
fill granite-64 "Granite (low-res) 64X64" \
  --texture "$library/granite.tif" --size 64X64 --rect 250,60,390,580
fill marble-150 "Marble at 150 px (texfill's own --size N)" \
  --texture "$library/marble.tif" --size 150 --rect 20,20,380,620
fill fabric-actual "Fabric, Actual" \
  --texture "$library/fabric.tif" --rect 40,160,360,480
fill water-gray "Water 256X256 on a gray document" \
  --texture "$library/water.tif" --size 256X256 --gray --rect 200,0,400,640

# Two fills side by side on a small document, shown at full size:
# anchored at the document they join without a seam; anchored at each
# selection the second starts its pattern afresh at x=117.
small="$out/small-document.png"
"$texfill" gen-sample --size 256x160 document "$small"
for origin in document selection; do
  half="$out/fills/join-$origin-left.png"
  "$texfill" fill --texture "$library/brick.tif" --size 128X128 --origin "$origin" \
    --rect 16,8,144,117 "$small" "$half"
  "$texfill" fill --texture "$library/brick.tif" --size 128X128 --origin "$origin" \
    --rect 16,117,144,248 "$half" "$out/fills/join-$origin.png"
  rm -f "$half"
  captions+=("$out/fills/join-$origin.png=Two fills meeting at x=117, $origin origin")
  echo "   join-$origin: two brick fills meeting at x=117, $origin origin"
done

echo "== previews"
previews=()
for texture in "$library"/*.tif; do
  name="$(basename "$texture" .tif)"
  "$texfill" preview "$texture" "$out/previews/$name.png"
  long="$(grep "^$name.tif " "$out/library.txt" | sed -E 's/^[^ ]+ +//; s/  +TIFF.*//')"
  previews+=("$out/previews/$name.png=$long")
done

"$texfill" sheet --columns 4 --cell 320 --title "texfill: one document, eleven fills" \
  "$out/contact-sheet.png" "${captions[@]}"
"$texfill" sheet --columns 5 --cell 256 --title "The sample library: preview x4, texture tiled 2x2" \
  "$out/library-sheet.png" "${previews[@]}"

echo
echo "demo: results in $out"
echo "  contact sheet of the fills: $out/contact-sheet.png"
echo "  the library's previews:     $out/library-sheet.png"
echo "  filled documents:           $out/fills/"
echo "  the library itself:         $library/"
