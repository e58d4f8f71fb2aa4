#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or
# when a C++ file of the plug-in includes windows.h outside a win32 folder
# (resource scripts are Windows-only and may).
#
#   tools/check-layers.sh [ROOT]     (default: the repository this script is in)
#
# The layers, bottom to top. A file may include headers of its own layer and
# of the layers before it. A layer is a folder; a file or header belongs to
# the longest one its path starts with, so tools/texfill/x.h is texfill's
# while tools/wintest/x.h belongs to the test tools. Folders named together
# on one entry are one layer.
LAYERS=(resources platform resample texture seamless fill chooser host tools/hostdriver tools/texfill "tools tests")
# Layers beside the order: FOLDER, the highest layer it may include, and the
# lowest layer that may include it. The GEGL operations use the fill and
# below and are used by nothing of the plug-in (chooser and host among it).
BESIDE=("gegl fill tools/hostdriver")
# The plug-in's own layers: no windows.h outside a win32 folder.
PORTABLE_BELOW=tools/hostdriver
set -uo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root" || exit 2

# rank: a layer's place as the one that includes; shown: its place as the
# one included. The same but for a layer beside the order.
declare -A rank shown
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do rank[$folder]=$i; shown[$folder]=$i; done
done
for entry in "${BESIDE[@]}"; do
  read -r folder uses used_by <<< "$entry"
  rank[$folder]=${rank[$uses]}
  shown[$folder]=${rank[$used_by]}
done

# layer_of PATH: the longest layer folder PATH starts with, or nothing.
layer_of() {
  local path="$1" best="" folder
  for folder in "${!rank[@]}"; do
    if [[ "$path" == "$folder"/* ]] && [ "${#folder}" -gt "${#best}" ]; then best="$folder"; fi
  done
  printf '%s' "$best"
}

violations=0
report() {
  echo "$1" >&2
  violations=$((violations + 1))
}

top_folders=()
for folder in "${!rank[@]}"; do top_folders+=("${folder%%/*}"); done
mapfile -t top_folders < <(printf '%s\n' "${top_folders[@]}" | sort -u)

while IFS= read -r -d '' file; do
  layer="$(layer_of "$file")"
  own=${rank[$layer]}
  while IFS=: read -r line text; do
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    target="$(layer_of "${BASH_REMATCH[1]}")"
    [ -n "$target" ] || continue
    if [ "$target" != "$layer" ] && [ "${shown[$target]}" -gt "$own" ]; then
      report "$file:$line: $layer includes ${text#*include} of the higher layer $target"
    fi
  done < <(grep -n '#[[:space:]]*include' "$file")
  if [ "$own" -lt "${rank[$PORTABLE_BELOW]}" ] && [[ "$file" != */win32/* ]] && [[ "$file" != *.rc ]] &&
     grep -qiE '#[[:space:]]*include[[:space:]]*<windows\.h>' "$file"; then
    report "$file: windows.h outside a win32 folder"
  fi
done < <(find "${top_folders[@]}" -type f \( -name '*.h' -o -name '*.c' -o -name '*.cpp' -o -name '*.rc' \) -print0 2>/dev/null)

if [ "$violations" -gt 0 ]; then
  echo "check-layers: $violations violation(s); order, bottom to top: ${LAYERS[*]}; beside them: ${BESIDE[*]}" >&2
  exit 1
fi
echo "check-layers: every include points to its own layer or one below (${LAYERS[*]}; beside them: ${BESIDE[*]})"
