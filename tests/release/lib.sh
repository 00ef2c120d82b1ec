# Shared by the release tests: where the artefacts and the release build
# are, Wine in a prefix of the test's own, and export packages compared file
# by file. Sourced, never run.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
DIST="$ROOT/dist"
STAGE="$ROOT/build/release"
RELEASE_BUILD="$STAGE/src/build"
VERSION="$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$STAGE/src/CMakeLists.txt")"
DEMO="$RELEASE_BUILD/linux/generated/fixtures/demo.mp3"
ZIP="$DIST/TamrelOrvane-$VERSION-win64.zip"
SETUP="$DIST/TamrelOrvane-$VERSION-win64-setup.exe"
DEB="$DIST/tamrel-orvane_${VERSION}_amd64.deb"
export LC_ALL=C.UTF-8

fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}
pass() { printf 'ok: %s\n' "$*"; }

# /a/b -> Z:\a\b, and back; C:\x -> the prefix's drive_c/x. Programs are always
# started by their Windows path: Wine runs a unix path only when it is executable.
to_wine() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }
from_wine() {
  local p="${1//\\//}"
  case "$p" in
    [Zz]:*) printf '%s' "${p:2}" ;;
    [Cc]:*) printf '%s/drive_c%s' "$WINEPREFIX" "${p:2}" ;;
    *) printf '%s' "$p" ;;
  esac
}

# A new, empty prefix under the test's temporary folder. Shortcuts stay in
# the prefix: the menu builder that would copy them to this machine is off.
fresh_prefix() { # folder
  export WINEPREFIX="$1/prefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w
  export WIN_USER_DIR="$WINEPREFIX/drive_c/users/$(id -un)"
  [[ -d "$WIN_USER_DIR" ]] || fail "the prefix has no user folder at $WIN_USER_DIR"
}

# Runs a Windows program and waits until every process of the prefix ended
# (installers and uninstallers hand over to child processes).
wine_wait() {
  local code=0
  wine "$@" || code=$?
  wineserver -w
  return "$code"
}

# One line per file of a folder: relative path and SHA-256.
digest() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

# Runs `--verify` of a Windows program on the demo song into a new folder and
# prints the unix path of the package it wrote.
verify_with() { # exe(unix) out(unix)
  mkdir -p "$2"
  wine_wait "$(to_wine "$1")" --verify "$(to_wine "$DEMO")" "$(to_wine "$2")" ||
    fail "$1 --verify failed"
  [[ -f "$2/verification.txt" ]] || fail "$1 --verify wrote no verification.txt"
  local package
  package="$(from_wine "$(tr -d '\r\n' <"$2/verification.txt")")"
  [[ -d "$package" ]] || fail "$1 --verify names a package that does not exist: $package"
  printf '%s' "$package"
}

same_package() { # what package reference-package
  local got want
  got="$(digest "$2")"
  want="$(digest "$3")"
  [[ -n "$want" ]] || fail "the reference package is empty"
  if [[ "$got" != "$want" ]]; then
    diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") >&2 || true
    fail "$1: the package differs from the build folder's"
  fi
  pass "$1: the package is byte-identical to the build folder's ($(wc -l <<<"$got") files)"
}
