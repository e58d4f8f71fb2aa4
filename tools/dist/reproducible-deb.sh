#!/usr/bin/env bash
# Rewrites a Debian package so that one commit gives one package wherever and
# whenever it is built: every member's time is the last commit's
# (SOURCE_DATE_EPOCH overrides, as for the zip), owner and group are root,
# modes are the usual ones whatever the builder's umask, and dpkg-deb writes
# the members in sorted order with gzip, whose output does not depend on the
# number of cores as xz's can.
#   reproducible-deb.sh PACKAGE.deb SOURCE_ROOT
set -euo pipefail

deb="$1"
root="$2"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}"

tree="$(mktemp -d "${TMPDIR:-/tmp}/texfill-deb.XXXXXX")"
trap 'rm -rf "$tree"' EXIT
dpkg-deb --raw-extract "$deb" "$tree/package"
chmod -R u+rwX,go+rX,go-w "$tree/package"
find "$tree/package" -print0 | xargs -0 touch --no-dereference --date="@$epoch"
SOURCE_DATE_EPOCH="$epoch" dpkg-deb --root-owner-group -Zgzip -z9 --build "$tree/package" "$tree/rebuilt.deb" > /dev/null
mv "$tree/rebuilt.deb" "$deb"
