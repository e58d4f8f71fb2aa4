#!/usr/bin/env bash
# The layering check must be able to fail: a planted upward include and a
# planted windows.h in portable code are caught, a downward include is not.
set -uo pipefail
check="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools/check-layers.sh"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0

# expect OUTCOME NAME: runs the check over $tree and compares pass/fail.
expect() {
  local outcome
  if bash "$check" "$tree" > "$tree.out" 2>&1; then outcome=pass; else outcome=fail; fi
  if [ "$outcome" = "$1" ]; then
    echo "ok: $2"
  else
    echo "FAILED: $2 (expected $1, got $outcome)"; cat "$tree.out"
    failures=$((failures + 1))
  fi
  rm -f "$tree.out"
}

mkdir -p "$tree"/{platform,texture,host,chooser/win32,tools}
echo '#include "platform/platform.h"' > "$tree/texture/rows.cpp"
echo '#include "texture/rows.h"' > "$tree/host/fill.cpp"
echo '#include <windows.h>' > "$tree/chooser/win32/dialog.cpp"
echo '#include "host/fill.h"' > "$tree/tools/driver.cpp"
expect pass "downward includes, windows.h in a win32 folder"

echo '#include "fill/tile_fill.h"' >> "$tree/texture/rows.cpp"
expect fail "texture including a host header"
sed -i '$d' "$tree/texture/rows.cpp"

echo '  #  include "tools/driver.h"' > "$tree/platform/files.cpp"
expect fail "platform including a tool header, spaced directive"
rm "$tree/platform/files.cpp"

echo '#include <windows.h>' > "$tree/chooser/settings.cpp"
expect fail "windows.h in portable chooser code"
rm "$tree/chooser/settings.cpp"

expect pass "planted faults removed"
[ "$failures" -eq 0 ]
