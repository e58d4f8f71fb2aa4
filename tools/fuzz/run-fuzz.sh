#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) in build/fuzz and runs
# each for SECONDS (default 60), one after another on one core.
#
#   tools/fuzz/run-fuzz.sh [SECONDS] [TARGET...]
#
# ORIELVMX_FUZZ_ROUNDS=N (default 1) goes round the targets N times, so that
# a long campaign that is cut short has still reached every target.
# Corpora grow in build/fuzz/corpus/<target> (seeded from make-seeds each
# time); inputs that fail land in build/fuzz/artifacts/<target>/, and the
# run ends non-zero. Copy such an input to tests/fuzz/regressions/<target>/
# once it is mended: the test suite replays that directory. Each run of a
# target leaves its libFuzzer log in build/fuzz/logs/<target>-<time>.log;
# tools/fuzz/campaign-summary.sh adds them up.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root" || exit 1
seconds="${1:-60}"
shift || true
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORIELVMX_SANITIZE=ON -DORIELVMX_FUZZ=ON -DORIELVMX_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" -j2 --target orielvmx_fuzzers >"$build/build.log" 2>&1 || { tail -40 "$build/build.log"; exit 1; }
# Each run generates its own seeds, so that two runs side by side (one per
# core) never load a seed directory the other is rewriting.
seeds="$(mktemp -d "$build/seeds.XXXXXX")" || exit 1
trap 'rm -rf "$seeds"' EXIT
"$build/tests/fuzz/make-seeds" "$seeds" || exit 1

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for binary in "$build"/tests/fuzz/fuzz_*; do targets+=("${binary##*/fuzz_}"); done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
# Every input is written to a file before the plug-in reads it; on a disk
# those writes kept a quarter of each run waiting, so they go to memory
# where there is a tmpfs, unless TMPDIR says otherwise.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
rounds="${ORIELVMX_FUZZ_ROUNDS:-1}"
for ((round = 1; round <= rounds; round++)); do
  for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$build/logs"
    dictionary=()
    case "$target" in
      tiff_texture | long_name | preview_loader | filter_run) dictionary=(-dict=tests/fuzz/tiff.dict) ;;
      png_texture) dictionary=(-dict=tests/fuzz/png.dict) ;;
      jpeg_texture) dictionary=(-dict=tests/fuzz/jpeg.dict) ;;
      thumbnail)
        cat tests/fuzz/png.dict tests/fuzz/jpeg.dict >"$seeds/thumbnail.dict"
        dictionary=(-dict="$seeds/thumbnail.dict")
        ;;
    esac
    log="$build/logs/$target-$(date +%Y%m%d-%H%M%S).log"
    echo "fuzz: $target for ${seconds}s, round $round of $rounds (log: $log)"
    # A texture claims its own size, so single inputs may legitimately take
    # a while; 30 s is far beyond any real one.
    # The grown corpus first (new inputs land there), then the generated
    # seeds and the committed corpus, where the target has them.
    corpora=("$build/corpus/$target")
    for extra in "$seeds/$target" "tests/fuzz/corpus/$target"; do [ -d "$extra" ] && corpora+=("$extra"); done
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
      -print_final_stats=1 "${dictionary[@]}" -artifact_prefix="$build/artifacts/$target/" \
      "${corpora[@]}" >"$log" 2>&1
    rc=$?
    grep -E '^#[0-9]+[[:space:]]+DONE|^Done ' "$log" | sed 's/^/  /'
    if [ "$rc" -ne 0 ]; then
      echo "fuzz: $target FAILED (exit $rc); inputs in $build/artifacts/$target/"
      grep -E 'ERROR|fuzz check failed|runtime error' "$log" | head -5 | sed 's/^/  /'
      failed+=("$target")
    fi
  done
done
[ "${#failed[@]}" -eq 0 ] || { echo "fuzz: failures in ${failed[*]}"; exit 1; }
