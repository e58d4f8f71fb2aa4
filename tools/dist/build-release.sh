#!/usr/bin/env bash
# Builds the release from a clean clone of ROOT's last commit: the 32- and
# 64-bit Windows trees, texfill's Release tree and its .deb, then the zip and
# the .deb in DIR/dist (tools/dist/make-release.sh). Uncommitted changes are
# not in it. The Windows libraries come from $ORIELVMX_CACHE.
#   build-release.sh ROOT DIR
set -euo pipefail

root="$(cd "$1" && pwd)"
dir="$2"

rm -rf "$dir"
git clone --quiet --no-hardlinks "$root" "$dir"
cd "$dir"
for preset in win32 win64 texfill-deb; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done
(cd build/texfill-deb && cpack)
bash tools/dist/make-release.sh "$dir" "$dir/dist"
