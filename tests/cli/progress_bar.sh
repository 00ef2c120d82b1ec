#!/usr/bin/env bash
# The progress bar as a terminal shows it: the console program runs under a
# pseudo-terminal (script), and one frame of what it drew is checked and
# printed.   progress_bar.sh PROGRAM SONG WORK
set -euo pipefail
export LC_ALL=C.UTF-8
program="$1" song="$2" work="$3"
rm -rf "$work" && mkdir -p "$work/home" "$work/tmp"
# A private home holds no cache, so every stage of the analysis is drawn.
cp "$song" "$work/canción.wav"
command="$(printf '%q ' env HOME="$work/home" TMPDIR="$work/tmp" COLUMNS=100 "$program" analizar "$work/canción.wav")"
rm -rf "$work/home" && mkdir -p "$work/home"
script -qfec "stty cols 100; $command >'$work/stdout'" "$work/typescript" >/dev/null
frames="$(tr '\r' '\n' <"$work/typescript" | grep -a '^\[[#-]\{20\}\] ' || true)"
if [[ -z "$frames" ]]; then
  echo "no bar frame drawn:" >&2
  cat -v "$work/typescript" >&2
  exit 1
fi
# One frame in the middle of the analysis, with the song, its stage and an estimate.
frame="$(grep -a 'canción.wav · Preparando espectrograma' <<<"$frames" | head -n 1)"
if [[ -z "$frame" || "$frame" != *"calculando"* && "$frame" != *"quedan "* ]]; then
  echo "no frame names the song, its stage and the time left:" >&2
  printf '%s\n' "$frames" >&2
  exit 1
fi
# Each frame fills the 100-column line but never wraps it.
while IFS= read -r line; do
  width="$(printf '%s' "$line" | wc -m)"
  if ((width != 99)); then
    echo "a frame of $width columns: '$line'" >&2
    exit 1
  fi
done <<<"$frames"
# The result still reaches standard output alone, and the terminal is left clean.
if ! grep -q '^{"path":' "$work/stdout" || [[ $(wc -l <"$work/stdout") -ne 1 ]]; then
  echo "standard output: $(cat "$work/stdout")" >&2
  exit 1
fi
echo "frame: $frame"
echo "last:  $(tail -n 1 <<<"$frames")"
