#!/usr/bin/env bash
# Cross-builds one static library for one mingw-w64 triplet from its pinned
# Debian source package (tools/setup/windows-libs.list; Debian's security
# patches applied) and installs it into the cache outside the clone; zlib is
# taken from Debian's own mingw-w64 build of it, its pinned binary package.
# Does nothing when that library is already cached.
#
#   tools/setup/build-windows-lib.sh LIBRARY [i686-w64-mingw32 | x86_64-w64-mingw32]
#
#   zlib        zlib, Debian's libz-mingw-w64-dev (the static lib/libz.a)
#   libjpeg     libjpeg-turbo, SIMD through nasm
#   libpng      libpng, with zlib; build zlib first
#   libtiff     libtiff, with zlib and JPEG; build zlib and libjpeg first
#   libkissfft  KissFFT, float, named as in Debian's native libkissfft-dev
#               (include/kissfft/kiss_fft.h ..., lib/libkissfft-float.a), so
#               one find_path and find_library serve both builds
#
# libtiff gets zlib and JPEG next to its built-in codecs (PackBits, LZW,
# CCITT, ...) and nothing more: every further codec would be one more library
# linked into the self-contained plug-in.
set -euo pipefail

library="${1:-}"
triplet="${2:-i686-w64-mingw32}"
# Each library with the ones it is built against, whose new versions make it
# stale. A new recipe number rebuilds a library cached by an older recipe: the
# libraries built from source took the build's clock for their dates before
# recipe 2 (libjpeg, libkissfft), 3 (libpng) and 4 (libtiff).
case "$library" in
  zlib) recipe=1; product=lib/libz.a; built_against=() ;;
  libjpeg) recipe=2; product=lib/libjpeg.a; built_against=() ;;
  libpng) recipe=3; product=lib/libpng.a; built_against=(zlib) ;;
  libtiff) recipe=4; product=lib/libtiff.a; built_against=(zlib libjpeg) ;;
  libkissfft) recipe=2; product=lib/libkissfft-float.a; built_against=() ;;
  *) echo "build-windows-lib: unknown library '$library' (zlib, libjpeg, libpng, libtiff or libkissfft)" >&2; exit 2 ;;
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
pin="$(orielvmx_windows_lib_pin "$library")" ||
  { echo "$me: no line for it in $here/windows-libs.list" >&2; exit 2; }
read -r package pinned _ <<< "$pin"

# One stamp line for each library it is built against: "against=zlib libz-mingw-w64-dev 1.2.13+dfsg-1".
depends_on=()
for dependency in "${built_against[@]}"; do
  [ -f "$libs/$dependency/.orielvmx-build" ] ||
    { echo "$me: build $dependency for $triplet first" >&2; exit 1; }
  depends_on+=("against=$dependency $(grep '^source=' "$libs/$dependency/.orielvmx-build" | cut -d= -f2)")
done

cached() {
  [ -f "$stamp" ] && grep -qx "recipe=$recipe" "$stamp" && grep -qxF "pin=$package $pinned" "$stamp" &&
    [ -f "$prefix/$product" ] || return 1
  local line
  for line in "${depends_on[@]}"; do grep -qxF "$line" "$stamp" || return 1; done
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

# write_stamp VERSION: records what the prefix now holds.
write_stamp() {
  {
    printf 'recipe=%s\npin=%s %s\nsource=%s %s\ntriplet=%s\n' "$recipe" "$package" "$pinned" "$package" "$1" "$triplet"
    for line in "${depends_on[@]}"; do echo "$line"; done
  } > "$stamp"
}

if [ "$library" = zlib ]; then
  # Only the static library and its headers: the import library beside them
  # would make the plug-in need a zlib DLL.
  deb="$(bash "$here/fetch-debian-binary.sh" "$library" | tail -1)"
  unpacked="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-zlib-$triplet.XXXXXX")"
  trap 'rm -rf "$unpacked"' EXIT
  dpkg-deb -x "$deb" "$unpacked"
  rm -rf "$prefix"
  mkdir -p "$prefix/lib" "$prefix/include" "$prefix/share/doc"
  cp "$unpacked/usr/$triplet/lib/libz.a" "$prefix/lib/"
  cp "$unpacked/usr/$triplet/include/zlib.h" "$unpacked/usr/$triplet/include/zconf.h" "$prefix/include/"
  cp "$unpacked/usr/share/doc/$package/copyright" "$prefix/share/doc/copyright"
  write_stamp "$pinned"
  echo "$me: $package $pinned for $triplet installed in $prefix ($(($(date +%s) - started)) s)"
  exit 0
fi

src="$(bash "$here/fetch-debian-source.sh" "$library" | tail -1)"
version="$(head -1 "$src/.orielvmx-source")"
# The build's dates are the pinned source's, from the newest entry of its
# Debian changelog, never the clock's: a library rebuilt on another day is
# the same library, byte for byte (CMake's string(TIMESTAMP) and the
# compilers honour SOURCE_DATE_EPOCH).
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)" ||
  { echo "$me: no date in $src/debian/changelog" >&2; exit 1; }
export SOURCE_DATE_EPOCH
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
    # Its version string names the day of the build, "(build YYYYMMDD)":
    # here the changelog's day. nasm stamps each object with the time it was
    # assembled, unless told to be reproducible.
    options=(-DBUILD="$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y%m%d)" -DCMAKE_ASM_NASM_FLAGS=--reproducible
             -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
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
  libkissfft)
    # Its own build adds -ffast-math, which lets the compiler reorder
    # floating-point arithmetic: transforms whose results become pixels must
    # come out the same in every build, so it goes (from a copy: the cached
    # tree stays as Debian ships it). For the same reason i686 computes in
    # SSE registers, not in x87's wider ones, and nothing is fused.
    cp -a "$src" "$build/source"
    src="$build/source"
    grep -q -e '-ffast-math' "$src/CMakeLists.txt" ||
      { echo "$me: its CMakeLists.txt no longer adds -ffast-math; check how it sets its flags" >&2; exit 1; }
    sed -i 's/-ffast-math//' "$src/CMakeLists.txt"
    float_flags=-ffp-contract=off
    if [ "$triplet" = i686-w64-mingw32 ]; then float_flags+=" -msse2 -mfpmath=sse"; fi
    # GNUInstallDirs is only included on Unix, so the layout is given here.
    options=(-DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TOOLS=OFF -DKISSFFT_TEST=OFF
             -DKISSFFT_OPENMP=OFF -DKISSFFT_USE_ALLOCA=OFF -DKISSFFT_PKGCONFIG=ON
             -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_BINDIR=bin -DCMAKE_C_FLAGS="$float_flags")
    installed=(include/kissfft/kiss_fft.h include/kissfft/kiss_fftr.h include/kissfft/kiss_fftnd.h
               include/kissfft/kiss_fftndr.h include/kissfft/kissfft.hh lib/cmake/kissfft/kissfft-config.cmake) ;;
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

write_stamp "$version"
echo "$me: $package $version for $triplet installed in $prefix ($(($(date +%s) - started)) s)"
