#!/usr/bin/env bash
# Fetches and verifies the pinned Debian binary package of one Windows library
# (tools/setup/windows-libs.list, a line whose last field names the source
# package it is built from) into the cache, once. Prints the .deb's path on
# its last line.
#
#   tools/setup/fetch-debian-binary.sh LIBRARY
#
# Tried in this order: the .deb already in the cache; the suite's mirror (its
# pool keeps a version while some suite still lists it); snapshot.debian.org.
# Whatever the way, the .deb must have the SHA-256 the list pins.
set -euo pipefail

library="${1:?usage: fetch-debian-binary.sh LIBRARY}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/env.sh"
me="fetch-debian-binary: $library"

pin="$(orielvmx_windows_lib_pin "$library")" ||
  { echo "$me: not in $here/windows-libs.list" >&2; exit 2; }
read -r package version suite deb_sha256 source_package <<< "$pin"
[ -n "${source_package:-}" ] ||
  { echo "$me: its line in windows-libs.list names no source package; it is built from source" >&2; exit 2; }

mirror="${ORIELVMX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
snapshot="${ORIELVMX_DEBIAN_SNAPSHOT:-https://snapshot.debian.org}"
debs="$ORIELVMX_CACHE/debs"
# Pool and file names carry the version without its epoch.
deb="$debs/${package}_${version#*:}_all.deb"
mkdir -p "$debs"

pinned() { [ -f "$1" ] && [ "$(sha256sum < "$1" | cut -d' ' -f1)" = "$deb_sha256" ]; }
if pinned "$deb"; then echo "$deb"; exit 0; fi

exec 8>"$deb.lock"
flock 8
if pinned "$deb"; then echo "$deb"; exit 0; fi

urlencode() { python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }
case "$source_package" in
  lib?*) pool_dir="${source_package:0:4}/$source_package" ;;
  *) pool_dir="${source_package:0:1}/$source_package" ;;
esac
# apt drops privileges to _apt for downloads; let it write here.
partial="$(mktemp -d "$debs/download.XXXXXX")"
trap 'rm -rf "$partial"' EXIT
if [ "$(id -u)" -eq 0 ] && id _apt > /dev/null 2>&1; then chown _apt "$partial"; fi
download="$partial/$(basename "$deb")"
log="$debs/fetch-$package.log"
: > "$log"

# try URL: downloads into the partial file and keeps it if it is the pinned one.
try() {
  rm -f "$download"
  /usr/lib/apt/apt-helper download-file "$1" "$download" "SHA256:$deb_sha256" >> "$log" 2>&1 &&
    pinned "$download" && mv "$download" "$deb"
}

echo "$me: fetching $package $version from $suite" >&2
if try "$mirror/pool/main/$pool_dir/$(urlencode "${package}_${version#*:}_all.deb")"; then
  rm -f "$log"; echo "$deb"; exit 0
fi
echo "$me: $package $version cannot be fetched from $mirror; trying snapshot.debian.org" >&2
listing="$partial/binfiles.json"
if /usr/lib/apt/apt-helper download-file \
     "$snapshot/mr/binary/$package/$(urlencode "$version")/binfiles?fileinfo=1" "$listing" >> "$log" 2>&1; then
  sha1="$(python3 -c '
import json, re, sys
listing = json.load(open(sys.argv[1], encoding="utf-8"))
for entry in listing["result"]:
    if re.fullmatch(r"[0-9a-f]{40}", entry["hash"]):
        print(entry["hash"]); break
' "$listing")" || sha1=""
  if [ -n "$sha1" ] && try "$snapshot/file/$sha1"; then rm -f "$log"; echo "$deb"; exit 0; fi
fi
echo "$me: $package $version cannot be fetched (see $log)" >&2
exit 1
