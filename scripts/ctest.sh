#!/usr/bin/env bash
# Runs ctest on one build tree for scripts/test.sh and .ci/run. On top of
# ctest's own verdict it fails when the selection holds no test, and, with CI
# set (to anything but "", "0" or "false"), when any test was skipped: a test
# that always skips in CI checks nothing. Test programs report a skip through
# ctest (GoogleTest's "SKIPPED" line, or exit code 77 from a whole program).
#   ctest.sh BUILD_TREE [ctest arguments]
set -uo pipefail
tree="$1"
shift
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
ctest --test-dir "$tree" --output-on-failure --no-tests=error "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
ci="${CI:-}"
if [[ -n "$ci" && "$ci" != 0 && "$ci" != false ]] && grep -q '(Skipped)$' "$log"; then
  echo "ctest.sh: under CI a skipped test counts as a failure:" >&2
  grep '(Skipped)$' "$log" >&2
  status=1
fi
exit "$status"
