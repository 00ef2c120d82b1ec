#!/usr/bin/env bash
# Ctrl+C in the middle of a batch export: the console program runs on a
# folder of songs no cache holds, the interrupt comes once the first package
# has been printed, and afterwards every folder in the output folder is a
# complete, printed package, nothing half-written or staged is left, and the
# work folder is gone.
#   interrupt.sh PROGRAM SONG FFMPEG WORK [WINE_RUN WINEPREFIX]
# Natively the interrupt is SIGINT to the program. Under Wine it is SIGINT to
# the Wine process, which Wine delivers to the program as a console control
# event (CTRL_C_EVENT) through its handler, as Ctrl+C in a console does.
set -euo pipefail
program="$1" song="$2" ffmpeg="$3" work="$4" wine_run="${5:-}" prefix="${6:-}"
rm -rf "$work" && mkdir -p "$work/in" "$work/home" "$work/tmp"
to_program() { if [[ -n "$wine_run" ]]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
from_program() { local p="${1#Z:}"; if [[ -n "$wine_run" ]]; then p="${p//\\//}"; fi; printf '%s' "$p"; }

# Eight songs the cache cannot know: the demo with a comment of its own each.
stamp="$(date +%s%N)"
for i in 1 2 3 4 5 6 7 8; do
  "$ffmpeg" -nostdin -hide_banner -loglevel error -y -i "$song" -metadata "comment=interrupt-$stamp-$i" -c copy \
    "$work/in/canción $i.wav"
done

if [[ -n "$wine_run" ]]; then
  TAMREL_WINEPREFIX="$prefix" bash "$wine_run" "$program" exportar --quiet --jobs 2 -o "$(to_program "$work/out")" \
    "$(to_program "$work/in")" >"$work/stdout" 2>"$work/stderr" &
else
  env HOME="$work/home" TMPDIR="$work/tmp" "$program" exportar --quiet --jobs 2 -o "$work/out" "$work/in" \
    >"$work/stdout" 2>"$work/stderr" &
fi
pid=$!

# Wait for the state, not for a time: the first printed package (bounded
# only so that a hung program cannot hang the test).
for ((i = 0; i < 6000; i++)); do
  [[ -s "$work/stdout" ]] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [[ ! -s "$work/stdout" ]]; then
  echo "no package was printed; stderr:" >&2
  cat "$work/stderr" >&2
  exit 1
fi
kill -INT "$pid"
code=0
wait "$pid" || code=$?

fail() { echo "$*" >&2; echo "stdout:" >&2; cat "$work/stdout" >&2; echo "stderr:" >&2; cat "$work/stderr" >&2; exit 1; }
[[ "$code" == 1 ]] || fail "exit code $code, want 1"
grep -q '^tamrel: Operacion cancelada. El original se conserva.$' "$work/stderr" || fail "no cancellation message"
printed=$(wc -l <"$work/stdout")
((printed < 8)) || fail "the batch was not stopped: $printed packages"
# Every entry of the output folder is a printed, complete package.
shopt -s nullglob dotglob
entries=("$work/out"/*)
((${#entries[@]} == printed)) || fail "the output folder holds ${#entries[@]} entries for $printed printed packages: ${entries[*]}"
while IFS= read -r line; do
  package="$(from_program "$line")"
  [[ -d "$package" ]] || fail "printed package $package is missing"
  files=("$package"/*)
  ((${#files[@]} == 11)) || fail "package $package holds ${#files[@]} files"
done <"$work/stdout"
if [[ -z "$wine_run" ]]; then
  left=("$work/tmp"/*)
  ((${#left[@]} == 0)) || fail "left in the temporary folder: ${left[*]}"
fi
echo "interrupted after $printed of 8 packages, exit $code"
