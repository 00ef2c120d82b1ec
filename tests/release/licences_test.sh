#!/usr/bin/env bash
# Every release must carry the licence texts and notices of what it
# contains, and the Windows ones the decoder's source package as pinned at
# set-up. Checks the unpacked zip and the installed .deb's files, and that
# the check itself fails when one required file is missing.
#   bash tests/release/licences_test.sh <unpacked-zip-folder> <deb-root>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# The pinned source files and their SHA-256 (FFMPEG_SOURCE_FILES, SHA256).
source "$STAGE/src/scripts/setup.sh"
trap - EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" # our fail() again, not set-up's

WINDOWS_FILES=(TamrelOrvane.exe tamrel.exe ffmpeg.exe onnxruntime.dll beat_this.onnx LEEME.html LICENCIAS.txt)
# Licence text -> a phrase it must hold, so an empty or wrong file fails.
declare -A WINDOWS_TEXTS=(
  [licencias/tamrel-orvane-MIT.txt]="Permission is hereby granted, free of charge"
  [licencias/ffmpeg-LGPL-2.1.txt]="GNU LESSER GENERAL PUBLIC LICENSE"
  [licencias/ffmpeg-LICENSE.md]="In combination the LGPL v2.1+ applies to"
  [licencias/ffmpeg-configuracion.txt]="--target-os=mingw32"
  [licencias/onnxruntime-MIT.txt]="Copyright (c) Microsoft Corporation"
  [licencias/onnxruntime-terceros.txt]="Upstream-Name: ONNX Runtime"
  [licencias/libogg-COPYING.txt]="Xiph.org Foundation"
  [licencias/libvorbis-COPYING.txt]="Xiph.org Foundation"
  [licencias/gcc-runtime.txt]="GCC RUNTIME LIBRARY EXCEPTION"
  [licencias/mingw-w64.txt]="winpthreads"
  [licencias/cli11.txt]="Upstream-Name: CLI11"
  [licencias/nlohmann-json.txt]="Niels Lohmann"
)

check_windows_release() { # folder
  local f
  for f in "${WINDOWS_FILES[@]}"; do
    [[ -s "$1/$f" ]] || fail "missing from the release: $f"
  done
  for f in "${!WINDOWS_TEXTS[@]}"; do
    [[ -s "$1/$f" ]] || fail "missing from the release: $f"
    grep -qF -- "${WINDOWS_TEXTS[$f]}" "$1/$f" || fail "$f does not hold \"${WINDOWS_TEXTS[$f]}\""
    grep -qF "$f" "$1/LICENCIAS.txt" || fail "LICENCIAS.txt does not name $f"
  done
  # An LGPL decoder: nothing under the GPL or non-free was switched on.
  ! grep -qE -- '--enable-(gpl|nonfree|version3)' "$1/licencias/ffmpeg-configuracion.txt" ||
    fail "the decoder was configured with GPL, version 3 or non-free parts"
  grep -qF "FFmpeg 5.1.9" "$1/LICENCIAS.txt" || fail "LICENCIAS.txt does not give FFmpeg's version"
  grep -qF "Tamrel Orvane $VERSION" "$1/LICENCIAS.txt" || fail "LICENCIAS.txt does not give the program's version"
  for f in "${FFMPEG_SOURCE_FILES[@]}"; do
    [[ -s "$1/fuentes/$f" ]] || fail "missing from the release: fuentes/$f"
    [[ "$(sha256sum <"$1/fuentes/$f" | cut -d ' ' -f 1)" == "${SHA256[$f]}" ]] ||
      fail "fuentes/$f does not match its pinned SHA-256"
  done
  [[ "$(find "$1/fuentes" -type f | wc -l)" == "${#FFMPEG_SOURCE_FILES[@]}" ]] ||
    fail "fuentes/ holds files that are not the decoder's source package"
}

check_deb_root() { # root
  local doc="$1/usr/share/doc/tamrel-orvane"
  [[ -s "$doc/copyright" ]] || fail "the .deb has no copyright file"
  grep -qF "Permission is hereby granted, free of charge" "$doc/copyright" ||
    fail "the .deb's copyright file lacks the MIT text"
  grep -qF "License: BSD-3-clause" "$doc/copyright" || fail "the .deb's copyright file lacks the BSD text"
  grep -qF "Upstream-Name: ONNX Runtime" "$doc/onnxruntime-terceros.txt" ||
    fail "the .deb lacks ONNX Runtime's third-party notices"
}

windows="$1"
deb_root="$2"
check_windows_release "$windows"
pass "the zip carries every licence text, LICENCIAS.txt and the decoder's pinned source"
check_deb_root "$deb_root"
pass "the .deb carries its copyright file and ONNX Runtime's notices"

# The check must notice a missing or damaged file.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for victim in licencias/ffmpeg-LGPL-2.1.txt "fuentes/${FFMPEG_SOURCE_FILES[1]}" licencias/gcc-runtime.txt; do
  rm -rf "$scratch/copy"
  cp -al "$windows" "$scratch/copy"
  rm "$scratch/copy/$victim"
  if (check_windows_release "$scratch/copy") 2>/dev/null; then
    fail "the licence check passes without $victim"
  fi
done
rm -rf "$scratch/copy"
cp -al "$windows" "$scratch/copy"
rm "$scratch/copy/fuentes/$FFMPEG_DSC"
printf 'otro' >"$scratch/copy/fuentes/$FFMPEG_DSC"
if (check_windows_release "$scratch/copy") 2>/dev/null; then
  fail "the licence check passes with a changed source file"
fi
pass "the licence check fails when a text or a source file is missing or changed"
