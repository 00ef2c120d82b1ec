#!/usr/bin/env bash
# The portable zip, unpacked under Wine into a folder whose path has spaces
# and accents (C:\Música del equipo\Tamrel Orvane): the program's --verify
# works there and writes the same package as the build folder's program.
# Needs a display (xvfb-run) and WINEPREFIX from tests/release/run.sh.
#   bash tests/release/zip_test.sh <work folder>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
WORK="$1"

target="$WINEPREFIX/drive_c/Música del equipo/Tamrel Orvane"
rm -rf "$WORK/unzip" "$target"
mkdir -p "$WORK/unzip" "$target"
unzip -q "$ZIP" -d "$WORK/unzip"
tops=("$WORK/unzip"/*)
[[ ${#tops[@]} == 1 && -d "${tops[0]}" ]] || fail "the zip does not hold exactly one folder"
cp -a "${tops[0]}"/. "$target/"
[[ -f "$target/TamrelOrvane.exe" ]] || fail "the zip's folder has no TamrelOrvane.exe"

reference="$(verify_with "$RELEASE_BUILD/windows/install/TamrelOrvane.exe" "$WORK/out-build")"
unpacked="$(verify_with "$target/TamrelOrvane.exe" "$WORK/out-zip")"
same_package "the program unpacked in 'C:\\Música del equipo\\Tamrel Orvane'" "$unpacked" "$reference"
