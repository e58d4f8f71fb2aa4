#!/usr/bin/env bash
# Packs the sample texture library: every picture `texfill gen-sample --list`
# names, drawn at its own size and packed as a high- or low-resolution
# library texture.  Usage: make-samples.sh TEXFILL OUTDIR
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
touch "$out/.made"
