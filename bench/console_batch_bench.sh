#!/usr/bin/env bash
# The console program on a batch of 8 generated 3-minute songs, one song at a
# time against two at a time, each from an empty cache: wall time and the
# peak resident memory of the program (its own, without the decoder's).
#   bench/console_batch_bench.sh [BUILD]     (default build/linux; needs GNU time, /usr/bin/time)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/linux}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tamrel-batch-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/songs"
for i in 1 2 3 4 5 6 7 8; do
  # Eight tempi, so that every song is a song of its own to the cache.
  "$BUILD/tools/demo_song/demo_song" --seconds 180 --bpm $((100 + 4 * i)) --meter 4 --out "$work/songs/song-$i" >/dev/null
  rm -f "$work/songs/song-$i".beats.txt
done
for jobs in 1 2; do
  home="$work/home-$jobs"
  mkdir -p "$home" "$work/tmp-$jobs"
  start=$(date +%s.%N)
  env HOME="$home" TMPDIR="$work/tmp-$jobs" /usr/bin/time -f '%M' -o "$work/rss-$jobs" \
    "$BUILD/install/tamrel" exportar --quiet --jobs "$jobs" -o "$work/out-$jobs" "$work/songs" >"$work/paths-$jobs"
  end=$(date +%s.%N)
  packages=$(wc -l <"$work/paths-$jobs")
  awk -v j="$jobs" -v s="$start" -v e="$end" -v k="$(cat "$work/rss-$jobs")" -v n="$packages" \
    'BEGIN { printf "jobs %d: %6.1f s wall, peak resident %6.0f MiB, %d packages\n", j, e - s, k / 1024, n }' 
done
