#!/usr/bin/env bash
# Creates the Wine prefix the Windows tests run in, once, outside the clone.
#
#   tools/setup/wine-prefix.sh [win32 | win64]
#
# win32 is a pure 32-bit prefix for the i686 plug-in. Prints the prefix path
# on its last line. Source tools/setup/env.sh and call orielvmx_wine_env with
# the same architecture to run programs in it.
set -euo pipefail

arch="${1:-win32}"
case "$arch" in
  win32 | win64) ;;
  *) echo "wine-prefix: unknown architecture '$arch'" >&2; exit 2 ;;
esac

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/setup/env.sh
. "$here/env.sh"
orielvmx_wine_env "$arch"

stamp="$WINEPREFIX/.orielvmx-ready"
if [ -f "$stamp" ]; then
  echo "$WINEPREFIX"
  exit 0
fi

mkdir -p "$ORIELVMX_CACHE"
exec 9>"$ORIELVMX_CACHE/wine-$arch.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$WINEPREFIX"
  exit 0
fi

started=$(date +%s)
# A prefix without the stamp is a wineboot that was interrupted.
rm -rf "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX" >&2
# wineboot opens windows (and would ask to install Mono and Gecko, which the
# DLL overrides switch off), so it gets a throw-away X server; wineserver -w
# waits until the prefix is fully written before the server goes away.
xvfb-run -a sh -c 'wineboot -i && wineserver -w' >&2
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine-prefix: wineboot did not create $WINEPREFIX" >&2; exit 1; }
date -u +%Y-%m-%dT%H:%M:%SZ > "$stamp"
echo "wine-prefix: ready in $(($(date +%s) - started)) s" >&2
echo "$WINEPREFIX"
