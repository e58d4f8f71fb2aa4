#!/usr/bin/env bash
# Cross-builds a static libtiff for one mingw-w64 triplet from Debian's `tiff`
# source package (with Debian's security patches applied) and installs it into
# the cache outside the clone. Does nothing when that build is already cached.
#
#   tools/setup/build-libtiff.sh [i686-w64-mingw32 | x86_64-w64-mingw32]
#
# Only zlib is enabled (Debian's mingw zlib), next to libtiff's built-in codecs
# (PackBits, LZW, CCITT, ...): every further codec would be one more library
# linked into the self-contained plug-in.
set -euo pipefail

triplet="${1:-i686-w64-mingw32}"
case "$triplet" in
  i686-w64-mingw32 | x86_64-w64-mingw32) ;;
  *) echo "build-libtiff: unknown triplet '$triplet'" >&2; exit 2 ;;
esac

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/env.sh"

# Bump when the configuration below changes, so cached builds are redone.
recipe=1
prefix="$(orielvmx_libtiff_prefix "$triplet")"
stamp="$prefix/.orielvmx-build"

cached() {
  [ -f "$stamp" ] && grep -qx "recipe=$recipe" "$stamp" && [ -f "$prefix/lib/libtiff.a" ]
}
if cached; then
  echo "build-libtiff: $triplet cached in $prefix ($(grep '^source=' "$stamp" | cut -d= -f2))"
  exit 0
fi

mkdir -p "$ORIELVMX_CACHE/src"
# Two runs at once (two clones, two users of this machine) must not build into
# the same prefix together.
exec 9>"$ORIELVMX_CACHE/libtiff.lock"
flock 9
if cached; then
  echo "build-libtiff: $triplet cached in $prefix"
  exit 0
fi

started=$(date +%s)

# Newest first. The newest security upload is sometimes listed in the index
# before its files reach the mirror, so older versions are the fallback.
versions_newest_first() {
  local list=() v i j t
  while read -r v; do list+=("$v"); done < <(apt-cache showsrc tiff 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u)
  for ((i = 0; i < ${#list[@]}; i++)); do
    for ((j = i + 1; j < ${#list[@]}; j++)); do
      if dpkg --compare-versions "${list[j]}" gt "${list[i]}"; then
        t="${list[i]}"; list[i]="${list[j]}"; list[j]="$t"
      fi
    done
  done
  printf '%s\n' "${list[@]}"
}

# Checks every file the .dsc lists against its SHA-256 there. dpkg-source
# checks them again while extracting; this makes a skipped check impossible
# to miss.
verify_dsc() {
  local dir="$1" dsc="$2" sum size name n=0
  while read -r sum size name; do
    [ -f "$dir/$name" ] || { echo "build-libtiff: $name missing" >&2; return 1; }
    [ "$(stat -c %s "$dir/$name")" = "$size" ] || { echo "build-libtiff: $name has the wrong size" >&2; return 1; }
    echo "$sum  $dir/$name" | sha256sum --check --quiet - || return 1
    n=$((n + 1))
  done < <(awk '/^Checksums-Sha256:/ {on = 1; next} /^[^ ]/ {on = 0} on && NF == 3 {print}' "$dir/$dsc")
  [ "$n" -gt 0 ] || { echo "build-libtiff: no SHA-256 checksums in $dsc" >&2; return 1; }
}

fetch_source() {
  local v dl
  local -a versions
  mapfile -t versions < <(versions_newest_first)
  if [ "${#versions[@]}" -eq 0 ] || [ -z "${versions[0]}" ]; then
    echo "build-libtiff: apt knows no source package 'tiff'; deb-src entries are added by tools/setup/install-deps.sh" >&2
    return 1
  fi
  for v in "${versions[@]}"; do
    local tree="$ORIELVMX_CACHE/src/tiff-$v"
    if [ -f "$tree/.orielvmx-source" ]; then
      echo "$tree"
      return 0
    fi
    dl="$(mktemp -d "$ORIELVMX_CACHE/src/download.XXXXXX")"
    # apt drops privileges to _apt for downloads; let it write here.
    if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then chown _apt "$dl"; fi
    echo "build-libtiff: fetching tiff $v" >&2
    if (cd "$dl" && apt-get source --download-only -qq "tiff=$v" > "$ORIELVMX_CACHE/src/apt-$v.log" 2>&1); then
      local dsc="tiff_${v#*:}.dsc"
      # The .dsc came through apt's signed index, so dpkg-source's note that it
      # has no keyring for the uploader's own signature is only noise; its
      # checksum verification still runs and still fails hard.
      if verify_dsc "$dl" "$dsc" >&2 &&
         dpkg-source --require-strong-checksums -x "$dl/$dsc" "$dl/tree" > "$dl/extract.log" 2>&1; then
        echo "$v" > "$dl/tree/.orielvmx-source"
        rm -rf "$tree"
        mv "$dl/tree" "$tree"
        rm -rf "$dl" "$ORIELVMX_CACHE/src/apt-$v.log"
        echo "$tree"
        return 0
      fi
      [ -f "$dl/extract.log" ] && cat "$dl/extract.log" >&2
      echo "build-libtiff: tiff $v failed verification or extraction" >&2
    else
      echo "build-libtiff: tiff $v is listed but cannot be downloaded ($(grep -m1 -o '[0-9]\{3\} [A-Za-z ]*' "$ORIELVMX_CACHE/src/apt-$v.log" || echo "see $ORIELVMX_CACHE/src/apt-$v.log")); trying an older one" >&2
    fi
    rm -rf "$dl"
  done
  echo "build-libtiff: no version of the tiff source package could be fetched" >&2
  return 1
}

src="$(fetch_source)"
version="$(cat "$src/.orielvmx-source")"
build="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-libtiff-$triplet.XXXXXX")"
trap 'rm -rf "$build"' EXIT

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi

echo "build-libtiff: building tiff $version for $triplet"
rm -rf "$prefix"
cmake -S "$src" -B "$build" "${generator[@]}" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$triplet.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_INSTALL_LIBDIR=lib \
  -DBUILD_SHARED_LIBS=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Dcxx=OFF \
  -Dzlib=ON -Dpixarlog=ON \
  -Dlibdeflate=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djpeg12=OFF -Djbig=OFF \
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF \
  -Dtiff-opengl=OFF -Dsphinx=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_Deflate=ON -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_JBIG=ON -DCMAKE_DISABLE_FIND_PACKAGE_LibLZMA=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_ZSTD=ON -DCMAKE_DISABLE_FIND_PACKAGE_WebP=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_LERC=ON -DCMAKE_DISABLE_FIND_PACKAGE_OpenGL=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GLUT=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON \
  > "$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j2 > "$build/build.log" 2>&1 || { tail -50 "$build/build.log" >&2; exit 1; }
cmake --install "$build" > /dev/null

for f in lib/libtiff.a include/tiffio.h include/tiff.h include/tiffconf.h; do
  [ -f "$prefix/$f" ] || { echo "build-libtiff: $prefix/$f was not installed" >&2; exit 1; }
done
if ls "$prefix"/bin/*.dll >/dev/null 2>&1; then
  echo "build-libtiff: a DLL was installed; the build must be static only" >&2
  exit 1
fi

printf 'recipe=%s\nsource=tiff %s\ntriplet=%s\n' "$recipe" "$version" "$triplet" > "$stamp"
echo "build-libtiff: tiff $version for $triplet installed in $prefix ($(($(date +%s) - started)) s)"
