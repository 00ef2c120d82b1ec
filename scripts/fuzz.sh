#!/usr/bin/env bash
# Fuzzes, each for a bounded time with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, the analysis cache reader and the INI reader and
# writer of session and settings files. Fails on any crash, hang, leak or
# broken oracle. The corpora are kept between runs.
#   bash scripts/fuzz.sh [cache] [ini]   the targets to run (default both)
#   FUZZ_SECONDS      cache reader run time (default 60)
#   FUZZ_INI_SECONDS  INI run time (default 30)
#   FUZZ_DIR          build and corpus folder (default /tmp/tamrel-fuzz)
#   FUZZ_SEEDS        folder of real cache files to seed from (default: the one
#                     the native test tree's demo-song cache test leaves)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
ini_seconds="${FUZZ_INI_SECONDS:-30}"
targets=("$@")
((${#targets[@]})) || targets=(cache ini)
for target in "${targets[@]}"; do
  [[ "$target" == cache || "$target" == ini ]] || { echo "fuzz: unknown target $target" >&2; exit 2; }
done
wants() { [[ " ${targets[*]} " == *" $1 "* ]]; }
work="${FUZZ_DIR:-/tmp/tamrel-fuzz}"
cxx="${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}"
# Each input is written to a file; on tmpfs the writer's flush costs nothing.
scratch="$work/scratch"
if [[ -d /dev/shm && -w /dev/shm ]]; then
  scratch="/dev/shm/tamrel-fuzz-$$"
fi
mkdir -p "$work/obj" "$work/seeds" "$work/corpus" "$work/ini-corpus" "$scratch"
trap 'rm -rf "$scratch"' EXIT

flags=(-std=c++20 -g -fno-omit-frame-pointer -Wall -Wextra -Werror -I "$root"
       -fsanitize=address,undefined -fno-sanitize-recover=all)
# Only what each target's code needs; the platform layer is the POSIX one.
cache_sources=(cache/analysis_cache.cpp analysis/cut_rule.cpp
               base/fault_injection.cpp platform/posix/file_system_posix.cpp)
ini_sources=(platform/posix/ini_file_posix.cpp base/utf.cpp base/number_format.cpp app/number_field.cpp session/session_file.cpp
             analysis/cut_rule.cpp platform/posix/file_system_posix.cpp)
# Objects are kept per target and optimisation level (the INI target's
# character loops run twice as fast at -O2, which doubles its inputs per second).
objects=()
build_objects() { # tag optimisation sources... -> objects
  local tag="$1" level="$2" source object
  shift 2
  mkdir -p "$work/obj/$tag"
  objects=()
  for source in "$@"; do
    object="$work/obj/$tag/$(basename "${source%.cpp}").o"
    "$cxx" "${flags[@]}" "$level" -fsanitize=fuzzer-no-link -c "$root/$source" -o "$object"
    objects+=("$object")
  done
}

run_cache() {
  build_objects cache -O1 "${cache_sources[@]}"
  "$cxx" "${flags[@]}" -O1 "$root/tests/cache/fuzz/seed_writer.cpp" "${objects[@]}" -o "$work/seed_writer"
  "$cxx" "${flags[@]}" -O1 -fsanitize=fuzzer "$root/tests/cache/fuzz/analysis_cache_fuzz.cpp" "${objects[@]}" \
    -o "$work/analysis_cache_fuzz"

  rm -rf "$work/seeds" && mkdir -p "$work/seeds"
  TMPDIR="$scratch" "$work/seed_writer" "$work/seeds"
  # Real cache files: the native test tree keeps one from its analysis of the
  # demo song (tests/cache/demo_song_cache_test.cpp).
  local real_seeds="${FUZZ_SEEDS:-${TAMREL_BUILD_ROOT:-$root/build}/linux/generated/cache-seeds}"
  local seed_dirs=("$work/seeds") song_frames="" seed
  if [[ -d "$real_seeds" ]] && compgen -G "$real_seeds/*.bin" > /dev/null; then
    seed_dirs+=("$real_seeds")
    for seed in "$real_seeds"/*.bin; do
      song_frames+="$(od -An -t u8 -j 16 -N 8 "$seed" | tr -d ' '),"
    done
    echo "real seeds from $real_seeds (song frames ${song_frames%,})"
  else
    echo "no real seeds in $real_seeds; synthetic seeds only"
  fi

  # New inputs go to the first folder (the corpus); the seeds stay as written.
  # A crash, a hang over 10 s, a leak or more than 2 GiB ends the run with a
  # non-zero status and a reproducer in $work.
  (cd "$work" && FUZZ_SONG_FRAMES="${song_frames%,}" TMPDIR="$scratch" "$work/analysis_cache_fuzz" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
    -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/corpus" "${seed_dirs[@]}")
}

run_ini() {
  build_objects ini -O2 "${ini_sources[@]}"
  "$cxx" "${flags[@]}" -O2 "$root/tests/session/fuzz/ini_seed_writer.cpp" "${objects[@]}" -o "$work/ini_seed_writer"
  "$cxx" "${flags[@]}" -O2 -fsanitize=fuzzer "$root/tests/session/fuzz/ini_file_fuzz.cpp" "${objects[@]}" \
    -o "$work/ini_file_fuzz"

  rm -rf "$work/ini-seeds" && mkdir -p "$work/ini-seeds"
  "$work/ini_seed_writer" "$work/ini-seeds"
  # Inputs up to 128 KiB leave room for lines longer than the value buffer.
  # The target runs in its own folder, where it keeps the song its seeds name.
  mkdir -p "$work/ini-run"
  (cd "$work/ini-run" && TMPDIR="$scratch" "$work/ini_file_fuzz" \
    -max_total_time="$ini_seconds" -max_len=131072 -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
    -print_final_stats=1 -artifact_prefix="$work/ini-" \
    "$work/ini-corpus" "$work/ini-seeds")
}

if wants cache; then run_cache; fi
if wants ini; then run_ini; fi
