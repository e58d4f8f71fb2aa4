#!/usr/bin/env bash
# Runs the native test executable under valgrind's memcheck: any invalid
# access, use of an uninitialised value or leak fails the run.
#
#   tests/valgrind/run-valgrind.sh [TEST_EXECUTABLE] [GTEST_ARGUMENTS...]
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
tests="$(realpath "${1:-$root/build/native/orielvmx_tests}")"
shift || true
# A relative path names the executable from where the script was called.
case "$tests" in /*) ;; *) tests="$PWD/$tests" ;; esac
# The tests find their data through the build tree; run from there.
cd "$(dirname "$tests")" || exit 1
exec valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
  --show-leak-kinds=definite,indirect,possible --track-origins=no \
  --suppressions="$root/tests/valgrind/valgrind.supp" --quiet \
  "$tests" --gtest_brief=1 "$@"
