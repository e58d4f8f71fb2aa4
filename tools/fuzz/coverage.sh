#!/usr/bin/env bash
# Line and branch coverage of the plug-in's code reached by the fuzz corpora:
# the targets are built with clang's source-based coverage and the replaying
# main, run over each corpus, and llvm-cov reports per file.
#
#   tools/fuzz/coverage.sh [CORPUS_ROOT...]  (default build/fuzz/corpus,
#                                            build/fuzz/seeds, tests/fuzz/corpus)
#
# Writes build/fuzz-coverage/report.txt (the table) and prints it.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root" || exit 1
roots=()
for given in "${@:-build/fuzz/corpus build/fuzz/seeds tests/fuzz/corpus}"; do
  for root_dir in $given; do [ -d "$root_dir" ] && roots+=("$(realpath "$root_dir")"); done
done
build=build/fuzz-coverage

CC=clang CXX=clang++ CXXFLAGS="-fprofile-instr-generate -fcoverage-mapping" \
  LDFLAGS="-fprofile-instr-generate" \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DORIELVMX_FUZZ=OFF >/dev/null || exit 1
cmake --build "$build" -j2 --target orielvmx_fuzzers >"$build/build.log" 2>&1 || { tail -30 "$build/build.log"; exit 1; }

rm -rf "$build/profiles"
mkdir -p "$build/profiles"
objects=()
for binary in "$build"/tests/fuzz/fuzz_*; do
  target="${binary##*/fuzz_}"
  inputs=()
  for corpus in "${roots[@]}"; do [ -d "$corpus/$target" ] && inputs+=("$corpus/$target"); done
  [ "${#inputs[@]}" -gt 0 ] || continue
  LLVM_PROFILE_FILE="$build/profiles/$target.profraw" "$binary" "${inputs[@]}" \
    "tests/fuzz/regressions/$target" >/dev/null 2>&1 || echo "coverage: $target replay failed" >&2
  objects+=(-object "$binary")
done
llvm-profdata merge -sparse "$build"/profiles/*.profraw -o "$build/merged.profdata" || exit 1
# The first -object is the one llvm-cov names positionally.
first="${objects[1]}"
llvm-cov report "$first" "${objects[@]:2}" -instr-profile="$build/merged.profdata" \
  "$root/host" "$root/texture" "$root/resample" "$root/chooser" "$root/platform/posix" \
  | sed "s|$root/||" | tee "$build/report.txt"
