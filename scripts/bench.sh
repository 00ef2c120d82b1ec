#!/usr/bin/env bash
# Builds the native tree and runs the benchmarks (bench/<name>_bench.cpp
# becomes bench_<name> in build/linux/tests-bin, beside the decoder, runtime
# and model). Benchmarks print their own figures; tests never time anything.
#   bash scripts/bench.sh            every benchmark
#   bash scripts/bench.sh NAME...    only bench_NAME...
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LINUX="${TAMREL_BUILD_ROOT:-$ROOT/build}/linux"
deps=()
[[ -z "${TAMREL_DEPS_DIR:-}" ]] || deps=(-DTAMREL_DEPS_DIR="$TAMREL_DEPS_DIR")

cmake -S "$ROOT" -B "$LINUX" -DCMAKE_BUILD_TYPE=Release "${deps[@]}" >/dev/null
targets=()
if (($#)); then
  for name in "$@"; do targets+=(--target "bench_$name"); done
fi
cmake --build "$LINUX" -j2 "${targets[@]}"

status=0
shopt -s nullglob
for bench in "$LINUX"/tests-bin/bench_*; do
  name="${bench##*/bench_}"
  if (($#)) && [[ " $* " != *" $name "* ]]; then
    continue
  fi
  echo "== bench_$name"
  "$bench" || status=1
done
exit "$status"
