#!/usr/bin/env bash
# Merges the corpora a campaign grew (build/fuzz/corpus/<target>) and the
# committed ones (tests/fuzz/corpus/<target>) down to a set in which every
# input reaches an edge or feature that the inputs before it do not, and
# writes that set to tests/fuzz/corpus/<target>, where the test suite
# replays it. Inputs the generated seeds already hold are left out: the
# test run generates those afresh.
#
#   tools/fuzz/merge-corpus.sh [TARGET...]   (default: every target)
#
# Needs the libFuzzer build that tools/fuzz/run-fuzz.sh makes (build/fuzz).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root" || exit 1
build=build/fuzz
[ -x "$build/tests/fuzz/make-seeds" ] || { echo "merge-corpus: run tools/fuzz/run-fuzz.sh first" >&2; exit 1; }
rm -rf "$build/seeds"
"$build/tests/fuzz/make-seeds" "$build/seeds" >/dev/null || exit 1

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for binary in "$build"/tests/fuzz/fuzz_*; do targets+=("${binary##*/fuzz_}"); done
fi
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
for target in "${targets[@]}"; do
  merged="$build/merged/$target"
  rm -rf "$merged"
  mkdir -p "$merged"
  # The seeds go first, so that the grown inputs are kept only for what the
  # seeds do not reach.
  cp "$build/seeds/$target"/* "$merged/" 2>/dev/null
  inputs=()
  for corpus in "tests/fuzz/corpus/$target" "$build/corpus/$target"; do [ -d "$corpus" ] && inputs+=("$corpus"); done
  if ! "$build/tests/fuzz/fuzz_$target" -merge=1 -timeout=30 -rss_limit_mb=2560 "$merged" "${inputs[@]}" \
      >"$build/merged/$target.log" 2>&1; then
    echo "merge-corpus: $target failed (log: $build/merged/$target.log)" >&2
    exit 1
  fi
  for seed in "$build/seeds/$target"/*; do rm -f "$merged/${seed##*/}"; done
  rm -rf "tests/fuzz/corpus/$target"
  mkdir -p "tests/fuzz/corpus/$target"
  cp "$merged"/* "tests/fuzz/corpus/$target/" 2>/dev/null
  echo "merge-corpus: $target: $(ls "tests/fuzz/corpus/$target" | wc -l) inputs," \
    "$(du -sk "tests/fuzz/corpus/$target" | cut -f1) KB"
done
