#!/usr/bin/env bash
# The GEGL operations through the gegl command line, against texfill: the
# texture fill cropped to a document is texfill's fill of a blank document,
# pixel for pixel once both are decoded to 8 bits, for each repeat, turned
# and scaled; gegl:load then zovezadu:make-seamless is texfill
# make-seamless; a texture that cannot be read renders transparent with one
# warning naming it; and, given FILL_STORE_TEST, the fills the module keeps
# between graphs in one process.
#
#   tests/gegl/gegl_cli_test.sh TEXFILL MODULE.so [FILL_STORE_TEST]
set -uo pipefail
texfill="$1"
module="$2"
store_test="${3:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# GEGL_PATH replaces GEGL's search path: its own folder is named after ours.
mkdir "$work/modules"
cp "$module" "$work/modules/"
own="$(pkg-config --variable=pluginsdir gegl-0.4 2>/dev/null || echo /usr/lib/*/gegl-0.4)"
export GEGL_PATH="$work/modules:$own"
export GEGL_SWAP="$work/swap"

# decoded FILE: the picture's samples at 8 bits, RGB, as raw bytes, whatever
# colour space its file names (gegl writes the one it read).
decoded() { convert "$1" -set colorspace sRGB -depth 8 "rgb:$1.rgb" && printf '%s' "$1.rgb"; }

same() {
  local name="$1" expected="$2" actual="$3"
  if [ -s "$expected" ] && [ -s "$actual" ] && cmp -s "$(decoded "$expected")" "$(decoded "$actual")"; then
    echo "ok: $name"
  else
    echo "FAILED: $name"
    failures=$((failures + 1))
  fi
}

"$texfill" gen-sample rust "$work/rust.png" || exit 1
"$texfill" gen-sample brick "$work/brick.png" || exit 1
# A texture whose period lies on GEGL's tile grid (128 x 64): copied a
# period at a time, its tiles shared.
"$texfill" gen-sample --size 256 brick "$work/grid-square.png" || exit 1
convert "$work/grid-square.png" -crop 256x128+0+0 +repage PNG24:"$work/grid.png" || exit 1
convert -size 301x203 xc:white PNG24:"$work/blank.png" || exit 1

# texfill's options | the operation's properties | the texture (rust.png)
while IFS='|' read -r options properties texture; do
  texture="$work/${texture:-rust.png}"
  # shellcheck disable=SC2086
  "$texfill" fill --texture "$texture" $options "$work/blank.png" "$work/texfill.png" > /dev/null
  # shellcheck disable=SC2086
  gegl -o "$work/gegl.png" -- zovezadu:texture-fill texture="$texture" $properties \
    gegl:crop width=301 height=203 > /dev/null 2>&1
  same "texture fill ${properties:-with its defaults} of ${texture##*/}" "$work/texfill.png" "$work/gegl.png"
done <<'ROWS'
|
--repeat mirror|repeat=mirror
--scale 150 --angle 30 --offset 13,-5|scale=150 angle=30 offset-x=13 offset-y=-5
--scale 45 --angle -100 --repeat mirror|scale=45 angle=-100 repeat=mirror
--repeat random --seed 7|repeat=random variation=7
--repeat random --scale 70 --angle 20|repeat=random scale=70 angle=20
--repeat shapes --seed 3 --offset 20,-9|repeat=shapes variation=3 offset-x=20 offset-y=-9
--make-seamless --scale 80|make-seamless=true scale=80
--offset 37,-20|offset-x=37 offset-y=-20|grid.png
--repeat mirror --offset -5,70|repeat=mirror offset-x=-5 offset-y=70|grid.png
ROWS

convert "$work/brick.png" -depth 16 PNG48:"$work/brick16.png" || exit 1
# texfill's options | the operation's properties | picture
while IFS='|' read -r options properties picture; do
  # shellcheck disable=SC2086
  "$texfill" make-seamless $options "$work/$picture" "$work/texfill.png"
  # shellcheck disable=SC2086
  gegl -o "$work/gegl.png" -- gegl:load path="$work/$picture" zovezadu:make-seamless $properties > /dev/null 2>&1
  same "make-seamless ${properties:-with its defaults} of $picture" "$work/texfill.png" "$work/gegl.png"
done <<'ROWS'
||brick.png
--method cut --flatten|method=cut flatten=true|brick.png
--method smooth|method=smooth|brick16.png
ROWS

# The properties at their limits and beyond, through GEGL's own setters:
# every one renders (GEGL keeps a value out of range from the property).
# Choices outside their lists are left out: GEGL 0.4.62's command line hangs
# on them, for its own operations too.
while read -r properties; do
  # shellcheck disable=SC2086
  if gegl -o "$work/limits.png" -- zovezadu:texture-fill texture="$work/rust.png" $properties \
       gegl:crop x=-70000 y=2147000000 width=40 height=30 > /dev/null 2>&1 && [ -s "$work/limits.png" ]; then
    echo "ok: texture fill $properties"
  else
    echo "FAILED: texture fill $properties"
    failures=$((failures + 1))
  fi
  rm -f "$work/limits.png"
done <<'ROWS'
scale=1 angle=-360 offset-x=-300000 offset-y=300000 variation=99999 size=64x64
scale=1000 angle=360 repeat=random size=512x512 make-seamless=true
scale=0 angle=1e12 offset-x=-2147483648 variation=-1
scale=2147483647 angle=nan offset-y=2147483647
ROWS

head -c 2000 "$work/brick.png" > "$work/cut-short.png"
for texture in "$work/missing.png" "$work/cut-short.png"; do
  gegl -o "$work/bad.png" -- zovezadu:texture-fill texture="$texture" gegl:crop width=32 height=16 \
    > "$work/log" 2>&1
  warnings="$(grep -c "zovezadu:texture-fill: $texture" "$work/log")"
  if [ "$warnings" = 1 ] && [ "$(convert "$work/bad.png" -format '%[fx:maxima.a]' info:)" = 0 ]; then
    echo "ok: $(basename "$texture") renders transparent with one warning"
  else
    echo "FAILED: $(basename "$texture"): $warnings warnings naming it, or not transparent"
    failures=$((failures + 1))
  fi
done

# Two textures of one size in pixels and bytes, so that a rewrite in place
# changes only the file's time.
if [ -n "$store_test" ]; then
  convert "$work/rust.png" -type TrueColor BMP3:"$work/first.bmp" &&
    convert "$work/brick.png" -crop 200x200+37+11 +repage -type TrueColor BMP3:"$work/second.bmp" || exit 1
  "$store_test" "$work/first.bmp" "$work/second.bmp" "$work/texture.bmp" || failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
