#!/usr/bin/env bash
# Checks texfill's Debian package: lintian finds no error or warning that
# the package's overrides do not explain; its copyright file says what
# LICENSE and the download's LICENSE.txt (the zip beside the package) say;
# installed the way a user would, with apt-get, into a throwaway chroot of
# the machine's own Debian release (the package depends on that release's
# libraries), the installed texfill lists the installed sample library, makes a
# sample photograph seamless and fills without repetition from it, `man
# texfill` shows the fill options, and the changelogs are this release's.
# The machine's own packages are not touched.
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
version="$(head -1 "$here/../../VERSION")"
release_zip="$(dirname "$deb")/orielvmx-$version-windows.zip"

# Overrides ship in the package (/usr/share/lintian/overrides/texfill), each
# with its reason; lintian warns of itself when run as root.
lintian_status=0
lintian_report="$(lintian --fail-on error,warning "$deb" 2>&1)" || lintian_status=$?
grep -v 'running with root privileges' <<< "$lintian_report" || true
[ "$lintian_status" -eq 0 ] || { echo "check-deb: lintian reports errors or warnings" >&2; exit 1; }
echo "check-deb: lintian ok"
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
# man-db to read the man page as a user would; minbase has no man.
in_chroot apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" man-db > "$chroot_dir/install.log" 2>&1 ||
  { cat "$chroot_dir/install.log" >&2; echo "check-deb: apt-get install failed" >&2; exit 1; }
echo "check-deb: apt-get install ./$(basename "$deb") ok"

python3 "$here/check_licences.py" "$here/../../LICENSE" "$chroot_dir/usr/share/doc/texfill/copyright" "$release_zip"
docs="$chroot_dir/usr/share/doc/texfill"
cmp -s <(zcat "$docs/changelog.gz") "$here/../../CHANGES.md" ||
  { echo "check-deb: changelog.gz is not CHANGES.md" >&2; exit 1; }
[ "$(zcat "$docs/changelog.gz" | grep -m1 '^## ')" = "## $version" ] ||
  { echo "check-deb: changelog.gz does not start with $version" >&2; exit 1; }
zcat "$docs/changelog.Debian.gz" | head -1 | grep -q "^texfill ($version-[0-9]*) " ||
  { echo "check-deb: changelog.Debian.gz does not start with $version" >&2; exit 1; }
echo "check-deb: changelog.gz and changelog.Debian.gz are $version's"

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
echo "check-deb: $samples sample textures listed by the installed texfill"

# The new fills on the installed samples. A texfill without make-seamless
# (a tree that has not got it yet) fills from the photograph as it is.
in_chroot texfill gen-sample --size 300x200 document /tmp/document.png > /dev/null
texture=/usr/share/texfill/samples/gravel-photo.png
man_options=(--scale --angle --offset --repeat --seed)
if in_chroot texfill --help | grep 'make-seamless' > /dev/null; then
  in_chroot texfill make-seamless "$texture" /tmp/gravel-seamless.png ||
    { echo "check-deb: texfill make-seamless failed on $texture" >&2; exit 1; }
  texture=/tmp/gravel-seamless.png
  man_options+=(make-seamless)
  echo "check-deb: texfill make-seamless ok on the installed gravel-photo.png"
else
  echo "check-deb: this texfill has no make-seamless; not checked"
fi
in_chroot texfill fill --texture "$texture" --repeat random --seed 3 --scale 50 --angle 30 \
  /tmp/document.png /tmp/filled.png || { echo "check-deb: texfill fill --repeat random failed" >&2; exit 1; }
[ -s "$chroot_dir/tmp/filled.png" ] || { echo "check-deb: texfill fill wrote nothing" >&2; exit 1; }
echo "check-deb: texfill fill --repeat random ok from $texture"
brick=/usr/share/texfill/samples/brick.tif
[ -f "$chroot_dir$brick" ] || brick="$texture"
in_chroot texfill fill --texture "$brick" --repeat shapes --seed 5 /tmp/document.png /tmp/quilted.png ||
  { echo "check-deb: texfill fill --repeat shapes failed" >&2; exit 1; }
[ -s "$chroot_dir/tmp/quilted.png" ] || { echo "check-deb: texfill fill --repeat shapes wrote nothing" >&2; exit 1; }
echo "check-deb: texfill fill --repeat shapes ok from $brick"

manual="$(in_chroot env MANWIDTH=80 man texfill 2> /dev/null)"
for option in "${man_options[@]}"; do
  grep -q -e "$option" <<< "$manual" || { echo "check-deb: man texfill does not show $option" >&2; exit 1; }
done
echo "check-deb: man texfill shows ${man_options[*]}"

# The GEGL module's package, from the same build.
gimp_deb="$(dirname "$deb")/gimp-zovezadu_${version}_amd64.deb"
lintian_status=0
lintian_report="$(lintian --fail-on error,warning "$gimp_deb" 2>&1)" || lintian_status=$?
grep -v 'running with root privileges' <<< "$lintian_report" || true
[ "$lintian_status" -eq 0 ] || { echo "check-deb: lintian reports errors or warnings on $gimp_deb" >&2; exit 1; }
cp "$gimp_deb" "$chroot_dir/tmp/"
in_chroot apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$gimp_deb")" gegl \
  > "$chroot_dir/install-gimp.log" 2>&1 ||
  { cat "$chroot_dir/install-gimp.log" >&2; echo "check-deb: apt-get install gimp-zovezadu failed" >&2; exit 1; }
[ -f "$chroot_dir/usr/share/doc/gimp-zovezadu/copyright" ] &&
  zcat "$chroot_dir/usr/share/doc/gimp-zovezadu/changelog.Debian.gz" | head -1 | grep -q "^gimp-zovezadu ($version-" ||
  { echo "check-deb: gimp-zovezadu has no copyright file or no changelog for $version" >&2; exit 1; }
in_chroot gegl -o /tmp/gegl-fill.png -- zovezadu:texture-fill texture=/usr/share/texfill/samples/gravel-photo.png \
  scale=50 angle=30 gegl:crop width=64 height=48 > /dev/null 2>&1
[ -s "$chroot_dir/tmp/gegl-fill.png" ] || { echo "check-deb: the installed zovezadu:texture-fill wrote nothing" >&2; exit 1; }
echo "check-deb: gimp-zovezadu installed; gegl fills with zovezadu:texture-fill from the installed module"
