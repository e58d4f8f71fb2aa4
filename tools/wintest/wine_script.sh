# shellcheck shell=bash
# Helpers for the scripts that drive Windows programs under Wine (the Wine
# suite, the release check, the large-library benchmark); source it, do not
# run it.

# Re-runs the calling script under a private X server when there is no
# display: dialogs need one. Call it first, with the script's arguments.
need_display() {
  [ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "${BASH_SOURCE[-1]}" "$@"
}

# Wine maps drive Z: to the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The files where the plug-in keeps its long names between processes, in
# the prefix's users' local application data (the Wine version decides the
# folder's name).
kept_names() { find "${WINEPREFIX:-$HOME/.wine}/drive_c/users" -path '*/Oriel/OrielVMX.names' 2> /dev/null; }
forget_kept_names() { kept_names | while read -r kept; do rm -f "$kept"; done; }

# Keeps a stuck dialog or plug-in from holding the run forever.
under_wine() { timeout -k 10 600 wine "$@"; }

# One "ok" or "FAIL" line per check; finish closes with the tally and exits
# non-zero when anything failed.
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1: $2"; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
