#!/usr/bin/env bash
# The Windows download as a user gets it: unpacks the zip, checks that it
# holds exactly the files it should, then, in a fresh copy of the Wine prefix
# of ORIELVMX_WIN_ARCH, loads that edition's plug-in from the unpacked folder
# with the Windows test host, and lets the unpacked texfill.exe fill
# documents with textures from the unpacked Textures folder through it, also
# scaled, turned, without repetition and from a folder named in Cyrillic and
# Chinese (the plug-in's Preferences dialog answered by texfill.exe). Each
# filled document must match the native texfill's, byte for byte.
#
#   check-release.sh dist/orielvmx-VERSION-windows.zip
#
# Run it the way run.sh runs the Wine tests (Wine environment set, X server
# up); uses build/native and build/<arch> for the test host and fixtures.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
zip="$(realpath "$1")"
arch="${ORIELVMX_WIN_ARCH:?set ORIELVMX_WIN_ARCH to win32 or win64}"
native_dir="${ORIELVMX_NATIVE_BUILD_DIR:-$root/build/native}"
win_dir="${ORIELVMX_WIN_BUILD_DIR:-$root/build/$arch}"

# shellcheck source=tools/wintest/wine_script.sh
. "$root/tools/wintest/wine_script.sh"
# A folder named in Cyrillic and Chinese reaches texfill.exe intact only
# through the wide command line: C.UTF-8 gives Wine code page 1252, which
# holds neither, and keeps the Unix names UTF-8 (as the Wine tests run).
export LC_ALL=C.UTF-8

work="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-release-check.XXXXXX")"
fresh_prefix="$work/wine-$arch"
# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
  WINEPREFIX="$fresh_prefix" wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

unpacked="$work/unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && python3 -m zipfile -e "$zip" .) || { fail "unpack" "$zip"; exit 1; }

expected="CHANGES.txt LICENSE.txt README.txt SHA256SUMS Textures/ win32/ORIELVMX.8BF win32/texfill.exe win64/ORIELVMX.8BF win64/texfill.exe"
have="$(python3 -m zipfile -l "$zip" | awk 'NR > 1 {print $1}' | sed 's|^Textures/.*|Textures/|' | LC_ALL=C sort -u | xargs)"
if [ "$have" = "$expected" ]; then pass "zip holds exactly the release files"; else fail "zip contents" "$have"; fi
if (cd "$unpacked" && sha256sum --quiet -c SHA256SUMS); then pass "SHA256SUMS"; else fail "SHA256SUMS" "mismatch"; fi
for text in README.txt CHANGES.txt; do
  if [ "$(grep -c $'\r$' "$unpacked/$text")" -eq "$(wc -l < "$unpacked/$text")" ]; then
    pass "$text has CRLF line ends"
  else
    fail "$text" "not every line ends in CRLF"
  fi
done
version="$(head -1 "$root/VERSION")"
newest="$(grep -m1 '^## ' "$unpacked/CHANGES.txt" | tr -d '\r')"
if [ "$newest" = "## $version" ]; then pass "CHANGES.txt starts with $version"; else fail "CHANGES.txt" "newest is '$newest'"; fi

# A prefix no earlier run has touched: no settings file, nothing registered.
cp -a "$WINEPREFIX" "$fresh_prefix"
export WINEPREFIX="$fresh_prefix" WINEDEBUG=-all
plugin="$unpacked/$arch/ORIELVMX.8BF"

# The test host's chooser checks browse their own texture directory.
if "$native_dir/tools/make_chooser_fixtures" "$work/chooser" > /dev/null; then
  ORIELVMX_CHOOSER_FIXTURES="$(windows_path "$work/chooser")"
  ORIELVMX_SCREENSHOTS="$(windows_path "$work")"
  export ORIELVMX_CHOOSER_FIXTURES ORIELVMX_SCREENSHOTS
  under_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1
  under_wine "$win_dir/tools/orielvmx_wintest.exe" "$(windows_path "$plugin")" 2>&1 | tr -d '\r' > "$work/wintest.out"
  if [ "${PIPESTATUS[0]}" -eq 0 ]; then
    pass "test host loads and drives the unpacked $arch plug-in ($(tail -1 "$work/wintest.out"))"
  else
    fail "test host on the unpacked $arch plug-in" "$(grep '^FAIL' "$work/wintest.out" | head -5)"
  fi
else
  fail "chooser fixtures" "make_chooser_fixtures failed"
fi

# texfill.exe from the download, the plug-in beside it, textures from the
# download's Textures folder: a library TIFF into a TIFF document, the PNG
# sample into a PNG document, the photographs scaled, turned and without
# repetition, brick quilted with its shapes kept, and a sample copied into a
# folder named in Cyrillic and Chinese (no ANSI code page holds both).
"$native_dir/tools/texfill/texfill" gen-sample --size 200x120 document "$work/document.tif" > /dev/null 2>&1
"$native_dir/tools/texfill/texfill" gen-sample --size 200x120 document "$work/document.png" > /dev/null 2>&1
# compare_fill FOLDER TEXTURE EXT OPTIONS...: FOLDER below the unpacked zip.
compare_fill() {
  local folder="$1" texture="$2" ext="$3"
  shift 3
  rm -f "$work/native.$ext" "$work/windows.$ext"
  "$native_dir/tools/texfill/texfill" fill --texture "$unpacked/$folder/$texture" "$@" \
    "$work/document.$ext" "$work/native.$ext" < /dev/null > /dev/null 2>&1
  (cd "$unpacked/$arch" && under_wine texfill.exe fill --plugin ORIELVMX.8BF --texture "..\\$folder\\$texture" \
    "$@" "$(windows_path "$work/document.$ext")" "$(windows_path "$work/windows.$ext")") \
    < /dev/null > "$work/texfill.log" 2>&1
  if [ -s "$work/native.$ext" ] && cmp -s "$work/native.$ext" "$work/windows.$ext"; then
    pass "unpacked $arch texfill.exe fills from $folder\\$texture ($*) like the native texfill"
  else
    fail "unpacked $arch texfill.exe, $folder\\$texture ($*)" "$(tr -d '\r' < "$work/texfill.log" | head -5)"
  fi
}
named="Текстуры 紋理"
mkdir -p "$unpacked/$named"
cp "$unpacked/Textures/brick.tif" "$unpacked/Textures/gravel-photo.png" "$unpacked/$named/"
compare_fill "$named" brick.tif tif --size 128X128
compare_fill "$named" gravel-photo.png png --repeat shapes --seed 4
while read -r texture ext options; do
  read -r -a fill_options <<< "$options"
  compare_fill Textures "$texture" "$ext" "${fill_options[@]}"
done <<'TEXTURES'
marble.tif tif --size 128X128
brick-wall-1024.png png --size 128X128
gravel-photo.png png --scale 60 --angle 30 --repeat random --seed 7
grass-photo.png tif --scale 50 --angle -20 --offset 13,5 --repeat mirror
brick.tif png --repeat shapes --seed 9
grass-photo.png png --make-seamless --repeat shapes --offset 7,-3
TEXTURES

finish
