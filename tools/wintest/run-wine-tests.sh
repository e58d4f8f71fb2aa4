#!/usr/bin/env bash
# Windows tests under Wine:
#   1. the fill cross-check: every case of the fill case list runs through the
#      native build and through the real DLL; the two lines of each case must
#      be identical (document hash, result, band count, progress calls,
#      message boxes) and free of problems;
#   2. orielvmx_wintest: resources, exports, the chooser's dialogs (driven
#      through a texture directory from make_chooser_fixtures; screenshots of
#      the three dialogs land in build/screenshots), the selector protocol,
#      and the plug-in inside the independent pspiHost library when a
#      snapshot of it is at hand; then the chooser again on displays set to
#      96, 144 and 192 DPI (screenshots open-texture-<dpi>dpi and
#      about-<dpi>dpi).
# Prints one line per check and closes with "N passed, N failed"; exits
# non-zero on any failure.
#
#   tools/wintest/run-wine-tests.sh [--smoke]
#
# --smoke runs the short case list only. Tests the build of ORIELVMX_WIN_ARCH
# (win32 or win64; default WINEARCH, else win32): uses build/native and
# build/<arch> (ORIELVMX_NATIVE_BUILD_DIR, ORIELVMX_WIN_BUILD_DIR,
# ORIELVMX_PLUGIN override them) and builds the targets it needs. 64-bit
# plug-ins need a win64 prefix. Without a display it starts its own X server.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"

smoke=0
for argument in "$@"; do
  case "$argument" in
    --smoke) smoke=1 ;;
    *) echo "usage: run-wine-tests.sh [--smoke]" >&2; exit 2 ;;
  esac
done

# shellcheck source=tools/wintest/wine_script.sh
. "$here/wine_script.sh"
need_display "$@"
# shellcheck source=tools/setup/env.sh
. "$root/tools/setup/env.sh"
# The checks of names in Cyrillic, Chinese and with an emoji need an ANSI code
# page that holds none of them. Wine takes it from the locale: C.UTF-8 (built
# into the C library, so present on every fresh machine) gives 1252, Western
# European, and keeps the Unix file names UTF-8. The chooser checks confirm it.
export LC_ALL=C.UTF-8
win_arch="${ORIELVMX_WIN_ARCH:-${WINEARCH:-win32}}"
orielvmx_wine_ready "$win_arch" || exit 1

native_dir="${ORIELVMX_NATIVE_BUILD_DIR:-$root/build/native}"
win_dir="${ORIELVMX_WIN_BUILD_DIR:-$root/build/$win_arch}"
plugin="${ORIELVMX_PLUGIN:-$root/dist/$win_arch/ORIELVMX.8BF}"

# Builds the targets the tests run; the build's own output only on failure.
build() {
  local preset="$1" dir="$2" log
  shift 2
  log="$(mktemp)"
  if { [ -f "$dir/CMakeCache.txt" ] || (cd "$root" && cmake --preset "$preset"); } > "$log" 2>&1 &&
     cmake --build "$dir" -j2 --target "$@" >> "$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  tail -40 "$log" >&2
  rm -f "$log"
  return 1
}

if ! build native "$native_dir" fill_cases make_fill_fixtures make_chooser_fixtures profile_probe texfill; then
  fail "native build" "cmake --build $native_dir failed"
  finish
fi
if ! build "$win_arch" "$win_dir" orielvmx_plugin fill_cases orielvmx_wintest profile_probe texfill; then
  fail "$win_arch build" "cmake --build $win_dir failed"
  finish
fi

fixtures="$native_dir/wine-fixtures-$win_arch"
rm -rf "$fixtures"
mkdir -p "$fixtures"
if ! "$native_dir/tools/make_fill_fixtures" "$fixtures"; then
  fail "fill fixtures" "make_fill_fixtures failed"
  finish
fi
cases="$fixtures/cases.txt"
[ "$smoke" -eq 1 ] && cases="$fixtures/smoke.txt"

"$native_dir/tools/fill_cases" "$cases" > "$fixtures/native.out" 2> "$fixtures/native.err"
native_rc=$?
under_wine "$win_dir/tools/fill_cases.exe" --plugin "$(windows_path "$plugin")" \
  "$(windows_path "$cases")" 2> "$fixtures/windows.err" | tr -d '\r' > "$fixtures/windows.out"
