#!/usr/bin/env bash
# Configures and builds both trees: build/linux (native) and build/windows
# (mingw-w64). The native tree goes first because it generates the files
# (icon, fixtures, stand-in model) that the Windows tree takes from it.
# Extra arguments are passed to both cmake configure steps, e.g.
#   bash scripts/build.sh -DTAMREL_WERROR=ON
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TAMREL_BUILD_ROOT:-$ROOT/build}"
JOBS="${TAMREL_JOBS:-2}"
LINUX="$BUILD/linux"
WINDOWS="$BUILD/windows"

# The dependency cache scripts/setup.sh filled, when not the default one.
if [[ -n "${TAMREL_DEPS_DIR:-}" ]]; then
  set -- -DTAMREL_DEPS_DIR="$TAMREL_DEPS_DIR" "$@"
fi

cmake -S "$ROOT" -B "$LINUX" "$@"
cmake --build "$LINUX" -j"$JOBS"

cmake -S "$ROOT" -B "$WINDOWS" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
  -DTAMREL_NATIVE_BUILD_DIR="$LINUX" "$@"
cmake --build "$WINDOWS" -j"$JOBS"

# A user's machine has no MinGW runtime: every Windows executable we ship or
# test must link it statically.
status=0
for exe in "$WINDOWS"/install/*.exe "$WINDOWS"/tests-bin/test_*.exe; do
  [[ -e "$exe" ]] || continue
  if x86_64-w64-mingw32-objdump -p "$exe" | grep -iE 'DLL Name: *(libstdc\+\+|libgcc|libwinpthread)' >&2; then
    echo "build: $exe needs a MinGW DLL" >&2
    status=1
  fi
done
exit "$status"
