#!/usr/bin/env bash
# texfill make-seamless against GEGL's tile-seamless and G'MIC's
# periodize_poisson on photographs of surfaces from Debian packages (see
# seamless_compare.py): seam ratio and detail kept for every picture at its
# own size and at 1024 x 1024, whole-process time for the 1024 x 1024 RGB
# ones, and a contact sheet per picture in out/seamless/.
#
#   tests/bench/seamless_compare.sh
#
# Environment: SEAMLESS_BUILD_DIR (default build/seamless-bench; texfill is built there,
# Release), SEAMLESS_RUNS (timed runs of each tool on each picture, default
# 5, alternating between the tools so that all see the same load).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${SEAMLESS_BUILD_DIR:-$root/build/seamless-bench}"
runs="${SEAMLESS_RUNS:-5}"
sheets="$root/out/seamless"
work="$sheets/work"
python=/usr/bin/python3  # Debian's, with numpy, PIL and scikit-image's data

for tool in gegl gmic; do
  command -v "$tool" >/dev/null || { echo "seamless_compare: $tool is missing (./run.sh bench installs it)" >&2; exit 1; }
done

echo "==> texfill ($build, Release)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DORIELVMX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target texfill
texfill="$build/tools/texfill/texfill"

rm -rf "$work"
mkdir -p "$work"
echo "==> pictures"
"$python" "$root/tests/bench/seamless_compare.py" prepare "$work"

# run METHOD IN OUT: one tool, one picture, as a whole process.
run() {
  case "$1" in
    smooth) "$texfill" make-seamless "$2" "$3" ;;
    cut) "$texfill" make-seamless --method cut "$2" "$3" ;;
    gegl) gegl "$2" -o "$3" -- gegl:tile-seamless >/dev/null 2>&1 ;;  # it reports a leak of its own on stdout
    gmic) gmic -v -1 "$2" periodize_poisson cut 0,255 -o "$3" ;;
  esac
}

echo "==> every tool on every picture"
for input in "$work"/*-own.png "$work"/*-1024.png; do
  for method in smooth cut gegl gmic; do
    run "$method" "$input" "${input%.png}-$method.png"
  done
done

echo "==> whole-process times, 1024 x 1024 RGB ($runs runs each)"
: >"$work/times.txt"
for input in "$work"/*-1024.png; do
  name="$(basename "$input" -1024.png)"
  # The gray pictures of scikit-image are left out of the timing.
  [ "$("$python" -c "from PIL import Image; print(Image.open('$input').mode)")" = RGB ] || continue
  for i in $(seq "$runs"); do
    for method in smooth cut gegl gmic; do
      start=$(date +%s%N)
      run "$method" "$input" "$work/timed.png"
      end=$(date +%s%N)
      echo "$name $method $(((end - start) / 1000))e-6" >>"$work/times.txt"
    done
  done
done
rm -f "$work/timed.png"

echo "==> report (also $sheets/report.md)"
"$python" "$root/tests/bench/seamless_compare.py" report "$work" "$sheets" | tee "$sheets/report.md"
