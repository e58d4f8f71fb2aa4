#!/usr/bin/env bash
# Fetches, verifies and unpacks the pinned Debian source package of one Windows
# library (tools/setup/windows-libs.list) into the cache, once, with Debian's
# patches applied. Prints the source tree's path on its last line; the version
# it holds is the first line of its .orielvmx-source.
#
#   tools/setup/fetch-debian-source.sh LIBRARY
#
# Tried in this order:
#   1. the tree already unpacked in the cache;
#   2. the pinned version from the suite that published it, through an apt
#      configuration of this script's own (its own source list, index and
#      download directories), so the machine's release and apt setup do not
#      matter and nothing of the machine's apt state changes;
#   3. the same version from snapshot.debian.org: a suite's mirror keeps only
#      its newest upload of a package, and a superseded security upload
#      disappears at once;
#   4. an older revision the suite still lists, with a warning, as the build
#      then differs from the pin. The newest upload is sometimes listed before
#      its files reach the mirror.
# The .dsc of the pinned version must have the SHA-256 the list gives, and
# every file must match the .dsc.
set -euo pipefail

library="${1:?usage: fetch-debian-source.sh LIBRARY}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/env.sh"
me="fetch-debian-source: $library"

pin="$(orielvmx_windows_lib_pin "$library")" ||
  { echo "$me: not in $here/windows-libs.list" >&2; exit 2; }
read -r package version suite dsc_sha256 <<< "$pin"

sources="$ORIELVMX_CACHE/src"
cached_tree() {
  [ -f "$sources/$package-$1/.orielvmx-source" ] && echo "$sources/$package-$1"
}
if cached_tree "$version"; then exit 0; fi

mirror="${ORIELVMX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
security_mirror="${ORIELVMX_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}"
snapshot="${ORIELVMX_DEBIAN_SNAPSHOT:-https://snapshot.debian.org}"

apt_dir="$ORIELVMX_CACHE/apt"
mkdir -p "$sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
# One apt index serves every library: two fetches at once must not update it
# together.
exec 8>"$ORIELVMX_CACHE/apt.lock"
flock 8
if cached_tree "$version"; then exit 0; fi

# Trixie's keyring ships as .pgp, bookworm's as .gpg; both hold bookworm's keys.
keyring=""
for candidate in /usr/share/keyrings/debian-archive-keyring.pgp /usr/share/keyrings/debian-archive-keyring.gpg; do
  if [ -f "$candidate" ]; then keyring="$candidate"; break; fi
done
[ -n "$keyring" ] || { echo "$me: no Debian archive keyring; install debian-archive-keyring" >&2; exit 1; }

# A source entry for every suite the list names, so one index serves them all.
awk '!/^#/ && NF >= 4 {print $4}' "$here/windows-libs.list" | sort -u |
  while read -r listed_suite; do
    case "$listed_suite" in
      *-security) uri="$security_mirror" ;;
      *) uri="$mirror" ;;
    esac
    echo "deb-src [signed-by=$keyring] $uri $listed_suite main"
  done > "$apt_dir/sources.list"

apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
)
log="$sources/fetch-$package.log"
echo "$me: reading the source index of $(awk '{print $(NF - 1)}' "$apt_dir/sources.list" | xargs)" >&2
# Without an index the suite cannot be asked, but snapshot.debian.org still can.
if ! apt-get "${apt_options[@]}" update -qq > "$log" 2>&1; then
  echo "$me: the source index cannot be read ($(grep -m1 -E '^(E|W):' "$log" || echo "see $log"))" >&2
fi

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

# unpack DIR VERSION: verifies the downloaded source in DIR and unpacks it
# into the cache.
unpack() {
  local dir="$1" v="$2"
  # The .dsc names the version without its epoch.
  local dsc="${package}_${v#*:}.dsc" tree="$sources/$package-$v"
  [ -f "$dir/$dsc" ] || { echo "$me: $dsc was not downloaded" >&2; return 1; }
  if [ "$v" = "$version" ] && [ "$(sha256sum < "$dir/$dsc" | cut -d' ' -f1)" != "$dsc_sha256" ]; then
    echo "$me: $dsc does not have the SHA-256 that windows-libs.list pins" >&2
    return 1
  fi
  verify_dsc "$dir" "$dsc" || { echo "$me: $package $v failed verification" >&2; return 1; }
  # dpkg-source's note that it has no keyring for the uploader's own
  # signature is only noise: the .dsc is pinned or came through apt's signed
  # index, and dpkg-source's own checksum verification still fails hard.
  if ! dpkg-source --require-strong-checksums -x "$dir/$dsc" "$dir/tree" > "$dir/extract.log" 2>&1; then
    cat "$dir/extract.log" >&2
    echo "$me: $package $v could not be unpacked" >&2
    return 1
  fi
  echo "$v" > "$dir/tree/.orielvmx-source"
  rm -rf "$tree"
  mv "$dir/tree" "$tree"
}

