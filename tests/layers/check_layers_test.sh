#!/usr/bin/env bash
# The layering check must be able to fail: a planted upward include at each
# boundary and a planted windows.h in portable code are caught, a downward
# include is not.
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

mkdir -p "$tree"/{platform,texture,seamless,fill,host,chooser/win32,gegl,tools/hostdriver,tools/texfill,tools/wintest,tests}
echo '#include "platform/platform.h"' > "$tree/texture/rows.cpp"
echo '#include "texture/rows.h"' > "$tree/seamless/periodic.cpp"
echo '#include "seamless/periodic.h"' > "$tree/fill/tile.cpp"
echo '#include "fill/tile.h"' > "$tree/host/entry.cpp"
echo '#include <windows.h>' > "$tree/chooser/win32/dialog.cpp"
echo '#include "host/entry.h"' > "$tree/tools/hostdriver/driver.cpp"
echo '#include <windows.h>' >> "$tree/tools/hostdriver/driver.cpp"
echo '#include "tools/hostdriver/driver.h"' > "$tree/tools/texfill/fill.cpp"
echo '#include "tools/texfill/fill.h"' > "$tree/tools/wintest/checks.cpp"
printf '#include "fill/tile.h"\n#include "seamless/periodic.h"\n#include "gegl/bridge.h"\n' > "$tree/gegl/op.c"
echo '#include "gegl/bridge.h"' >> "$tree/tests/checks_test.cpp"
echo '#include "tools/wintest/checks.h"' > "$tree/tests/checks_test.cpp"
expect pass "downward includes, windows.h in a win32 folder and in the host driver"

# One upward include at a time: FILE, then the line planted in it.
while IFS='|' read -r file include; do
  echo "$include" >> "$tree/$file"
  expect fail "$file including ${include#*include }"
  sed -i '$d' "$tree/$file"
done <<'ROWS'
texture/rows.cpp|#include "fill/tile.h"
seamless/periodic.cpp|#include "fill/tile.h"
fill/tile.cpp|#include "chooser/settings.h"
fill/tile.cpp|#include "host/entry.h"
host/entry.cpp|#include "tools/hostdriver/driver.h"
tools/hostdriver/driver.cpp|#include "tools/texfill/fill.h"
tools/hostdriver/driver.cpp|#include "tools/wintest/checks.h"
tools/texfill/fill.cpp|#include "tools/wintest/checks.h"
tools/texfill/fill.cpp|#include "tests/native/support/fixtures.h"
platform/files.cpp|  #  include "tools/driver.h"
gegl/op.c|#include "chooser/settings.h"
gegl/op.c|#include "host/entry.h"
chooser/settings.cpp|#include "gegl/bridge.h"
host/entry.cpp|#include "gegl/bridge.h"
fill/tile.cpp|#include "gegl/bridge.h"
ROWS
rm -f "$tree/platform/files.cpp"

echo '#include <windows.h>' > "$tree/chooser/settings.cpp"
expect fail "windows.h in portable chooser code"
rm "$tree/chooser/settings.cpp"
echo '#include <windows.h>' > "$tree/fill/mode.cpp"
expect fail "windows.h in the portable fill layer"
rm "$tree/fill/mode.cpp"

expect pass "planted faults removed"
[ "$failures" -eq 0 ]
