#!/usr/bin/env bash
# Runs the whole pipeline once on the demo song with both builds: the Linux
# program natively and the Windows program under Wine, each with
#   --verify <song> <output folder>
# and shows where each export package went. Exit code 1 if either run fails.
#   bash scripts/verify-demo.sh [song]     (default: the generated demo.mp3)
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TAMREL_BUILD_ROOT:-$ROOT/build}"
SONG="$(realpath "${1:-$BUILD/linux/generated/fixtures/demo.mp3}")"
OUT="$BUILD/verify"

# /a/b -> Z:\a\b, and back: Wine shows the build machine's root as drive Z:.
to_wine() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }
from_wine() { local p="${1#[Zz]:}"; printf '%s' "${p//\\//}"; }

# report NAME EXIT-CODE OUTPUT-FOLDER PATH-CONVERTER
report() {
  local name="$1" code="$2" folder="$3" convert="$4"
  if [[ "$code" != 0 || ! -f "$folder/verification.txt" ]]; then
    echo "$name: FAILED (exit code $code, no verification.txt in $folder)"
    return 1
  fi
  local written package
  written="$(cat "$folder/verification.txt")"
  package="$($convert "$written")"
  echo "$name: package at $written"
  if [[ ! -d "$package" ]]; then
    echo "$name: FAILED (the package folder does not exist)"
    return 1
  fi
  ls -l "$package" | sed 's/^/    /'
}
same() { printf '%s' "$1"; }

[[ -f "$SONG" ]] || { echo "verify-demo: no song at $SONG (run scripts/build.sh first)" >&2; exit 1; }
rm -rf "$OUT"
mkdir -p "$OUT/linux" "$OUT/windows"
echo "Song: $SONG"
status=0

"$BUILD/linux/install/tamrel-orvane" --verify "$SONG" "$OUT/linux"
report "Linux" "$?" "$OUT/linux" same || status=1

# The Wine server is waited for before the virtual display goes away.
wine_verify='TAMREL_WINEPREFIX="$0/windows/wineprefix" bash "$1" "$0/windows/install/TamrelOrvane.exe" --verify "$2" "$3"
code=$?
WINEPREFIX="$0/windows/wineprefix" wineserver -w 2>/dev/null
exit $code'
wine_run=(bash -c "$wine_verify" "$BUILD" "$ROOT/scripts/wine-run.sh" "$(to_wine "$SONG")" "$(to_wine "$OUT/windows")")
if [[ -n "${DISPLAY:-}" ]]; then
  "${wine_run[@]}"
else
  xvfb-run -a "${wine_run[@]}"
fi
report "Windows" "$?" "$OUT/windows" from_wine || status=1

exit "$status"
