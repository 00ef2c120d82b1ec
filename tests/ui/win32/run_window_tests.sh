#!/usr/bin/env bash
# Runs the window tests under Wine on a virtual screen (1600 x 1000 unless
# told), in a prefix of their own whose system DPI is the one given (96 or 144).
#   run_window_tests.sh DPI WORK_FOLDER test_ui.exe [options] [gtest arguments]
# Options:
#   --screen WxH     the virtual screen's size
#   --taskbar N      the work area loses N pixels at the bottom, as to a taskbar
#   --filter PATTERN the tests to run (gtest filter)
# Without a filter, at 96 DPI every test runs, at 144 DPI the start-up, layout
# and fit tests run again. Screenshots go to WORK_FOLDER/../screenshots. A
# filter that selects no test fails the run.
set -euo pipefail
dpi="$1" exe="$3"
mkdir -p "$2"
work="$(cd "$2" && pwd)"
shift 3

screen=1600x1000
filter=''
while (($#)); do
  case "$1" in
    --screen) screen="$2"; shift 2 ;;
    --taskbar) export TAMREL_TASKBAR_PIXELS="$2"; shift 2 ;;
    --filter) filter="$2"; shift 2 ;;
    *) break ;;
  esac
done

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
export TAMREL_SCREENSHOT_DIR="Z:$(cd "$work/.." && pwd)/screenshots"
if [[ -z "$filter" ]]; then
  if [[ "$dpi" == 96 ]]; then
    filter='*'
  else
    filter='WindowTest.Starts*:WindowTest.EveryControl*:WindowTest.Fits*'
  fi
fi
# The test program fails when a pattern of the filter selects no test; the
# check of its output below also catches a program that ran none.
log="$work/last-run.log"
run='wine "$0" --gtest_filter="$1" "${@:2}"; code=$?
wineserver -w 2>/dev/null
exit $code'
code=0
xvfb-run -a -s "-screen 0 ${screen}x24" bash -c "$run" "$exe" "$filter" "$@" 2>&1 | tee "$log" || code=$?
if ! grep -Eq '^\[==========\] Running [1-9][0-9]* tests?' "$log"; then
  echo "run_window_tests.sh: the filter '$filter' selected no test" >&2
  exit 1
fi
exit "$code"
