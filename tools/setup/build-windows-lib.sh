#!/usr/bin/env bash
# Cross-builds one static library for one mingw-w64 triplet from Debian's
# source package (with Debian's security patches applied) and installs it into
# the cache outside the clone. Does nothing when that build is already cached.
#
#   tools/setup/build-windows-lib.sh LIBRARY [i686-w64-mingw32 | x86_64-w64-mingw32]
#
#   libjpeg  libjpeg-turbo (source package libjpeg-turbo), SIMD through nasm
#   libpng   libpng (source package libpng1.6), against Debian's mingw zlib
#   libtiff  libtiff (source package tiff), with zlib and JPEG; build libjpeg
#            first
#
# libtiff gets zlib and JPEG next to its built-in codecs (PackBits, LZW,
# CCITT, ...) and nothing more: every further codec would be one more library
# linked into the self-contained plug-in.
set -euo pipefail

library="${1:-}"
triplet="${2:-i686-w64-mingw32}"
case "$library" in
  libjpeg) package=libjpeg-turbo; recipe=1; product=lib/libjpeg.a ;;
  libpng) package=libpng1.6; recipe=1; product=lib/libpng.a ;;
  libtiff) package=tiff; recipe=2; product=lib/libtiff.a ;;
  *) echo "build-windows-lib: unknown library '$library' (libjpeg, libpng or libtiff)" >&2; exit 2 ;;
esac
case "$triplet" in
  i686-w64-mingw32 | x86_64-w64-mingw32) ;;
  *) echo "build-windows-lib: unknown triplet '$triplet'" >&2; exit 2 ;;
esac
me="build-windows-lib: $library"

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/env.sh"

libs="$(orielvmx_windows_libs "$triplet")"
prefix="$libs/$library"
stamp="$prefix/.orielvmx-build"

# libtiff is built against the cached libjpeg; a new libjpeg makes it stale.
depends_on=""
if [ "$library" = libtiff ]; then
  [ -f "$libs/libjpeg/.orielvmx-build" ] || { echo "$me: build libjpeg for $triplet first" >&2; exit 1; }
  depends_on="jpeg=$(grep '^source=' "$libs/libjpeg/.orielvmx-build" | cut -d= -f2)"
fi

cached() {
  [ -f "$stamp" ] && grep -qx "recipe=$recipe" "$stamp" && [ -f "$prefix/$product" ] &&
    { [ -z "$depends_on" ] || grep -qx "$depends_on" "$stamp"; }
}
if cached; then
  echo "$me: $triplet cached in $prefix ($(grep '^source=' "$stamp" | cut -d= -f2))"
  exit 0
fi

mkdir -p "$ORIELVMX_CACHE/src"
# Two runs at once (two clones, two users of this machine) must not build into
# the same prefix together.
exec 9>"$ORIELVMX_CACHE/$library.lock"
flock 9
if cached; then
  echo "$me: $triplet cached in $prefix"
  exit 0
fi

started=$(date +%s)

# Newest first. The newest security upload is sometimes listed in the index
# before its files reach the mirror, so older versions are the fallback.
versions_newest_first() {
  local list=() v i j t
  while read -r v; do list+=("$v"); done < <(apt-cache showsrc "$package" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u)
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
    [ -f "$dir/$name" ] || { echo "$me: $name missing" >&2; return 1; }
    [ "$(stat -c %s "$dir/$name")" = "$size" ] || { echo "$me: $name has the wrong size" >&2; return 1; }
    echo "$sum  $dir/$name" | sha256sum --check --quiet - || return 1
    n=$((n + 1))
  done < <(awk '/^Checksums-Sha256:/ {on = 1; next} /^[^ ]/ {on = 0} on && NF == 3 {print}' "$dir/$dsc")
  [ "$n" -gt 0 ] || { echo "$me: no SHA-256 checksums in $dsc" >&2; return 1; }
}

