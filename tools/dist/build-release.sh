#!/usr/bin/env bash
# Builds the release from a clean clone of ROOT's last commit: the plug-in
# and texfill.exe of the 32- and 64-bit Windows trees (what the zip carries,
# not the test hosts: ./run.sh test builds and runs those), texfill's Release
# tree and its .deb, then the zip and the .deb in DIR/dist
# (tools/dist/make-release.sh). Uncommitted changes are not in it. The
# Windows libraries come from $ORIELVMX_CACHE.
#   build-release.sh ROOT DIR
set -euo pipefail

root="$(cd "$1" && pwd)"
dir="$2"

rm -rf "$dir"
git clone --quiet --no-hardlinks "$root" "$dir"
cd "$dir"
for preset in win32 win64; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" --target orielvmx_plugin texfill
done
cmake --preset texfill-deb
cmake --build --preset texfill-deb
(cd build/texfill-deb && cpack)
bash tools/dist/make-release.sh "$dir" "$dir/dist"
