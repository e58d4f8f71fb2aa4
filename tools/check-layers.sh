#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or
# when a C++ file of the plug-in includes windows.h outside a win32 folder
# (resource scripts are Windows-only and may).
#
#   tools/check-layers.sh [ROOT]     (default: the repository this script is in)
#
# The layers, bottom to top. A file may include headers of its own layer and
# of the layers before it; the layer of a file or header is its first folder.
# Layers named together on one entry are one layer.
LAYERS=(resources platform resample texture seamless chooser host "tools tests")
set -uo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root" || exit 2

declare -A rank
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do rank[$folder]=$i; done
done

violations=0
report() {
  echo "$1" >&2
  violations=$((violations + 1))
}

while IFS= read -r -d '' file; do
  layer="${file%%/*}"
  own=${rank[$layer]}
  while IFS=: read -r line text; do
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^/\"]+)/[^\"]*\" ]] || continue
    target="${BASH_REMATCH[1]}"
    [ -n "${rank[$target]+set}" ] || continue
    if [ "${rank[$target]}" -gt "$own" ]; then
      report "$file:$line: $layer includes ${text#*include} of the higher layer $target"
    fi
  done < <(grep -n '#[[:space:]]*include' "$file")
  if [ "$own" -lt "${rank[tools]}" ] && [[ "$file" != */win32/* ]] && [[ "$file" != *.rc ]] && grep -qiE '#[[:space:]]*include[[:space:]]*<windows\.h>' "$file"; then
    report "$file: windows.h outside a win32 folder"
  fi
done < <(find "${!rank[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0 2>/dev/null)

if [ "$violations" -gt 0 ]; then
  echo "check-layers: $violations violation(s); order, bottom to top: ${LAYERS[*]}" >&2
  exit 1
fi
echo "check-layers: every include points to its own layer or one below (${LAYERS[*]})"
