#!/usr/bin/env bash
# The preview thumbnail of a 4096 x 4096 PNG and JPEG texture, whole process
# against whole process: orielvmx_bench_once thumbnail against the
# vipsthumbnail command making the same 64-pixel thumbnail. Prints the
# minimum and median wall-clock time of each and the ratio of the minimums
# (below 1: the thumbnail is faster).
#
#   tests/bench/thumbnail.sh            (after run_bench.sh's build, or builds it)
#
# Environment: BENCH_BUILD_DIR (default build/bench), BENCH_PROCESS_RUNS
# (default 7). The textures are written once to $BENCH_BUILD_DIR/thumbnail.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${BENCH_BUILD_DIR:-$root/build/bench}"
runs="${BENCH_PROCESS_RUNS:-7}"
once="$build/orielvmx_bench_once"
if [ ! -x "$once" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DORIELVMX_BENCH=ON -DORIELVMX_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target orielvmx_bench_once
fi
work="$build/thumbnail"
mkdir -p "$work"

# A photograph-like texture: smooth shapes with grain, which compresses
# about as a scanned texture does (a flat or purely random picture would
# make the decoders' work unrealistically light).
if [ ! -f "$work/texture.png" ] || [ ! -f "$work/texture.jpg" ]; then
  convert -size 512x512 -seed 7 plasma:fractal -resize 4096x4096 -attenuate 0.15 \
    +noise Gaussian -depth 8 "$work/texture.ppm"
  convert "$work/texture.ppm" PNG24:"$work/texture.png"
  convert "$work/texture.ppm" -quality 90 "$work/texture.jpg"
  rm -f "$work/texture.ppm"
fi

# Minimum and median of $runs runs of the command, in milliseconds.
timed() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { print t[1], t[int((NR + 1) / 2)] }'
}

printf '%-6s %12s %12s %14s %14s %8s\n' file "ours min" "ours median" "vips min" "vips median" ratio
for format in png jpg; do
  texture="$work/texture.$format"
  read -r ours_min ours_median < <(timed "$once" thumbnail "$texture" "$work/ours.ppm")
  read -r vips_min vips_median < <(timed vipsthumbnail "$texture" --size 64 -o "$work/vips.ppm")
  ratio=$(awk -v a="$ours_min" -v b="$vips_min" 'BEGIN { printf "%.2f", a / (b > 0 ? b : 1) }')
  printf '%-6s %10s ms %10s ms %12s ms %12s ms %8s\n' "$format" "$ours_min" "$ours_median" \
    "$vips_min" "$vips_median" "$ratio"
done