fetch_source() {
  local v dl
  local -a versions
  mapfile -t versions < <(versions_newest_first)
  if [ "${#versions[@]}" -eq 0 ] || [ -z "${versions[0]}" ]; then
    echo "$me: apt knows no source package '$package'; deb-src entries are added by tools/setup/install-deps.sh" >&2
    return 1
  fi
  for v in "${versions[@]}"; do
    local tree="$ORIELVMX_CACHE/src/$package-$v"
    if [ -f "$tree/.orielvmx-source" ]; then
      echo "$tree"
      return 0
    fi
    dl="$(mktemp -d "$ORIELVMX_CACHE/src/download.XXXXXX")"
    # apt drops privileges to _apt for downloads; let it write here.
    if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then chown _apt "$dl"; fi
    echo "$me: fetching $package $v" >&2
    local log="$ORIELVMX_CACHE/src/apt-$package-$v.log"
    if (cd "$dl" && apt-get source --download-only -qq "$package=$v" > "$log" 2>&1); then
      # The .dsc names the version without its epoch.
      local dsc="${package}_${v#*:}.dsc"
      # The .dsc came through apt's signed index, so dpkg-source's note that it
      # has no keyring for the uploader's own signature is only noise; its
      # checksum verification still runs and still fails hard.
      if verify_dsc "$dl" "$dsc" >&2 &&
         dpkg-source --require-strong-checksums -x "$dl/$dsc" "$dl/tree" > "$dl/extract.log" 2>&1; then
        echo "$v" > "$dl/tree/.orielvmx-source"
        rm -rf "$tree"
        mv "$dl/tree" "$tree"
        rm -rf "$dl" "$log"
        echo "$tree"
        return 0
      fi
      [ -f "$dl/extract.log" ] && cat "$dl/extract.log" >&2
      echo "$me: $package $v failed verification or extraction" >&2
    else
      echo "$me: $package $v is listed but cannot be downloaded ($(grep -m1 -o '[0-9]\{3\} [A-Za-z ]*' "$log" || echo "see $log")); trying an older one" >&2
    fi
    rm -rf "$dl"
  done
  echo "$me: no version of the $package source package could be fetched" >&2
  return 1
}

src="$(fetch_source)"
version="$(cat "$src/.orielvmx-source")"
build="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-$library-$triplet.XXXXXX")"
trap 'rm -rf "$build"' EXIT

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi

common=(
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$triplet.cmake"
  -DORIELVMX_WINDOWS_LIBS="$libs"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DCMAKE_INSTALL_LIBDIR=lib
  -DBUILD_SHARED_LIBS=OFF
)
case "$library" in
  libjpeg)
    # The 6b interface, as Debian's native libjpeg62-turbo, so that both
    # builds decode alike.
    # Its own GNUInstallDirs takes a relative library directory as relative
    # to the working directory, not to the prefix.
    options=(-DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
             -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON)
    installed=(lib/libjpeg.a include/jpeglib.h include/jconfig.h include/jmorecfg.h include/jerror.h) ;;
  libpng)
    options=(-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
             -DPNG_HARDWARE_OPTIMIZATIONS=ON -DCMAKE_DISABLE_FIND_PACKAGE_Perl=ON)
    installed=(include/png.h include/pngconf.h include/pnglibconf.h) ;;
  libtiff)
    options=(-Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF
      -Dcxx=OFF
      -Dzlib=ON -Dpixarlog=ON -Djpeg=ON
      -Dlibdeflate=OFF -Dold-jpeg=OFF -Djpeg12=OFF -Djbig=OFF
      -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF
      -Dtiff-opengl=OFF -Dsphinx=OFF
      -DCMAKE_DISABLE_FIND_PACKAGE_Deflate=ON
      -DCMAKE_DISABLE_FIND_PACKAGE_JBIG=ON -DCMAKE_DISABLE_FIND_PACKAGE_LibLZMA=ON
      -DCMAKE_DISABLE_FIND_PACKAGE_ZSTD=ON -DCMAKE_DISABLE_FIND_PACKAGE_WebP=ON
      -DCMAKE_DISABLE_FIND_PACKAGE_LERC=ON -DCMAKE_DISABLE_FIND_PACKAGE_OpenGL=ON
      -DCMAKE_DISABLE_FIND_PACKAGE_GLUT=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON)
    installed=(lib/libtiff.a include/tiffio.h include/tiff.h include/tiffconf.h) ;;
esac

echo "$me: building $package $version for $triplet"
rm -rf "$prefix"
cmake -S "$src" -B "$build" "${generator[@]}" -Wno-dev "${common[@]}" "${options[@]}" \
  > "$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j2 > "$build/build.log" 2>&1 || { tail -50 "$build/build.log" >&2; exit 1; }
cmake --install "$build" > /dev/null

# libpng installs libpng16.a; the plug-in's build looks for the plain name.
if [ "$library" = libpng ] && [ ! -f "$prefix/lib/libpng.a" ]; then
  cp "$prefix/lib/libpng16.a" "$prefix/lib/libpng.a"
fi
for f in "$product" "${installed[@]}"; do
  [ -f "$prefix/$f" ] || { echo "$me: $prefix/$f was not installed" >&2; exit 1; }
done
if [ "$library" = libtiff ] && ! grep -q '^#define JPEG_SUPPORT' "$prefix/include/tiffconf.h"; then
  echo "$me: libtiff was configured without JPEG; is libjpeg in $libs/libjpeg?" >&2
  exit 1
fi
if ls "$prefix"/bin/*.dll >/dev/null 2>&1; then
  echo "$me: a DLL was installed; the build must be static only" >&2
  exit 1
fi

printf 'recipe=%s\nsource=%s %s\ntriplet=%s\n%s\n' "$recipe" "$package" "$version" "$triplet" "$depends_on" > "$stamp"
echo "$me: $package $version for $triplet installed in $prefix ($(($(date +%s) - started)) s)"
