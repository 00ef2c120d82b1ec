#!/usr/bin/env bash
# Runs a Windows program under Wine with a private, quiet prefix.
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-${TAMREL_WINEPREFIX:-$HOME/.cache/tamrel-orvane/wineprefix}}"
exec wine "$@"
