#!/usr/bin/env bash
# The demo (./run.sh demo): packs the sample texture library, fills a sample
# document with several library textures at several sizes and both tile
# origins through texfill, the plug-in's command-line host, and lays the
# results out on contact sheets under out/texfill/.
#
# Environment: ORIELVMX_NATIVE_BUILD_DIR (default build/native).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${ORIELVMX_NATIVE_BUILD_DIR:-$root/build/native}" 2>/dev/null && pwd || echo "${ORIELVMX_NATIVE_BUILD_DIR:-$root/build/native}")"
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
fill marble-150-random "Marble at 150 px without repetition" \
  --texture "$library/marble.tif" --size 150 --repeat random --rect 20,20,380,620
fill fabric-actual "Fabric, Actual" \
  --texture "$library/fabric.tif" --rect 40,160,360,480
fill water-gray "Water 256X256 on a gray document" \
  --texture "$library/water.tif" --size 256X256 --gray --rect 200,0,400,640
fill brick-turned "Brick 256X256 turned 30 degrees" \
  --texture "$library/brick.tif" --size 256X256 --angle 30 --rect 20,20,380,620
fill wood-scaled "Oak at 35 % with an offset" \
  --texture "$library/wood.tif" --scale 35 --offset 40,25 --rect 20,20,380,620
fill granite-mirrored "Granite 256X256 mirrored, not seamless by itself" \
  --texture "$library/granite.tif" --size 256X256 --repeat mirror --offset 64,0 --rect 20,20,380,620

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

"$texfill" sheet --columns 4 --cell 320 --title "texfill: one document, fifteen fills" \
  "$out/contact-sheet.png" "${captions[@]}"
"$texfill" sheet --columns 5 --cell 256 --title "The sample library: preview x4, texture tiled 2x2" \
  "$out/library-sheet.png" "${previews[@]}"

# The Windows texfill loads the real plug-in DLL under Wine; its documents
# must be the native engine's, byte for byte.
win_texfill="$(realpath -m "${ORIELVMX_WIN_BUILD_DIR:-$root/build/win32}/tools/texfill/texfill.exe")"
plugin="$(realpath -m "${ORIELVMX_PLUGIN:-$root/dist/win32/ORIELVMX.8BF}")"
windows_note="skipped (needs $win_texfill, $plugin and wine)"
if [ -f "$win_texfill" ] && [ -f "$plugin" ] && command -v wine >/dev/null; then
  echo "== the Windows texfill hosting $plugin under Wine"
  mkdir -p "$out/windows"
  cp "$library/brick.tif" "$library/clouds.tif" "$library/wood.tif" "$out/windows/"
  (
    cd "$out/windows"
    "$texfill" gen-sample --size 320x200 document document.tif
    # Message boxes need a display; a private X server keeps them off the user's.
    run_windows() {
      if command -v xvfb-run >/dev/null; then xvfb-run -a wine "$win_texfill" "$@"; else wine "$win_texfill" "$@"; fi
    }
    same=0
    total=0
    while read -r name texture options; do
      # shellcheck disable=SC2086
      "$texfill" fill --texture "$texture" $options document.tif "native-$name.tif"
      # shellcheck disable=SC2086
      run_windows fill --plugin "$plugin" --texture "$texture" $options document.tif "windows-$name.tif" \
        > "windows-$name.log" 2>&1
      total=$((total + 1))
      if cmp -s "native-$name.tif" "windows-$name.tif"; then
        same=$((same + 1))
        echo "   $name: identical"
      else
        echo "   $name: DIFFERENT (native-$name.tif, windows-$name.tif)"
      fi
    done <<'CASES'
brick-128 brick.tif --size 128X128 --rect 10,10,190,300
clouds-512-gray clouds.tif --size 512X512 --origin selection --gray --rect 20,30,180,290
wood-64 wood.tif --size 64X64 --origin selection
brick-turned brick.tif --size 256X256 --scale 73 --angle 30 --rect 5,5,195,315
wood-mirrored wood.tif --repeat mirror --offset 17,-9 --gray
clouds-random clouds.tif --size 256X256 --repeat random --seed 77
CASES
    echo "$same of $total" > summary.txt
    [ "$same" -eq "$total" ]
  ) || { echo "demo: the Windows plug-in's fills differ from the native engine's" >&2; exit 1; }
  windows_note="$(cat "$out/windows/summary.txt") fills identical to the native engine's ($out/windows/)"
fi

echo
echo "demo: results in $out"
echo "  contact sheet of the fills: $out/contact-sheet.png"
echo "  the library's previews:     $out/library-sheet.png"
echo "  filled documents:           $out/fills/"
echo "  the library itself:         $library/"
echo "  Windows texfill + .8BF:     $windows_note"
