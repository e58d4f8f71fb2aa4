#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, once.
# Safe to run again: it only calls apt when something is missing, so a second
# run takes well under a second and needs no root.
set -euo pipefail

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: run as root (apt-get is needed for: $*)" >&2
    exit 1
  fi
}

native_packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  libtiff-dev zlib1g-dev libpng-dev libjpeg62-turbo-dev libimagequant-dev libkissfft-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang llvm valgrind python3 dpkg-dev
  # The quality scripts of the fills without repetition: numpy, Pillow (to
  # read and write PNGs), and two photographs of surfaces from
  # scikit-image's data.
  python3-numpy python3-pil python3-skimage
  # CPack's Debian generator finds the executables to hand to dpkg-shlibdeps
  # with file(1).
  file
  # Checks texfill's .deb against Debian's policy.
  lintian
  # The release checks install texfill's .deb into a throwaway Debian chroot.
  debootstrap
  # Signs the private source index of the Windows libraries' sources.
  debian-archive-keyring
  # The GEGL operations for GIMP (GEGL 0.4.42 in Debian 12, 0.4.62 in 13)
  # and the gegl command line their tests run them through.
  libgegl-dev libbabl-dev gegl
  # The release check builds the Windows libraries with the clock set to other
  # days (tools/dist/check-any-day.sh).
  faketime
)
windows_packages=(
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  # libjpeg-turbo's SIMD decoders in the Windows builds.
  nasm
  xvfb xauth x11-apps imagemagick
  wine wine32:i386 wine64
  # Wine's own fonts: without them dialogs fall back to whatever fontconfig
  # offers, and dialog units (hence control sizes) change with the font.
  fonts-wine
  # Loaded at run time by Wine's X11 driver; without them it runs degraded
  # (no XRender blits, no XRandR display modes) and complains on every start.
  libxrender1:i386 libxrandr2:i386 libxcursor1:i386 libxi6:i386
  libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386
  libxrender1 libxrandr2 libxcursor1 libxi6 libxinerama1 libxcomposite1 libxfixes3
)

# GIMP 3 (Debian 13 on) and its Python binding: the GEGL operations tested
# in GIMP itself, through its console in batch mode. Debian 12's GIMP 2.10
# has no batch access to GEGL operations; there the gegl command line is
# the check.
gimp_packages=()
# shellcheck source=/dev/null
. /etc/os-release
case "${VERSION_CODENAME:-}" in
  buster | bullseye | bookworm) ;;
  *) gimp_packages=(gimp python3-gi gir1.2-gimp-3.0) ;;
esac

# Only for ./run.sh bench: the peers the benchmarks measure against.
bench_packages=()
if [ "${1:-}" = bench ]; then
  # The make-seamless comparison: GEGL, G'MIC, and photographs from
  # scikit-image and MATE's backgrounds, read with PIL.
  bench_packages=(libvips-dev libvips-tools libstb-dev gegl gmic python3-pil mate-backgrounds)
fi

update_done=0
apt_update() {
  need_root "$1"
  export DEBIAN_FRONTEND=noninteractive
  echo "install-deps: apt-get update"
  apt-get update -qq
  update_done=1
}

if ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
  need_root "adding the i386 architecture for wine32"
  dpkg --add-architecture i386
  apt_update "the i386 package index"
fi

# The sanitizer runtimes of the clang that "clang" stands for in this release
# (clang-14 in Debian 12, clang-19 in Debian 13).
clang_runtime() {
  local depends
  depends="$(dpkg-query -W -f='${Depends}' clang 2>/dev/null || apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: //p')"
  sed -n 's/.*\bclang-\([0-9][0-9]*\)\b.*/libclang-rt-\1-dev/p' <<< "$depends" | head -1
}
runtime="$(clang_runtime)"
if [ -z "$runtime" ] && [ "$update_done" -eq 0 ]; then
  apt_update "finding clang's version"
  runtime="$(clang_runtime)"
fi
[ -n "$runtime" ] || { echo "install-deps: apt knows no clang-N that the clang package depends on" >&2; exit 1; }

# One dpkg-query for all: "name:arch" of every installed package asked for.
wanted=("${native_packages[@]}" "$runtime" "${windows_packages[@]}" "${gimp_packages[@]}" "${bench_packages[@]}")
native_arch="$(dpkg --print-architecture)"
# dpkg-query fails when it knows some of the names not at all.
installed=" $({ dpkg-query -W -f='${db:Status-Abbrev}${Package}:${Architecture}\n' "${wanted[@]%%:*}" 2>/dev/null || true; } |
  awk '/^ii/ {print $2}' | xargs) "
missing=()
for p in "${wanted[@]}"; do
  case "$p" in
    *:*) [[ "$installed" == *" $p "* ]] || missing+=("$p") ;;
    *) [[ "$installed" == *" $p:$native_arch "* || "$installed" == *" $p:all "* ]] || missing+=("$p") ;;
  esac
done
if [ "${#missing[@]}" -gt 0 ]; then
  [ "$update_done" -eq 1 ] || apt_update "${missing[*]}"
  echo "install-deps: installing ${missing[*]}"
  apt-get install -y -qq --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
fi
