#!/usr/bin/env bash
# The Windows download as a user gets it: unpacks the zip, checks that it
# holds exactly the files it should, then, in a fresh copy of the Wine prefix
# of ORIELVMX_WIN_ARCH, loads that edition's plug-in from the unpacked folder
# with the Windows test host, and lets the unpacked texfill.exe fill
# documents with textures from the unpacked Textures folder through it, also
# scaled, turned and without repetition (the plug-in's Preferences dialog
# answered by texfill.exe). Each filled document must match the native
# texfill's, byte for byte.
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
# sample into a PNG document, and the photographs scaled, turned and without
# repetition.
"$native_dir/tools/texfill/texfill" gen-sample --size 200x120 document "$work/document.tif" > /dev/null 2>&1
"$native_dir/tools/texfill/texfill" gen-sample --size 200x120 document "$work/document.png" > /dev/null 2>&1
while read -r texture ext options; do
  read -r -a fill_options <<< "$options"
  rm -f "$work/native.$ext" "$work/windows.$ext"
  "$native_dir/tools/texfill/texfill" fill --texture "$unpacked/Textures/$texture" "${fill_options[@]}" \
    "$work/document.$ext" "$work/native.$ext" < /dev/null > /dev/null 2>&1
  (cd "$unpacked/$arch" && under_wine texfill.exe fill --plugin ORIELVMX.8BF --texture "..\\Textures\\$texture" \
    "${fill_options[@]}" "$(windows_path "$work/document.$ext")" "$(windows_path "$work/windows.$ext")") \
    < /dev/null > "$work/texfill.log" 2>&1
  if [ -s "$work/native.$ext" ] && cmp -s "$work/native.$ext" "$work/windows.$ext"; then
    pass "unpacked $arch texfill.exe fills from Textures\\$texture ($options) like the native texfill"
  else
    fail "unpacked $arch texfill.exe, Textures\\$texture ($options)" "$(tr -d '\r' < "$work/texfill.log" | head -5)"
  fi
done <<'TEXTURES'
marble.tif tif --size 128X128
brick-wall-1024.png png --size 128X128
gravel-photo.png png --scale 60 --angle 30 --repeat random --seed 7
grass-photo.png tif --scale 50 --angle -20 --offset 13,5 --repeat mirror
TEXTURES

finish
