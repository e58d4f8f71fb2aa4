#!/usr/bin/env bash
# Checks that the release does not depend on the day it is built. The Windows
# libraries are built twice, each time into a cache of their own with the
# clock set to another day (Debian's faketime), and the release is built from
# each cache in a clean clone of the last commit (tools/dist/build-release.sh)
# under the same clock. The libraries, the plug-ins, the zip and the Debian
# packages must come out the same byte for byte; so must every FILE given,
# built the usual way today (./run.sh dist passes its zip and .deb), and the
# file of the same name that the check built.
#   check-any-day.sh [FILE...]
# Environment: ORIELVMX_ANY_DAYS, the two days (default "2025-02-28
# 2031-10-13", one before and one after the pinned sources' and this
# release's dates); the work goes to ${TMPDIR:-/tmp}/orielvmx-any-day, which
# is removed when the check passes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
setup="$root/tools/setup"
# shellcheck source=tools/setup/env.sh
. "$setup/env.sh"
me=check-any-day

read -r -a days <<< "${ORIELVMX_ANY_DAYS:-2025-02-28 2031-10-13}"
[ "${#days[@]}" -eq 2 ] && [ "${days[0]}" != "${days[1]}" ] ||
  { echo "$me: ORIELVMX_ANY_DAYS must name two different days" >&2; exit 2; }
command -v faketime > /dev/null ||
  { echo "$me: faketime is missing; run tools/setup/install-deps.sh" >&2; exit 1; }
work="${TMPDIR:-/tmp}/orielvmx-any-day"
mapfile -t libraries < <(orielvmx_windows_lib_names)
triplets=(i686-w64-mingw32 x86_64-w64-mingw32)
# The dates must come from the commit and the pinned changelogs alone.
unset SOURCE_DATE_EPOCH

# The pinned sources (zlib's binary package), fetched into the usual cache
# once, then copied into each day's: nothing is fetched under a false clock,
# as apt rightly refuses an index whose validity has ended or not begun.
pinned=()
for library in "${libraries[@]}"; do
  read -r _ _ _ _ source_package <<< "$(orielvmx_windows_lib_pin "$library")"
  if [ -n "$source_package" ]; then
    pinned+=("$(bash "$setup/fetch-debian-binary.sh" "$library" | tail -1)")
  else
    pinned+=("$(bash "$setup/fetch-debian-source.sh" "$library" | tail -1)")
  fi
done

# on_day DAY: the libraries into $work/cache, the release into $work/clone,
# with every process's clock starting at noon (UTC) of DAY, then both moved to
# $work/DAY. Both days build in the same places, so that only the day
# differs (libjpeg-turbo's SIMD objects name their source files' paths).
# Monotonic clocks stay true, so that timeouts and build tools' own timing
# are not disturbed, and so do the files' times: by default faketime shifts
# them as it shifts the clock, and files that dpkg-deb packs after they were
# set to the commit's time would show another time.
on_day() {
  local day="$1" file library triplet
  local clock=(env FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 TZ=UTC faketime -f "@$day 12:00:00")
  rm -rf "${work:?}/cache" "$work/clone" "${work:?}/$day"
  mkdir -p "$work/cache/src" "$work/cache/debs"
  for file in "${pinned[@]}"; do
    case "$file" in
      *.deb) cp -a "$file" "$work/cache/debs/" ;;
      *) cp -a "$file" "$work/cache/src/" ;;
    esac
  done
  if [ "$("${clock[@]}" date -u +%F)" != "$day" ]; then
    echo "$me: faketime does not set the clock to $day" >&2
    return 1
  fi
  echo "$me: building the Windows libraries and the release on $day"
  for triplet in "${triplets[@]}"; do
    for library in "${libraries[@]}"; do
      ORIELVMX_CACHE="$work/cache" "${clock[@]}" bash "$setup/build-windows-lib.sh" "$library" "$triplet"
    done
  done
  mkdir -p "$work/$day"
  ORIELVMX_CACHE="$work/cache" "${clock[@]}" bash "$here/build-release.sh" "$root" "$work/clone" > "$work/$day/release.log" 2>&1 ||
    { tail -40 "$work/$day/release.log" >&2; echo "$me: the release on $day failed; see $work/$day/release.log" >&2; return 1; }
  mv "$work/cache" "$work/clone" "$work/$day/"
}

on_day "${days[0]}"
on_day "${days[1]}"
a="$work/${days[0]}"
b="$work/${days[1]}"

# What a user gets, and the libraries it is linked from.
products() {
  (cd "$1" && find cache/windows-libs -name '*.a' && find clone/dist -type f &&
    echo clone/build/win32/tools/texfill/texfill.exe && echo clone/build/win64/tools/texfill/texfill.exe) | LC_ALL=C sort
}
different=0
if [ "$(products "$a")" != "$(products "$b")" ]; then
  echo "$me: the two days built different sets of files:" >&2
  diff <(products "$a") <(products "$b") >&2 || true
  different=1
fi
while read -r file; do
  if cmp -s "$a/$file" "$b/$file"; then
    echo "same on both days: $file ($(sha256sum < "$a/$file" | cut -c1-16))"
  else
    echo "DIFFERENT on ${days[0]} and ${days[1]}: $file" >&2
    different=1
  fi
done < <(products "$a")
for file in "$@"; do
  built="$a/clone/dist/$(basename "$file")"
  if [ ! -f "$built" ]; then
    echo "$me: the check built no $(basename "$file")" >&2
    different=1
  elif cmp -s "$file" "$built"; then
    echo "same as today's: $(basename "$file")"
  else
    echo "DIFFERENT from today's: $file" >&2
    different=1
  fi
done

if [ "$different" -ne 0 ]; then
  echo "$me: the release depends on the day it is built; both builds are kept in $work" >&2
  exit 1
fi
rm -rf "$work"
echo "$me: the same release on ${days[0]} and ${days[1]}"
