#!/usr/bin/env bash
# Assembles the Windows download and the Debian package from a tree whose
# win32, win64 and texfill-deb builds are done:
#   make-release.sh ROOT OUTDIR   ->  OUTDIR/orielvmx-VERSION-windows.zip,
#                                     OUTDIR/texfill_VERSION_amd64.deb,
#                                     OUTDIR/gimp-zovezadu_VERSION_amd64.deb
# The zip's entry times are the last commit's (SOURCE_DATE_EPOCH overrides),
# so one commit gives one zip wherever it is built.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$1" && pwd)"
mkdir -p "$2"
out="$(cd "$2" && pwd)"
version="$(head -1 "$root/VERSION")"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}"

stage="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-release.XXXXXX")"
trap 'rm -rf "$stage"' EXIT

for arch in win32 win64; do
  mkdir -p "$stage/$arch"
  cp "$root/build/$arch/ORIELVMX.8BF" "$root/build/$arch/tools/texfill/texfill.exe" "$stage/$arch/"
done

mkdir -p "$stage/Textures"
while read -r pattern; do
  case "$pattern" in '' | '#'*) continue ;; esac
  for file in "$root"/build/texfill-deb/$pattern; do
    [ -f "$file" ] && cp "$file" "$stage/Textures/"
  done
done < "$here/textures.list"
if [ -z "$(ls "$stage/Textures")" ]; then
  echo "make-release: no sample textures in $root/build/texfill-deb" >&2
  exit 1
fi

# Read on Windows, often in Notepad: CRLF line ends.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/README.txt.in" > "$stage/README.txt"
sed -e 's/$/\r/' "$root/CHANGES.md" > "$stage/CHANGES.txt"
ORIELVMX_CACHE="${ORIELVMX_CACHE:-/var/cache/orielvmx}" python3 "$here/collect_licenses.py" "$here/licenses.list" \
  "$root/build/win32/CMakeCache.txt" "$root/build/win64/CMakeCache.txt" "$stage/LICENSE.txt"

# Where the tree was built must not show in what a user downloads.
for binary in "$stage"/win*/*; do
  if strings -a "$binary" | grep -F -q "$root"; then
    echo "make-release: $binary contains the build path $root" >&2
    exit 1
  fi
done

(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum) > "$stage.sums"
mv "$stage.sums" "$stage/SHA256SUMS"

zip="$out/orielvmx-$version-windows.zip"
rm -f "$zip"
python3 "$here/make_zip.py" "$zip" "$stage" "$epoch"
cp "$root/build/texfill-deb/texfill_${version}_amd64.deb" "$root/build/texfill-deb/gimp-zovezadu_${version}_amd64.deb" \
  "$out/"
echo "make-release: $zip"
echo "make-release: $out/texfill_${version}_amd64.deb"
echo "make-release: $out/gimp-zovezadu_${version}_amd64.deb"
