#!/usr/bin/env bash
# Fuzzes the analysis cache reader for a bounded time with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer. Fails on any crash, hang,
# leak or broken round trip. The corpus is kept between runs.
#   FUZZ_SECONDS  run time (default 60)
#   FUZZ_DIR      build and corpus folder (default /tmp/tamrel-fuzz)
#   FUZZ_SEEDS    folder of real cache files to seed from (default: the one
#                 the native test tree's demo-song cache test leaves)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
work="${FUZZ_DIR:-/tmp/tamrel-fuzz}"
cxx="${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}"
# Each input is written to a file; on tmpfs the writer's flush costs nothing.
scratch="$work/scratch"
if [[ -d /dev/shm && -w /dev/shm ]]; then
  scratch="/dev/shm/tamrel-fuzz-$$"
fi
mkdir -p "$work/obj" "$work/seeds" "$work/corpus" "$scratch"
trap 'rm -rf "$scratch"' EXIT

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Werror -I "$root"
       -fsanitize=address,undefined -fno-sanitize-recover=all)
# Only what the reader and writer need; the platform layer is the POSIX one.
sources=(cache/analysis_cache.cpp analysis/cut_rule.cpp
         base/fault_injection.cpp platform/posix/file_system_posix.cpp)
objects=()
for source in "${sources[@]}"; do
  object="$work/obj/$(basename "${source%.cpp}").o"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$root/$source" -o "$object"
  objects+=("$object")
done
"$cxx" "${flags[@]}" "$root/tests/cache/fuzz/seed_writer.cpp" "${objects[@]}" -o "$work/seed_writer"
"$cxx" "${flags[@]}" -fsanitize=fuzzer "$root/tests/cache/fuzz/analysis_cache_fuzz.cpp" "${objects[@]}" \
  -o "$work/analysis_cache_fuzz"

rm -rf "$work/seeds" && mkdir -p "$work/seeds"
TMPDIR="$scratch" "$work/seed_writer" "$work/seeds"
# Real cache files: the native test tree keeps one from its analysis of the
# demo song (tests/cache/demo_song_cache_test.cpp).
real_seeds="${FUZZ_SEEDS:-${TAMREL_BUILD_ROOT:-$root/build}/linux/generated/cache-seeds}"
seed_dirs=("$work/seeds")
song_frames=""
if [[ -d "$real_seeds" ]] && compgen -G "$real_seeds/*.bin" > /dev/null; then
  seed_dirs+=("$real_seeds")
  for seed in "$real_seeds"/*.bin; do
    song_frames+="$(od -An -t u8 -j 16 -N 8 "$seed" | tr -d ' '),"
  done
  echo "real seeds from $real_seeds (song frames ${song_frames%,})"
else
  echo "no real seeds in $real_seeds; synthetic seeds only"
fi
export FUZZ_SONG_FRAMES="${song_frames%,}"

# New inputs go to the first folder (the corpus); the seeds stay as written.
# A crash, a hang over 10 s, a leak or more than 2 GiB ends the run with a
# non-zero status and a reproducer in $work.
cd "$work"
TMPDIR="$scratch" "$work/analysis_cache_fuzz" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
  -print_final_stats=1 -artifact_prefix="$work/" \
  "$work/corpus" "${seed_dirs[@]}"
