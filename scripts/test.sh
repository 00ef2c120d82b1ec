#!/usr/bin/env bash
# Builds both trees (scripts/build.sh) and runs every test: natively, then each
# Windows test executable under Wine in a private prefix and a virtual display.
#   bash scripts/test.sh                     all tests
#   bash scripts/test.sh -L render           only tests labelled render (both trees)
#   bash scripts/test.sh -DTAMREL_WERROR=ON  extra cmake arguments go to the build
# Labels: unit and wine (tree), plus the subsystem name. A filter that selects
# no test in either tree fails; with CI set, so does any skipped test.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TAMREL_BUILD_ROOT:-$ROOT/build}"

ctest_args=()
cmake_args=()
while (($#)); do
  case "$1" in
    -L | -R | -E | -LE) ctest_args+=("$1" "$2"); shift 2 ;;
    *) cmake_args+=("$1"); shift ;;
  esac
done

bash "$ROOT/scripts/build.sh" "${cmake_args[@]}"

# A filter (-L, -R, ...) may select tests of one tree only (-L unit, -L wine),
# but it must select some: one that selects nothing in either tree fails.
selected() { # tree -> number of tests the filter selects there
  ctest --test-dir "$1" -N "${ctest_args[@]}" | sed -n 's/^Total Tests: //p'
}
native_count="$(selected "$BUILD/linux")"
wine_count="$(selected "$BUILD/windows")"
if [[ "${native_count:-0}" == 0 && "${wine_count:-0}" == 0 ]]; then
  echo "test.sh: no test matches ${ctest_args[*]}" >&2
  exit 1
fi

status=0
echo "== native tests"
if [[ "${native_count:-0}" == 0 ]]; then
  echo "(none selected)"
else
  bash "$ROOT/scripts/ctest.sh" "$BUILD/linux" -j2 "${ctest_args[@]}" || status=1
fi

echo "== Windows tests under Wine"
if [[ "${wine_count:-0}" == 0 ]]; then
  echo "(none selected)"
  exit "$status"
fi
# Windows with a user interface need a display; a virtual one serves all.
# Waiting for the prefix's Wine server to finish before the display goes away
# keeps Wine's desktop process from dying on a broken X connection.
wine_tests='bash "$1/scripts/ctest.sh" "$0/windows" -j2 "${@:2}"; code=$?
WINEPREFIX="$0/windows/wineprefix" wineserver -w 2>/dev/null
exit $code'
if [[ -n "${DISPLAY:-}" ]]; then
  bash -c "$wine_tests" "$BUILD" "$ROOT" "${ctest_args[@]}" || status=1
else
  xvfb-run -a -s '-screen 0 1280x800x24' bash -c "$wine_tests" "$BUILD" "$ROOT" "${ctest_args[@]}" || status=1
fi
exit "$status"