new_download_dir() {
  local dir
  dir="$(mktemp -d "$sources/download.XXXXXX")"
  # apt drops privileges to _apt for downloads; let it write here.
  if [ "$(id -u)" -eq 0 ] && id _apt > /dev/null 2>&1; then chown _apt "$dir"; fi
  echo "$dir"
}

from_suite() {
  (cd "$1" && apt-get "${apt_options[@]}" source --download-only -qq "$package=$2") >> "$log" 2>&1
}

# snapshot.debian.org names every file of a source version by its SHA-1.
from_snapshot() {
  local dir="$1" listing="$1/srcfiles.json" sha1 name
  local query
  query="$snapshot/mr/package/$package/$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$2")/srcfiles?fileinfo=1"
  /usr/lib/apt/apt-helper download-file "$query" "$listing" >> "$log" 2>&1 || return 1
  while read -r sha1 name; do
    /usr/lib/apt/apt-helper download-file "$snapshot/file/$sha1" "$dir/$name" "SHA1:$sha1" >> "$log" 2>&1 || return 1
  done < <(python3 -c '
import json, re, sys
listing = json.load(open(sys.argv[1], encoding="utf-8"))
for entry in listing["result"]:
    sha1 = entry["hash"]
    name = listing["fileinfo"][sha1][0]["name"]
    if re.fullmatch(r"[0-9a-f]{40}", sha1) and re.fullmatch(r"[A-Za-z0-9][A-Za-z0-9.+~_-]*", name):
        print(sha1, name)
' "$listing")
}

failure() {
  grep -m1 -o -E '[45][0-9]{2} +[A-Z][a-z][A-Za-z ]*|Could not resolve.*|Unable to find.*|Temporary failure.*' "$log" || echo "see $log"
}

# try suite|snapshot VERSION: one way of getting one version; leaves the tree
# in the cache and prints its path, or fails.
try() {
  local how="$1" v="$2" dir downloaded=1
  dir="$(new_download_dir)"
  case "$how" in
    suite) from_suite "$dir" "$v" || downloaded=0 ;;
    snapshot) from_snapshot "$dir" "$v" || downloaded=0 ;;
  esac
  if [ "$downloaded" -eq 1 ] && unpack "$dir" "$v"; then
    rm -rf "$dir"
    cached_tree "$v"
    return 0
  fi
  rm -rf "$dir"
  return 1
}

: > "$log"
echo "$me: fetching $package $version from $suite" >&2
if try suite "$version"; then rm -f "$log"; exit 0; fi
echo "$me: $package $version cannot be fetched from $suite ($(failure)); trying snapshot.debian.org" >&2
: > "$log"
if try snapshot "$version"; then rm -f "$log"; exit 0; fi
echo "$me: $package $version cannot be fetched from $snapshot either ($(failure))" >&2

# Older revisions the index lists, newest first.
older=()
while read -r v; do
  if dpkg --compare-versions "$v" lt "$version"; then older+=("$v"); fi
done < <(apt-cache "${apt_options[@]}" showsrc --only-source "$package" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u)
for ((i = 0; i < ${#older[@]}; i++)); do
  for ((j = i + 1; j < ${#older[@]}; j++)); do
    if dpkg --compare-versions "${older[j]}" gt "${older[i]}"; then
      t="${older[i]}"; older[i]="${older[j]}"; older[j]="$t"
    fi
  done
done
for v in "${older[@]}"; do
  if cached_tree "$v"; then
    echo "$me: WARNING: using $package $v, already in the cache, instead of the pinned $version" >&2
    exit 0
  fi
  : > "$log"
  if try suite "$v"; then
    rm -f "$log"
    echo "$me: WARNING: fetched $package $v instead of the pinned $version" >&2
    exit 0
  fi
  echo "$me: $package $v cannot be fetched either ($(failure))" >&2
done
echo "$me: no version of the $package source package could be fetched; see $log" >&2
exit 1
