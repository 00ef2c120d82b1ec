#!/usr/bin/env bash
# Builds both trees (scripts/build.sh) and runs every test: natively, then each
# Windows test executable under Wine in a private prefix and a virtual display.
#   bash scripts/test.sh                     all tests
#   bash scripts/test.sh -L render           only tests labelled render (both trees)
#   bash scripts/test.sh -DTAMREL_WERROR=ON  extra cmake arguments go to the build
# Labels: unit and wine (tree), plus the subsystem name.
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

status=0
echo "== native tests"
ctest --test-dir "$BUILD/linux" --output-on-failure -j2 "${ctest_args[@]}" || status=1

echo "== Windows tests under Wine"
# Windows with a user interface need a display; a virtual one serves all.
# Waiting for the prefix's Wine server to finish before the display goes away
# keeps Wine's desktop process from dying on a broken X connection.
wine_tests='ctest --test-dir "$0/windows" --output-on-failure -j2 "$@"; code=$?
WINEPREFIX="$0/windows/wineprefix" wineserver -w 2>/dev/null
exit $code'
if [[ -n "${DISPLAY:-}" ]]; then
  bash -c "$wine_tests" "$BUILD" "${ctest_args[@]}" || status=1
else
  xvfb-run -a -s '-screen 0 1280x800x24' bash -c "$wine_tests" "$BUILD" "${ctest_args[@]}" || status=1
fi
exit "$status"
