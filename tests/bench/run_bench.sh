#!/usr/bin/env bash
# Builds the benchmarks (Release), runs them with repetitions, and prints
# every figure with its ratio to its anchor measured in the same run.
#
#   tests/bench/run_bench.sh            everything (about ten minutes)
#   BENCH_QUICK=1 tests/bench/run_bench.sh   fewer repetitions, no callgrind
#
# Environment: BENCH_REPETITIONS (default 5; medians are reported),
# BENCH_MIN_TIME (seconds per repetition, default 0.3), BENCH_BUILD_DIR
# (default build/bench). Results go to $BENCH_BUILD_DIR/results: the
# benchmark JSON files, whole-process timings, callgrind and heap figures,
# and report.md, the table BENCHMARKS.md records.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${BENCH_BUILD_DIR:-$root/build/bench}"
results="$build/results"
quick="${BENCH_QUICK:-0}"
repetitions="${BENCH_REPETITIONS:-$([ "$quick" = 1 ] && echo 3 || echo 5)}"
min_time="${BENCH_MIN_TIME:-0.3}"
process_runs="${BENCH_PROCESS_RUNS:-$([ "$quick" = 1 ] && echo 3 || echo 5)}"

echo "==> build ($build, Release)"
# -O2: GCC 12 reports a false -Wrestrict inside libstdc++ at -O3 in one of
# the platform sources, and warnings are errors.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DORIELVMX_BENCH=ON -DORIELVMX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target orielvmx_bench orielvmx_bench_peers orielvmx_bench_once
texfill=""
if cmake --build "$build" -j2 --target texfill >"$build/texfill-build.log" 2>&1; then
  texfill="$build/tools/texfill/texfill"
else
  echo "note: texfill does not build here (see $build/texfill-build.log); the whole-process figure is skipped"
fi

mkdir -p "$results"
rm -f "$results"/*.json "$results"/*.txt
gbench=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
        --benchmark_min_time="$min_time" --benchmark_format=console --benchmark_out_format=json)

echo "==> plug-in and baseline ($repetitions repetitions)"
"$build/orielvmx_bench" "${gbench[@]}" --benchmark_out="$results/ours.json"
echo "==> peers: stb_image_resize, libvips"
"$build/orielvmx_bench_peers" "${gbench[@]}" --benchmark_out="$results/peers.json"

echo "==> heap during the fill"
for c in rgb/512/actual rgb/512/128 rgb/512/256 rgb/128/512 gray/512/actual gray/512/128 gray/128/512; do
  "$build/orielvmx_bench_once" fill "$c" | sed "s|^|$c |" >>"$results/heap.txt"
done

if [ "$quick" != 1 ] && command -v valgrind >/dev/null; then
  echo "==> callgrind instruction counts"
  count() {  # label, command...
    local label="$1" out="$results/callgrind.$RANDOM"
    shift
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" "$@" >/dev/null 2>&1
    # Also the part spent inside memcpy: valgrind counts every iteration of
    # the rep movsb that glibc uses for large copies as an instruction.
    local copies
    copies=$(callgrind_annotate "$out" 2>/dev/null | awk '/memmove|memcpy/ {gsub(",", "", $1); s += $1} END {print s + 0}')
    echo "$label|$(awk '/^totals:/ {print $2}' "$out")|$copies" >>"$results/callgrind.txt"
    rm -f "$out"
  }
  count "baseline rgb (memcpy runs)" "$build/orielvmx_bench_once" baseline 3
  count "baseline gray (memcpy runs)" "$build/orielvmx_bench_once" baseline 1
  count "fill rgb/512/actual" "$build/orielvmx_bench_once" fill rgb/512/actual
  count "fill rgb/512/128" "$build/orielvmx_bench_once" fill rgb/512/128
  count "fill gray/512/actual" "$build/orielvmx_bench_once" fill gray/512/actual
  count "fill rgb/128/512" "$build/orielvmx_bench_once" fill rgb/128/512
  count "prescale 512->128" "$build/orielvmx_bench_once" prescale 512 128
  count "prescale 512->64" "$build/orielvmx_bench_once" prescale 512 64
  count "prescale 512->256" "$build/orielvmx_bench_once" prescale 512 256
fi

if [ -n "$texfill" ] && command -v vips >/dev/null; then
  echo "==> whole process: texfill vs vips replicate + crop, 8000 x 8000 RGB uncompressed TIFF"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  "$build/orielvmx_bench_once" texture "$work/tile.tif"
  vips black "$work/in.tif" 8000 8000 --bands 3
  time_runs() {  # label, command string
    local label="$1" command="$2" i start end
    for i in $(seq "$process_runs"); do
      sync
      start=$(date +%s%N)
      bash -c "$command" >/dev/null 2>&1 || { echo "$label failed: $command" >&2; return 1; }
      end=$(date +%s%N)
      echo "$label $(((end - start) / 1000))e-6" >>"$results/process.txt"
    done
  }
  # Interleaved, so that both see the same load on the machine.
  for i in $(seq "$process_runs"); do
    process_runs=1 time_runs texfill "'$texfill' fill --texture '$work/tile.tif' '$work/in.tif' '$work/out-texfill.tif'"
    process_runs=1 time_runs vips "vips replicate '$work/tile.tif' '$work/rep.v' 16 16 && vips crop '$work/rep.v' '$work/out-vips.tif' 0 0 8000 8000; rm -f '$work/rep.v'"
  done
fi

echo "==> report"
python3 "$root/tests/bench/report.py" "$results" | tee "$results/report.md"
