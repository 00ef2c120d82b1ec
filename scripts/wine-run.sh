#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in a private prefix so that
# parallel runs of different build trees do not disturb each other.
# The prefix is TAMREL_WINEPREFIX (set per build tree by the toolchain file),
# else WINEPREFIX, else one in the dependency cache.
set -euo pipefail
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs when a prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${TAMREL_WINEPREFIX:-${WINEPREFIX:-${TAMREL_DEPS_DIR:-$HOME/.cache/tamrel-orvane}/wineprefix}}"

# Create the prefix once, under a lock, before the first program runs in it.
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
