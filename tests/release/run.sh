#!/usr/bin/env bash
# The release tests: builds the releases with scripts/release.sh, then tests
# the real artefacts in dist/ (not the build folders): the licences, the zip
# and the installer under Wine in a fresh prefix on a virtual display, the
# .deb installed on this machine, and finally a second release run that must
# give the same SHA256SUMS.
#   bash tests/release/run.sh              everything (two release runs)
#   bash tests/release/run.sh --no-build   test the artefacts already in dist/
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"

build=1
[[ "${1:-}" == --no-build ]] && build=0

failed=()
step() { # name command...
  local name="$1" start=$SECONDS
  shift
  echo "== $name"
  if "$@"; then
    echo "== $name: ok ($((SECONDS - start)) s)"
  else
    echo "== $name: FAILED ($((SECONDS - start)) s)"
    failed+=("$name")
  fi
}

if ((build)); then
  step "release" bash "$ROOT/scripts/release.sh" || true
  ((${#failed[@]} == 0)) || { echo "release tests: the release script failed"; exit 1; }
fi
cp "$ROOT/dist/SHA256SUMS" "$ROOT/build/release-first.SHA256SUMS" 2>/dev/null || true

WORK="$(mktemp -d)"
trap 'WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null; rm -rf "$WORK"' EXIT

deb_root() {
  mkdir -p "$WORK/deb-root" && dpkg-deb -x "$ROOT"/dist/tamrel-orvane_*_amd64.deb "$WORK/deb-root"
}
zip_folder() {
  mkdir -p "$WORK/zip" && unzip -q "$ROOT"/dist/TamrelOrvane-*-win64.zip -d "$WORK/zip"
}
licences() { zip_folder && deb_root && bash "$HERE/licences_test.sh" "$(echo "$WORK"/zip/*)" "$WORK/deb-root"; }

# Both Windows tests share one new prefix on one virtual display.
windows_tests() {
  local body='source "$0/lib.sh" && fresh_prefix "$1" && bash "$0/zip_test.sh" "$1/zip-test" &&
    bash "$0/installer_test.sh" "$1/installer-test"'
  mkdir -p "$WORK/zip-test" "$WORK/installer-test"
  if [[ -n "${DISPLAY:-}" ]]; then
    bash -c "$body" "$HERE" "$WORK"
  else
    xvfb-run -a -s '-screen 0 1280x800x24' bash -c "$body" "$HERE" "$WORK"
  fi
}

step "licences" licences
step "zip and installer under Wine" windows_tests
mkdir -p "$WORK/deb-test"
step ".deb" bash "$HERE/deb_test.sh" "$WORK/deb-test"

reproducible() {
  bash "$ROOT/scripts/release.sh" >"$WORK/second-release.log" 2>&1 || { cat "$WORK/second-release.log"; return 1; }
  if ! diff "$ROOT/build/release-first.SHA256SUMS" "$ROOT/dist/SHA256SUMS"; then
    echo "FAIL: a second release run gave different artefacts"
    return 1
  fi
  echo "ok: a second run from a clean tree gives the same SHA256SUMS"
}
((build)) && step "reproducible" reproducible

if ((${#failed[@]})); then
  echo "release tests FAILED: ${failed[*]}"
  exit 1
fi
echo "release tests passed"
