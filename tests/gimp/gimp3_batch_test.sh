#!/usr/bin/env bash
# The GEGL operations in GIMP 3 itself, where GIMP 3 is installed: its
# console in batch mode with the Python interpreter, no display, the module
# in the user's plug-ins folder. Make Seamless on a loaded picture and
# Texture Fill on a new layer, exported, equal texfill's results once both
# are decoded to 8 bits.
#
#   tests/gimp/gimp3_batch_test.sh TEXFILL MODULE.so
set -uo pipefail
texfill="$1"
module="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
mkdir -p "$HOME/.local/share/gegl-0.4/plug-ins"
cp "$module" "$HOME/.local/share/gegl-0.4/plug-ins/"

"$texfill" gen-sample rust "$work/rust.png" && "$texfill" gen-sample brick "$work/brick.png" || exit 1
convert -size 301x203 xc:white PNG24:"$work/blank.png" || exit 1
"$texfill" make-seamless --method cut --flatten "$work/brick.png" "$work/texfill-seamless.png" || exit 1
"$texfill" fill --texture "$work/rust.png" --scale 150 --angle 30 --repeat mirror "$work/blank.png" \
  "$work/texfill-fill.png" > /dev/null || exit 1

timeout 600 gimp-console-3.0 -i --quit --batch-interpreter=python-fu-eval \
  -b "WORK = '$work'; exec(open('$here/gimp3_batch.py').read())" > "$work/gimp.log" 2>&1

decoded() { convert "$1" -set colorspace sRGB -depth 8 rgb:- | sha256sum; }
failures=0
for result in seamless fill; do
  if [ -s "$work/gimp-$result.png" ] && [ "$(decoded "$work/gimp-$result.png")" = "$(decoded "$work/texfill-$result.png")" ]; then
    echo "ok: GIMP 3's $result equals texfill's"
  else
    echo "FAILED: GIMP 3's $result"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || cat "$work/gimp.log"
[ "$failures" -eq 0 ]
