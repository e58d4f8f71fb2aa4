#!/usr/bin/env bash
# The GEGL operations against GEGL's own, in one process and taking turns
# (tests/bench/gegl_bench.c): zovezadu:texture-fill over 8000 x 8000 at
# 100 % against gegl:tile of the same texture, and zovezadu:make-seamless of
# 1024 x 1024 photographs against gegl:tile-seamless, with both seam ratios.
#
#   tests/bench/gegl_bench.sh
#
# Environment: GEGL_BENCH_BUILD_DIR (default build/gegl-bench, Release),
# GEGL_BENCH_RUNS (default 5). Needs gegl's development files, ImageMagick
# and mate-backgrounds (./run.sh bench installs them).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${GEGL_BENCH_BUILD_DIR:-$root/build/gegl-bench}"
runs="${GEGL_BENCH_RUNS:-5}"
work="$build/work"
mate=/usr/share/backgrounds/mate/nature

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DORIELVMX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target gegl_zovezadu gegl_bench texfill

rm -rf "$work"
mkdir -p "$work/modules"
cp "$build/gegl/zovezadu.so" "$work/modules/"
export GEGL_PATH="$work/modules:$(pkg-config --variable=pluginsdir gegl-0.4)"

# The texture: the sample library's oak planks, 512 x 512, whose period lies
# on GEGL's tile grid (copied a period at a time), and the same cropped to
# 500 x 500, whose period does not (rendered pixel by pixel).
"$build/tools/texfill/texfill" gen-sample wood "$work/wood.png"
convert "$work/wood.png" -crop 500x500+0+0 +repage PNG24:"$work/wood500.png"
# The photographs: MATE's nature backgrounds, cropped to their middle square
# and scaled to 1024 x 1024 (Lanczos), as the make-seamless comparison does.
pictures=()
for name in Blinds GreenMeadow Wood RainDrops Dune; do
  side="$(identify -format '%[fx:min(w,h)]' "$mate/$name.jpg")"
  convert "$mate/$name.jpg" -gravity center -crop "${side}x${side}+0+0" +repage -filter Lanczos \
    -resize 1024x1024 PNG24:"$work/$name.png"
  pictures+=("$work/$name.png")
done

echo "| Run | ours, s | GEGL's, s | ours / GEGL's | seam ratio: ours | GEGL's |"
echo "|---|---|---|---|---|---|"
"$build/gegl/gegl_bench" "$work/wood.png" 8000 8000 "$runs" "${pictures[@]}" | grep '^|'
"$build/gegl/gegl_bench" "$work/wood500.png" 8000 8000 "$runs" | grep '^|'
