#!/usr/bin/env bash
# Packs the sample texture library: every picture `texfill gen-sample --list`
# names, drawn at its own size and packed as a high- or low-resolution
# library texture; then two larger pictures left as a PNG and a JPEG
# texture, with their long names inside; then two photographs of surfaces
# that do not tile, from Debian's python3-skimage, and the same two made
# seamless by texfill.  Usage: make-samples.sh TEXFILL OUTDIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
texfill="$1"
out="$2"
photos=/usr/lib/python3/dist-packages/skimage/data
mkdir -p "$out/src"
rm -f "$out/.made"
"$texfill" gen-sample --list > "$out/src/list.tsv"
while IFS=$'\t' read -r name class _size long; do
  "$texfill" gen-sample "$name" "$out/src/$name.png"
  flags=()
  if [ "$class" = low ]; then flags=(--low); fi
  "$texfill" pack --quiet "${flags[@]}" --name "$long" "$out/src/$name.png" "$out/$name.tif"
done < "$out/src/list.tsv"
"$texfill" gen-sample --size 1024 --title "Brick Wall, large;PNG texture" brick "$out/brick-wall-1024.png"
"$texfill" gen-sample --size 1024 --title "Cobble Stones, large;JPEG texture" stone "$out/cobble-stones-1024.jpg"

# The photographs as Debian ships them, with a long name added; their
# licence is in tools/dist/sample-photographs.txt and the package's copyright.
expected_photos=()
for photo in gravel grass; do
  [ -f "$photos/$photo.png" ] || { echo "make-samples: $photos/$photo.png missing (python3-skimage)" >&2; exit 1; }
  name="${photo^}"
  python3 "$here/png_title.py" "$photos/$photo.png" "$out/$photo-photo.png" "$name photo (not seamless)"
  expected_photos+=("$photo-photo.png +$name photo \(not seamless\) +PNG \(8 bit, 512x512\)")
  # A texfill without make-seamless (a tree that has not got it yet) makes
  # the library without the made-seamless versions, and says so.
  if "$texfill" --help | grep 'make-seamless' > /dev/null; then
    "$texfill" make-seamless "$photos/$photo.png" "$out/src/$photo-seamless.png"
    python3 "$here/png_title.py" "$out/src/$photo-seamless.png" "$out/$photo-seamless.png" "$name photo, made seamless"
    expected_photos+=("$photo-seamless.png +$name photo, made seamless +PNG \(8 bit, 512x512\)")
  else
    echo "make-samples: this texfill has no make-seamless; $photo-seamless.png left out" >&2
  fi
done

# As pack does for the TIFFs: the plug-in's own readers must list them by name.
listing="$("$texfill" list --type all "$out")"
for expected in "brick-wall-1024.png +Brick Wall, large +PNG \(24 bit, 1024x1024\)" \
                "cobble-stones-1024.jpg +Cobble Stones, large +JPEG \(24 bit, 1024x1024\)" \
                "${expected_photos[@]}"; do
  grep -Eq "^$expected" <<< "$listing" || { echo "make-samples: not listed as made: $expected" >&2; exit 1; }
done
touch "$out/.made"
