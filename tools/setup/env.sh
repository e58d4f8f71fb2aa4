# shellcheck shell=bash
# Shared locations for the setup scripts and run.sh; source it, do not run it.
#
# The cross-built libraries and the Wine prefix live outside the clone so that a
# fresh clone (CI, a second checkout) reuses them. The toolchain files in
# cmake/toolchains/ make the same choice, so keep the two in step:
#   1. $ORIELVMX_CACHE if set;
#   2. /var/cache/orielvmx if it exists or /var/cache is writable (root);
#   3. ${XDG_CACHE_HOME:-$HOME/.cache}/orielvmx otherwise.

if [ -z "${ORIELVMX_CACHE:-}" ]; then
  if [ -d /var/cache/orielvmx ] && [ -w /var/cache/orielvmx ]; then
    ORIELVMX_CACHE=/var/cache/orielvmx
  elif [ ! -e /var/cache/orielvmx ] && [ -w /var/cache ]; then
    ORIELVMX_CACHE=/var/cache/orielvmx
  else
    ORIELVMX_CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/orielvmx"
  fi
fi
export ORIELVMX_CACHE

# Where the static libraries built for one mingw triplet live, each in a
# prefix of its own: zlib, libjpeg, libpng, libtiff, libkissfft.
orielvmx_windows_libs() {
  echo "$ORIELVMX_CACHE/windows-libs/$1"
}

# The libraries in the order they are built, each after those it is built
# against: the order of windows-libs.list.
orielvmx_windows_lib_names() {
  awk '!/^#/ && NF >= 5 {print $1}' "$(dirname "${BASH_SOURCE[0]}")/windows-libs.list"
}

# The pinned Debian package of one of those libraries, from windows-libs.list:
# "package version suite sha256 [source-package]"; fails for a library not
# listed there.
orielvmx_windows_lib_pin() {
  awk -v library="$1" '!/^#/ && $1 == library {print $2, $3, $4, $5, $6; found = 1} END {exit !found}' \
    "$(dirname "${BASH_SOURCE[0]}")/windows-libs.list"
}

# Wine prefix for one Windows architecture (win32 or win64).
orielvmx_wine_prefix() {
  echo "$ORIELVMX_CACHE/wine-$1"
}

# Environment for every Wine call: quiet, no Mono/Gecko install prompts, and
# no crash debugger: winedbg would wait on a crashed test host until the
# time limit instead of letting it exit.
orielvmx_wine_env() {
  export WINEARCH="$1"
  export WINEPREFIX
  WINEPREFIX="$(orielvmx_wine_prefix "$1")"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winedbg.exe=}"
}

# For scripts that run on their own or under run.sh: keeps a WINEPREFIX the
# caller chose, else takes the cached prefix of ARCH, making it if missing.
orielvmx_wine_ready() {
  if [ -z "${WINEPREFIX:-}" ]; then
    orielvmx_wine_env "$1"
    bash "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$1" > /dev/null || return 1
  fi
  export WINEDEBUG=-all
}
