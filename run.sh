#!/usr/bin/env bash
# One entry point for building and testing, from a fresh Debian 12 or 13 machine
# (run as root the first time: missing packages are installed with apt).
#
#   ./run.sh test    native build + tests (fuzz corpora and regression
#                    inputs replayed), the same under valgrind's memcheck,
#                    ASan/UBSan build + tests, 32- and 64-bit Windows cross
#                    builds, each with the Windows tests under Wine of its
#                    architecture, then the release zip unpacked and used
#                    under Wine and the .deb installed in a Debian chroot
#   ./run.sh dist    dist/orielvmx-VERSION-windows.zip and
#                    dist/texfill_VERSION_amd64.deb, built twice from clean
#                    clones in /tmp; fails when the two builds differ (the
#                    zip and the .deb byte for byte), or when the Windows
#                    libraries and the release built with the clock on two
#                    other days differ from them (tools/dist/check-any-day.sh)
#   ./run.sh demo    build everything, then run the demo
#   ./run.sh build   build the native and the Windows trees only
#   ./run.sh bench   Release benchmarks with their ratios (tests/bench/run_bench.sh),
#                    make-seamless against GEGL and G'MIC
#                    (tests/bench/seamless_compare.sh), the GEGL operations
#                    against GEGL's own (tests/bench/gegl_bench.sh), then the
#                    large-library dialogs under Wine (tests/bench/large_library.sh)
#   ./run.sh fuzz [SECONDS]  libFuzzer targets (clang, ASan/UBSan), each
#                    for SECONDS, default 60 (tools/fuzz/run-fuzz.sh)
#   ./run.sh valgrind  native build, then its tests under memcheck
#
# Caches outside the clone (see tools/setup/env.sh): the cross-built libraries
# and the Wine prefix, so a second run or a second clone skips both.
# Environment: ORIELVMX_CACHE (cache root), ORIELVMX_WINE_TIMEOUT (seconds
# for the Windows tests, default 1200).
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root" || exit 1
# shellcheck source=tools/setup/env.sh
. tools/setup/env.sh

command="${1:-}"
shift || true

triplet=i686-w64-mingw32
triplet64=x86_64-w64-mingw32
wine_arch=win32
wine_hook=tools/wintest/run-wine-tests.sh
demo_script=tools/demo.sh
log_dir="$root/build/logs"

run_started=$(date +%s)
results=()
failed=()

elapsed() {
  local s=$(($(date +%s) - $1))
  if [ "$s" -ge 60 ]; then printf '%dm%02ds' $((s / 60)) $((s % 60)); else printf '%ds' "$s"; fi
}

# stage NAME COMMAND...: runs one step, records its outcome and time; its
# output goes to the terminal and to build/logs/NAME.log.
stage() {
  local name="$1" started rc log
  shift
  started=$(date +%s)
  mkdir -p "$log_dir"
  log="$log_dir/$name.log"
  echo
  echo "==> $name"
  "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  local detail=""
  # ctest's own summary line ("100% tests passed, 0 tests failed out of 42").
  detail="$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)"
  if [ "$rc" -eq 0 ]; then
    results+=("$name: ok ($(elapsed "$started"))${detail:+, $detail}")
  else
    results+=("$name: FAILED, exit $rc ($(elapsed "$started"))${detail:+, $detail}; log: build/logs/$name.log")
    failed+=("$name")
  fi
  return "$rc"
}

summary() {
  echo
  echo "==> summary"
  local r
  for r in "${results[@]}"; do echo "  $r"; done
  if [ "${#failed[@]}" -eq 0 ]; then
    echo "run.sh $command: PASSED in $(elapsed "$run_started")"
    exit 0
  fi
  echo "run.sh $command: FAILED in $(elapsed "$run_started") (${failed[*]})"
  exit 1
}

# windows_libs TRIPLET: the static libraries the Windows builds link, cross-
# built once into the cache, each after those it is built against.
windows_libs() {
  local lib
  for lib in $(orielvmx_windows_lib_names); do
    stage "$lib-$1" bash tools/setup/build-windows-lib.sh "$lib" "$1" || summary
  done
}

# Setup steps: nothing later can work without them, so a failure ends the run.
setup() {
  stage deps bash tools/setup/install-deps.sh || summary
  windows_libs "$triplet"
  windows_libs "$triplet64"
  if [ "${1:-}" = wine ]; then
    stage wine-prefix bash tools/setup/wine-prefix.sh "$wine_arch" || summary
    # 64-bit Wine runs the 64-bit test hosts, in a win64 prefix of its own.
    stage wine64-prefix bash tools/setup/wine-prefix.sh win64 || summary
  fi
}

configure_and_build() {
  cmake --preset "$1" && cmake --build --preset "$1"
}

version="$(head -1 "$root/VERSION")"
release_zip="dist/orielvmx-$version-windows.zip"
release_deb="dist/texfill_${version}_amd64.deb"
release_gimp_deb="dist/gimp-zovezadu_${version}_amd64.deb"

# texfill's Release tree: the .deb, and the sample library the zip carries.
build_texfill_deb() {
  configure_and_build texfill-deb && (cd build/texfill-deb && cpack)
}

