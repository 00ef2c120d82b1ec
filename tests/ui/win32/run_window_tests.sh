#!/usr/bin/env bash
# Runs the window tests under Wine on a virtual screen of 1600 x 1000, in a
# prefix of their own whose system DPI is the one given (96 or 144).
#   run_window_tests.sh DPI WORK_FOLDER test_ui.exe [gtest arguments]
# At 96 DPI every test runs and the screenshots go to WORK_FOLDER/../screenshots;
# at 144 DPI the start-up and layout tests run again.
set -euo pipefail
dpi="$1" exe="$3"
mkdir -p "$2"
work="$(cd "$2" && pwd)"
shift 3


export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
(
  flock 9
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # GetDpiForSystem reads the desktop's LogPixels.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w || true
) 9>"$work/wineprefix.lock"

export TAMREL_EXPECTED_DPI="$dpi"
if [[ "$dpi" == 96 ]]; then
  filter='*'
  export TAMREL_SCREENSHOT_DIR="Z:$(cd "$work/.." && pwd)/screenshots"
else
  filter='WindowTest.Starts*:WindowTest.EveryControl*'
fi
# The test program fails when a pattern of the filter selects no test.
run='wine "$0" --gtest_filter="$1" "${@:2}"; code=$?
wineserver -w 2>/dev/null
exit $code'
xvfb-run -a -s '-screen 0 1600x1000x24' bash -c "$run" "$exe" "$filter" "$@"
