#!/usr/bin/env bash
# Packs the sample texture library: every picture `texfill gen-sample --list`
# names, drawn at its own size and packed as a high- or low-resolution
# library texture; then two larger pictures left as a PNG and a JPEG
# texture, with their long names inside.  Usage: make-samples.sh TEXFILL OUTDIR
set -euo pipefail
texfill="$1"
out="$2"
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
# As pack does for the TIFFs: the plug-in's own readers must list them by name.
listing="$("$texfill" list --type all "$out")"
for expected in "brick-wall-1024.png +Brick Wall, large +PNG \(24 bit, 1024x1024\)" \
                "cobble-stones-1024.jpg +Cobble Stones, large +JPEG \(24 bit, 1024x1024\)"; do
  grep -Eq "^$expected" <<< "$listing" || { echo "make-samples: not listed as made: $expected" >&2; exit 1; }
done
touch "$out/.made"
