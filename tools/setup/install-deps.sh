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
  libtiff-dev zlib1g-dev libpng-dev libjpeg62-turbo-dev libimagequant-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm valgrind python3 dpkg-dev
  # The release checks install texfill's .deb into a throwaway Debian chroot.
  debootstrap
)
windows_packages=(
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  libz-mingw-w64-dev binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
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

# Only for ./run.sh bench: the peers the benchmarks measure against.
bench_packages=()
if [ "${1:-}" = bench ]; then
  bench_packages=(libvips-dev libvips-tools libstb-dev)
fi

missing=()
for p in "${native_packages[@]}" "${windows_packages[@]}" "${bench_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null || missing+=("$p")
done

# deb-src entries, needed to fetch the sources of the Windows builds' libraries.
have_deb_src() {
  grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list
}
add_deb_src() {
  local src=/etc/apt/sources.list.d/debian.sources
  if [ -f "$src" ]; then
    sed 's/^Types: deb$/Types: deb-src/' "$src" > /etc/apt/sources.list.d/debian-src.sources
  else
    { grep '^deb ' /etc/apt/sources.list || true; } | { grep -v 'cdrom:' || true; } |
      sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/debian-src.list
  fi
}
source_packages=(libjpeg-turbo libpng1.6 tiff)
source_index_ready() {
  local p
  for p in "${source_packages[@]}"; do
    apt-cache showsrc "$p" 2>/dev/null | grep "^Version:" >/dev/null || return 1
  done
}

need_update=0
if [ "${#missing[@]}" -gt 0 ]; then
  need_update=1
fi
if ! have_deb_src; then
  need_root "adding deb-src entries"
  add_deb_src
  need_update=1
elif ! source_index_ready; then
  need_update=1
fi

if ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
  need_root "adding the i386 architecture for wine32"
  dpkg --add-architecture i386
  need_update=1
fi

if [ "$need_update" -eq 1 ]; then
  need_root "${missing[*]:-source index}"
  export DEBIAN_FRONTEND=noninteractive
  echo "install-deps: apt-get update"
  apt-get update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get install -y -qq --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
fi
if ! source_index_ready; then
  echo "install-deps: apt still lists no source package of ${source_packages[*]}; check the deb-src entries" >&2
  exit 1
fi