windows_rc=${PIPESTATUS[0]}
# Exit 1 means some case has a problem, reported per case below; anything
# else means the runner itself could not run.
if [ "$native_rc" -gt 1 ]; then fail "native fill runner" "exit $native_rc: $(head -c 500 "$fixtures/native.err")"; fi
if [ "$windows_rc" -gt 1 ]; then fail "windows fill runner" "exit $windows_rc: $(head -c 500 "$fixtures/windows.err")"; fi

declare -A windows_lines=()
while read -r name rest; do
  [ -n "$name" ] && windows_lines["$name"]="$name $rest"
done < "$fixtures/windows.out"
while read -r name rest; do
  [ -n "$name" ] || continue
  native_line="$name $rest"
  windows_line="${windows_lines[$name]:-(no line)}"
  if [ "$native_line" != "$windows_line" ]; then
    fail "fill $name" "native: $native_line | windows: $windows_line"
  elif [[ "$native_line" == *problem=* ]]; then
    fail "fill $name" "$native_line"
  else
    pass "fill $name"
  fi
done < "$fixtures/native.out"
if [ "$native_rc" -le 1 ] && [ ! -s "$fixtures/native.out" ]; then fail "fill cases" "the native runner printed nothing"; fi

# The chooser checks browse their own texture directory and photograph the
# dialogs. Wine draws the window frames itself, so that the pictures show
# the captions even without a window manager.
chooser_fixtures="$fixtures/chooser"
screenshots="$root/build/screenshots"
[ "$win_arch" = win32 ] || screenshots="$screenshots/$win_arch"
mkdir -p "$screenshots"
rm -f "$screenshots"/*.png "$screenshots"/*.bmp
if ! "$native_dir/tools/make_chooser_fixtures" "$chooser_fixtures"; then
  fail "chooser fixtures" "make_chooser_fixtures failed"
fi
under_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1
ORIELVMX_CHOOSER_FIXTURES="$(windows_path "$chooser_fixtures")"
ORIELVMX_SCREENSHOTS="$(windows_path "$screenshots")"
export ORIELVMX_CHOOSER_FIXTURES ORIELVMX_SCREENSHOTS

# The independent host's prebuilt library, copied from a local snapshot of
# its public repository when there is one (ORIELVMX_PSPIHOST_MIRROR, a bare
# git directory); it never enters this repository. Without it the check
# reports itself skipped.
pspi_mirror="${ORIELVMX_PSPIHOST_MIRROR:-/work/.mirror/spetric+Photoshop-Plugin-Host/repo}"
pspi_library="Additional/Win32Dll/pspiHost.dll"
[ "$win_arch" = win64 ] && pspi_library="Additional/Win64Dll/pspiHost.dll"
unset ORIELVMX_PSPIHOST_DIR
if git --git-dir="$pspi_mirror" cat-file -e "HEAD:$pspi_library" 2> /dev/null; then
  mkdir -p "$fixtures/pspihost"
  if git --git-dir="$pspi_mirror" show "HEAD:$pspi_library" > "$fixtures/pspihost/pspiHost.dll"; then
    ORIELVMX_PSPIHOST_DIR="$(windows_path "$fixtures/pspihost")"
    export ORIELVMX_PSPIHOST_DIR
  fi
fi

# The cached prefix may keep long names from an earlier run.
forget_kept_names

wintest_out="$fixtures/wintest.out"
under_wine "$win_dir/tools/orielvmx_wintest.exe" "$(windows_path "$plugin")" 2>&1 | tr -d '\r' > "$wintest_out"
wintest_rc=${PIPESTATUS[0]}
kept="$(kept_names | head -n 1)"
if [ -n "$kept" ] && [[ "$kept" == */Local/* ]] && grep -aq 'Brindle Coat' "$kept"; then
  pass "the chooser keeps its long names in the user's local application data"
else
  fail "kept long names" "no OrielVMX.names with the library's long names under Local (found: ${kept:-none})"
fi
# Adds the "ok"/"FAIL" lines and the closing count of a checker's output.
collect() {
  local name="$1" out="$2" rc="$3" summary checker_passed checker_failed
  grep -E '^(ok|FAIL|skip) ' "$out"
  summary="$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out" | tail -1)"
  if [ -z "$summary" ]; then
    fail "$name" "ended without its summary (exit $rc): $(tail -c 500 "$out")"
    return
  fi
  read -r checker_passed _ checker_failed _ <<< "$summary"
  passed=$((passed + checker_passed))
  failed=$((failed + checker_failed))
  if [ "$rc" -ne 0 ] && [ "$checker_failed" -eq 0 ]; then
    fail "$name" "exit $rc"
  fi
}
collect orielvmx_wintest "$wintest_out" "$wintest_rc"

# The chooser on displays scaled to 96, 144 and 192 DPI. Wine takes the DPI
# from LogPixels when a process starts, so each runs in a process of its
# own; the prefix's own setting is put back afterwards.
dpi_key='HKCU\Control Panel\Desktop'
saved_dpi="$(under_wine reg query "$dpi_key" /v LogPixels 2> /dev/null | tr -d '\r' |
  awk '$1 == "LogPixels" { print $3 }')"
for dpi in 96 144 192; do
  under_wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null 2>&1
  dpi_out="$fixtures/wintest-${dpi}dpi.out"
  under_wine "$win_dir/tools/orielvmx_wintest.exe" --dpi "$dpi" "$(windows_path "$plugin")" 2>&1 |
    tr -d '\r' > "$dpi_out"
  dpi_rc=${PIPESTATUS[0]}
  collect "orielvmx_wintest --dpi $dpi" "$dpi_out" "$dpi_rc"
done
if [ -n "$saved_dpi" ]; then
  under_wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d "$((saved_dpi))" /f > /dev/null 2>&1
else
  under_wine reg delete "$dpi_key" /v LogPixels /f > /dev/null 2>&1
fi
for picture in "$screenshots"/*.bmp; do
  [ -f "$picture" ] && convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done

# The POSIX settings-file functions against Wine's on the same files.
profile_out="$fixtures/profile.out"
bash "$here/profile-compare.sh" "$native_dir/tools/profile_probe" "$win_dir/tools/profile_probe.exe" \
  "$fixtures/profile" > "$profile_out" 2>&1
collect profile-compare "$profile_out" $?

# texfill.exe hosting the real DLL writes the same documents, byte for byte,
# as the native texfill on the engine linked in.
texfill_dir="$fixtures/texfill"
mkdir -p "$texfill_dir"
native_texfill="$native_dir/tools/texfill/texfill"
windows_texfill="$win_dir/tools/texfill/texfill.exe"
if (cd "$texfill_dir" &&
    "$native_texfill" gen-sample --size 320x200 document document.tif &&
    "$native_texfill" gen-sample --size 320x200 document document.png &&
    convert document.png -depth 16 PNG48:document.16.png &&
    "$native_texfill" gen-sample marble marble.png &&
    "$native_texfill" pack --name "Marble" marble.png marble.tif &&
    "$native_texfill" gen-sample --size 128 clouds clouds.png &&
    "$native_texfill" pack --low --name "Clouds" clouds.png clouds.tif &&
    cp marble.tif "Текстуры紋理🧱.tif") > "$texfill_dir/setup.log" 2>&1; then
  # Each case names the document's format: its input is document.EXT and
  # both texfills write EXT.
  while read -r name ext options; do
    # shellcheck disable=SC2086
    if ! (cd "$texfill_dir" && "$native_texfill" fill $options "document.$ext" "native-$name.$ext") \
        > "$texfill_dir/native-$name.log" 2>&1; then
      fail "texfill $name" "the native texfill failed (see $texfill_dir/native-$name.log)"
      continue
    fi
    # shellcheck disable=SC2086
    (cd "$texfill_dir" && under_wine "$windows_texfill" fill --plugin "$(windows_path "$plugin")" $options \
        "document.$ext" "windows-$name.$ext") > "$texfill_dir/windows-$name.log" 2>&1
    if cmp -s "$texfill_dir/native-$name.$ext" "$texfill_dir/windows-$name.$ext"; then
      pass "texfill.exe $name"
    else
      fail "texfill.exe $name" "differs from the native texfill (see $texfill_dir/windows-$name.log)"
      sed 's/^/    /' "$texfill_dir/windows-$name.log" | tail -n 5
    fi
  done <<'CASES'
marble-actual tif --texture marble.tif --rect 10,10,190,300
marble-128-selection tif --texture marble.tif --size 128X128 --origin selection --rect 5,7,200,320
marble-256-gray tif --texture marble.tif --size 256X256 --gray
clouds-512 tif --texture clouds.tif --size 512X512 --rect 20,30,180,290
png-document-png-texture png --texture marble.png --rect 12,4,150,310
png-document-gray png --texture clouds.tif --size 256X256 --gray
png-document-16-bit 16.png --texture marble.tif --size 128X128 --rect 0,0,100,100
texture-named-outside-the-code-page tif --texture Текстуры紋理🧱.tif --size 256X256
CASES
else
  fail "texfill fixtures" "see $texfill_dir/setup.log"
fi

finish
