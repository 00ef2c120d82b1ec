#!/usr/bin/env bash
# The Debian package: lintian finds no error; installed with dpkg on this
# machine (root), `tamrel` exports the demo song as the build folder's
# console program does; removed, it leaves none of its files.
#   bash tests/release/deb_test.sh <work folder>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
WORK="$1"
PACKAGE=tamrel-orvane
# Other work on this machine may hold dpkg's lock for a while.
APT=(apt-get -o DPkg::Lock::Timeout=900 -y)

lintian --fail-on error --suppress-tags-from-file /dev/null "$DEB" >"$WORK/lintian.txt" 2>&1 || {
  cat "$WORK/lintian.txt" >&2
  fail "lintian reports errors"
}
pass "lintian reports no error ($(grep -c '^W:' "$WORK/lintian.txt" || true) warnings)"

[[ "$(id -u)" == 0 ]] || fail "installing the package needs root"
if dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q 'installed'; then
  fail "$PACKAGE is installed already; remove it before the test"
fi
DEBIAN_FRONTEND=noninteractive "${APT[@]}" install "$DEB" >"$WORK/install.log" 2>&1 || {
  cat "$WORK/install.log" >&2
  fail "installing the package failed"
}
mapfile -t owned < <(dpkg-query -L "$PACKAGE")
remove() { DEBIAN_FRONTEND=noninteractive "${APT[@]}" remove "$PACKAGE" >"$WORK/remove.log" 2>&1; }
trap 'remove || true' EXIT
[[ "$(command -v tamrel)" == /usr/bin/tamrel ]] || fail "tamrel is not on the PATH after installing"

# The console program with a home of its own (its cache and settings).
export_demo() { # program home out
  mkdir -p "$2" "$3"
  HOME="$2" XDG_CONFIG_HOME= XDG_CACHE_HOME= XDG_DATA_HOME= "$1" exportar -o "$3" "$DEMO" >"$3.stdout" 2>"$3.stderr" ||
    { cat "$3.stderr" >&2; fail "$1 exportar failed"; }
  local package
  package="$(find "$3" -mindepth 1 -maxdepth 1 -type d)"
  [[ -n "$package" && "$(wc -l <<<"$package")" == 1 ]] || fail "$1 exportar did not write one package"
  printf '%s' "$package"
}
reference="$(export_demo "$RELEASE_BUILD/linux/install/tamrel" "$WORK/home-build" "$WORK/out-build")"
installed="$(export_demo tamrel "$WORK/home-installed" "$WORK/out-installed")"
same_package "the installed tamrel" "$installed" "$reference"

remove || { cat "$WORK/remove.log" >&2; fail "removing the package failed"; }
trap - EXIT
left=()
for path in "${owned[@]}"; do
  [[ "$path" == /. ]] && continue
  if [[ -L "$path" || -f "$path" ]]; then
    left+=("$path")
  elif [[ -d "$path" && "$path" == *tamrel-orvane* ]]; then
    left+=("$path")
  fi
done
((${#left[@]} == 0)) || fail "dpkg -r left: ${left[*]}"
pass "removing the package leaves none of its ${#owned[@]} paths"
