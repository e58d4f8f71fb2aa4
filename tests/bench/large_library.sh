#!/usr/bin/env bash
# The large-library benchmark: how long until the Open Texture dialog shows
# its complete long-name list of a directory of library textures, against
# the platform's own Open dialog (GetOpenFileNameA, no template, no hook)
# listing the same directory; each opened twice in one host process, under
# Wine. The chooser runs once with no long names kept between processes and
# once with those the previous process kept. Then the time of `texfill list`
# on the same directory, natively.
#
#   tests/bench/large_library.sh        (also the last stage of ./run.sh bench)
#
# Environment: LIBRARY_FILES (default 5000), BENCH_PROCESS_RUNS (host
# processes per dialog, default 5; minimum and median are reported),
# ORIELVMX_WIN_ARCH (win32 or win64, default win32), ORIELVMX_PLUGIN (the
# .8BF to measure, default dist/<arch>/ORIELVMX.8BF). Wall-clock figures:
# the dialogs involve the Wine server and the X server, so process CPU time
# would miss most of the work. The machine is shared; the minimum is the
# figure least disturbed by other load.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=tools/wintest/wine_script.sh
. "$root/tools/wintest/wine_script.sh"
need_display "$@"
# shellcheck source=tools/setup/env.sh
. "$root/tools/setup/env.sh"
arch="${ORIELVMX_WIN_ARCH:-win32}"
orielvmx_wine_ready "$arch" || exit 1
files="${LIBRARY_FILES:-5000}"
runs="${BENCH_PROCESS_RUNS:-5}"
native_dir="$root/build/native"
win_dir="$root/build/$arch"
plugin="${ORIELVMX_PLUGIN:-$root/dist/$arch/ORIELVMX.8BF}"
library="$root/build/bench-library/$files"
results="$root/build/bench-library/results-$arch.txt"

build() {
  local preset="$1" dir="$2"
  shift 2
  { [ -f "$dir/CMakeCache.txt" ] || (cd "$root" && cmake --preset "$preset" > /dev/null); } &&
    cmake --build "$dir" -j2 --target "$@" > /dev/null
}
build native "$native_dir" make_chooser_fixtures texfill || { echo "native build failed" >&2; exit 1; }
build "$arch" "$win_dir" orielvmx_plugin chooser_bench || { echo "$arch build failed" >&2; exit 1; }

if [ "$(find "$library" -maxdepth 1 -name '*.tif' 2> /dev/null | wc -l)" -ne "$files" ]; then
  rm -rf "$library"
  mkdir -p "$(dirname "$library")"
  "$native_dir/tools/make_chooser_fixtures" --library "$files" "$library" || exit 1
fi

mkdir -p "$(dirname "$results")"
: > "$results"
# Each run: the platform dialog; the chooser with no long names kept (as the
# first time a library is listed); the chooser again in a new process, with
# the names the previous one kept (as every later time).
open_dialog() {
  timeout -k 10 600 wine "$win_dir/tools/chooser_bench.exe" "$(windows_path "$plugin")" \
    "$(windows_path "$library")" "$1" 2> /dev/null | tr -d '\r'
}
for run in $(seq "$runs"); do
  open_dialog plain >> "$results"
  forget_kept_names
  open_dialog chooser >> "$results"
  open_dialog chooser | sed 's/^chooser /kept /' >> "$results"
done
forget_kept_names
wineserver -w

# "<what> opening <n>: <ms> ms (...)" lines -> minimum and median per opening.
summarise() {
  local what="$1" opening="$2"
  grep "^$what opening $opening:" "$results" | awk '{print $4}' | sort -n |
    awk '{v[NR] = $1} END {if (NR == 0) {print "- -"; exit} printf "%d %d\n", v[1], v[int((NR + 1) / 2)]}'
}
echo "Large library: $files library textures, $runs host processes per dialog ($arch)"
printf '%-62s %8s %8s\n' "" "min ms" "median"
for opening in 1 2; do
  read -r plain_min plain_median <<< "$(summarise plain "$opening")"
  label=$([ "$opening" = 1 ] && echo "first opening" || echo "second opening, same process")
  printf '%-62s %8s %8s\n' "GetOpenFileNameA, $label" "$plain_min" "$plain_median"
  for what in chooser kept; do
    read -r chooser_min chooser_median <<< "$(summarise "$what" "$opening")"
    kind=$([ "$what" = chooser ] && echo "nothing kept" || echo "names kept before")
    printf '%-62s %8s %8s\n' "Open Texture, $kind, $label" "$chooser_min" "$chooser_median"
    if [ "$plain_min" != - ] && [ "$chooser_min" != - ]; then
      awk -v a="$chooser_min" -v b="$plain_min" -v c="$chooser_median" -v d="$plain_median" \
        'BEGIN {printf "%-62s %8.2fx %7.2fx\n", "  ratio", a / b, c / d}'
    fi
  done
done

texfill="$native_dir/tools/texfill/texfill"
[ -x "$root/build/bench/tools/texfill/texfill" ] && texfill="$root/build/bench/tools/texfill/texfill"
times=()
for run in $(seq "$runs"); do
  start=$(date +%s%N)
  "$texfill" list "$library" > /dev/null || exit 1
  times+=($(( ($(date +%s%N) - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
printf '%-62s %8s %8s\n' "texfill list (native, whole process)" "${sorted[0]}" "${sorted[$(( (runs - 1) / 2 ))]}"
