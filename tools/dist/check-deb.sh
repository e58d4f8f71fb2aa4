#!/usr/bin/env bash
# Installs texfill's Debian package the way a user would, with apt-get, into a
# throwaway chroot of the machine's own Debian release (the package depends on
# that release's libraries), and checks that the installed texfill lists the
# installed sample library. The machine's own packages are not touched.
#
#   tools/dist/check-deb.sh dist/texfill_VERSION_amd64.deb
#   tools/dist/check-deb.sh --prepare     only make the cached chroot
#
# debootstrap runs once; its result is kept as a tarball in the cache, so a
# second run only unpacks it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/../setup/env.sh"

mirror="${ORIELVMX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
suite="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
[ -n "$suite" ] || { echo "check-deb: /etc/os-release names no release codename" >&2; exit 1; }
tarball="$ORIELVMX_CACHE/chroot-$suite.tar"

make_tarball() {
  [ -f "$tarball" ] && return 0
  mkdir -p "$ORIELVMX_CACHE"
  exec 8>"$ORIELVMX_CACHE/chroot-$suite.lock"
  flock 8
  [ -f "$tarball" ] && return 0
  local tree
  tree="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-debootstrap.XXXXXX")"
  echo "check-deb: debootstrap $suite from $mirror (once; cached in $tarball)"
  if ! debootstrap --variant=minbase "$suite" "$tree" "$mirror" > "$tree.log" 2>&1; then
    tail -20 "$tree.log" >&2
    rm -rf "$tree" "$tree.log"
    return 1
  fi
  tar -C "$tree" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  rm -rf "$tree" "$tree.log"
}

if [ "$(id -u)" -ne 0 ]; then
  echo "check-deb: needs root for the chroot" >&2
  exit 1
fi
make_tarball
[ "${1:-}" = --prepare ] && exit 0

deb="$(realpath "${1:?usage: check-deb.sh PACKAGE.deb}")"
chroot_dir="$(mktemp -d "${TMPDIR:-/tmp}/orielvmx-deb-check.XXXXXX")"
cleanup() {
  umount "$chroot_dir/proc" 2>/dev/null || true
  rm -rf "$chroot_dir"
}
trap cleanup EXIT
chmod 755 "$chroot_dir"
tar -C "$chroot_dir" -xf "$tarball"
mount -t proc proc "$chroot_dir/proc"
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
cp "$deb" "$chroot_dir/tmp/"
in_chroot() { chroot "$chroot_dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }

in_chroot apt-get -o APT::Sandbox::User=root update -qq
in_chroot apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" > "$chroot_dir/install.log" 2>&1 ||
  { cat "$chroot_dir/install.log" >&2; echo "check-deb: apt-get install failed" >&2; exit 1; }
echo "check-deb: apt-get install ./$(basename "$deb") ok"

listing="$(in_chroot texfill list /usr/share/texfill/samples)"
echo "$listing"
samples=0
for file in "$chroot_dir"/usr/share/texfill/samples/*.tif; do
  [ -f "$file" ] || continue
  samples=$((samples + 1))
  grep -q "^$(basename "$file") " <<< "$listing" ||
    { echo "check-deb: texfill list does not show $(basename "$file")" >&2; exit 1; }
done
[ "$samples" -gt 0 ] || { echo "check-deb: the package installed no sample textures" >&2; exit 1; }
# The PNG and JPEG samples show under every type.
listing="$(in_chroot texfill list --type all /usr/share/texfill/samples)"
for file in "$chroot_dir"/usr/share/texfill/samples/*.png "$chroot_dir"/usr/share/texfill/samples/*.jpg; do
  [ -f "$file" ] || continue
  samples=$((samples + 1))
  grep -q "^$(basename "$file") " <<< "$listing" ||
    { echo "check-deb: texfill list --type all does not show $(basename "$file")" >&2; exit 1; }
done
in_chroot texfill --version
in_chroot man -w texfill > /dev/null 2>&1 || [ -f "$chroot_dir/usr/share/man/man1/texfill.1.gz" ] ||
  { echo "check-deb: no man page installed" >&2; exit 1; }
echo "check-deb: $samples sample textures listed by the installed texfill"