# run_under_wine ARCH SCRIPT ARGS...: runs a Windows-side script under a
# private X server, with the Wine environment of ARCH (win32 or win64) set and
# that build's locations exported. wineserver -w lets the prefix's processes
# end before the X server they draw on goes away.
run_under_wine() {
  local arch="$1"
  shift
  orielvmx_wine_env "$arch"
  export ORIELVMX_WIN_ARCH="$arch"
  export ORIELVMX_WIN_BUILD_DIR="$root/build/$arch"
  export ORIELVMX_PLUGIN="$root/dist/$arch/ORIELVMX.8BF"
  export ORIELVMX_WINE_TIMEOUT="${ORIELVMX_WINE_TIMEOUT:-1200}"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    timeout -k 30 "$ORIELVMX_WINE_TIMEOUT" bash "$@"
    rc=$?
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
      echo "timed out after $ORIELVMX_WINE_TIMEOUT s" >&2
      wineserver -k
    fi
    wineserver -w
    exit "$rc"' bash "$@"
}

cmd_test() {
  setup wine
  if stage native-build configure_and_build native; then
    stage native-tests ctest --preset native
    stage valgrind bash tests/valgrind/run-valgrind.sh build/native/orielvmx_tests
  fi
  if stage asan-build configure_and_build native-asan; then
    stage asan-tests ctest --preset native-asan
  fi
  if stage win32-build configure_and_build win32; then
    stage wine-tests run_under_wine win32 "$wine_hook"
  fi
  if stage win64-build configure_and_build win64; then
    stage wine64-tests run_under_wine win64 "$wine_hook"
  fi
  if stage texfill-deb-build build_texfill_deb &&
     stage release bash tools/dist/make-release.sh "$root" "$root/dist"; then
    stage release-win32 run_under_wine win32 tools/dist/check-release.sh "$release_zip"
    stage release-win64 run_under_wine win64 tools/dist/check-release.sh "$release_zip"
    stage deb-install bash tools/dist/check-deb.sh "$release_deb"
  fi
  summary
}

# One release build in a clean clone of the last commit at DIR.
release_in_clone() {
  bash tools/dist/build-release.sh "$root" "$1"
}

# The files a user gets must not depend on where or when they were built.
compare_releases() {
  local a="$1" b="$2" file different=0
  for file in build/win32/ORIELVMX.8BF build/win64/ORIELVMX.8BF build/win32/tools/texfill/texfill.exe \
              build/win64/tools/texfill/texfill.exe "$release_zip" "$release_deb" "$release_gimp_deb"; do
    if cmp -s "$a/$file" "$b/$file"; then
      echo "same: $file ($(sha256sum < "$a/$file" | cut -c1-16))"
    else
      echo "DIFFERENT: $file" >&2
      different=1
    fi
  done
  return "$different"
}

cmd_dist() {
  setup
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "run.sh dist: uncommitted changes are not in the release; it is built from the last commit" >&2
  fi
  local a="${TMPDIR:-/tmp}/orielvmx-dist-a" b="${TMPDIR:-/tmp}/orielvmx-dist-b"
  stage release-a release_in_clone "$a" || summary
  stage release-b release_in_clone "$b" || summary
  if stage reproducible compare_releases "$a" "$b"; then
    mkdir -p dist
    cp "$a/$release_zip" "$a/$release_deb" "$a/$release_gimp_deb" dist/
    echo "$release_zip"
    echo "$release_deb"
    echo "$release_gimp_deb"
    rm -rf "$a" "$b"
    # The same release again from Windows libraries built on two other days.
    stage any-day bash tools/dist/check-any-day.sh "$release_zip" "$release_deb"
  fi
  summary
}

cmd_build() {
  setup
  stage native-build configure_and_build native
  stage win32-build configure_and_build win32
  stage win64-build configure_and_build win64
  summary
}

cmd_demo() {
  setup wine
  stage native-build configure_and_build native
  if ! stage win32-build configure_and_build win32; then summary; fi
  orielvmx_wine_env "$wine_arch"
  export ORIELVMX_WIN_BUILD_DIR="$root/build/win32"
  export ORIELVMX_PLUGIN="$root/dist/win32/ORIELVMX.8BF"
  stage demo bash "$demo_script" "$@"
  summary
}

case "$command" in
  test) cmd_test ;;
  build) cmd_build ;;
  dist) cmd_dist ;;
  demo) cmd_demo "$@" ;;
  bench)
    stage deps bash tools/setup/install-deps.sh bench || summary
    stage bench bash tests/bench/run_bench.sh "$@"
    stage seamless bash tests/bench/seamless_compare.sh
    stage gegl bash tests/bench/gegl_bench.sh
    windows_libs "$triplet"
    stage wine-prefix bash tools/setup/wine-prefix.sh "$wine_arch" || summary
    stage large-library run_under_wine win32 tests/bench/large_library.sh
    summary
    ;;
  fuzz)
    stage deps bash tools/setup/install-deps.sh || summary
    stage fuzz bash tools/fuzz/run-fuzz.sh "$@"
    summary
    ;;
  valgrind)
    stage deps bash tools/setup/install-deps.sh || summary
    if stage native-build configure_and_build native; then
      stage valgrind bash tests/valgrind/run-valgrind.sh build/native/orielvmx_tests
    fi
    summary
    ;;
  *)
    sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//'
    [ -z "$command" ] || [ "$command" = help ] || [ "$command" = -h ] || [ "$command" = --help ] || exit 2
    ;;
esac
