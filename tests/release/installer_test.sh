#!/usr/bin/env bash
# The Windows installer under Wine, in the prefix tests/release/run.sh made
# fresh: a silent install lays out the program, its Start menu shortcut and
# its uninstall entry; the installed program shows its window and its
# --verify writes the build folder's package; installing again and then a
# newer build keep the user's settings, cache and exports; the uninstaller
# removes everything it installed and nothing of the user's.
# Needs a display (xvfb-run).
#   bash tests/release/installer_test.sh <work folder>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
WORK="$1"

LOCAL="$WIN_USER_DIR/AppData/Local"
INSTDIR="$LOCAL/Programs/Tamrel Orvane"
INSTDIR_WIN='C:\users\'"$(id -un)"'\AppData\Local\Programs\Tamrel Orvane'
SHORTCUT="$WIN_USER_DIR/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tamrel Orvane.lnk"
KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TamrelOrvane'

reg_value() { # name -> data, or nothing when absent
  wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 \{1,\}REG_[A-Z_]* \{1,\}//p"
}
expect_value() { # name expected
  local got
  got="$(reg_value "$1")"
  [[ "$got" == "$2" ]] || fail "uninstall entry $1 is '$got', expected '$2'"
}

# The portable folder of the zip is what the installer must lay out.
rm -rf "$WORK/portable"
mkdir -p "$WORK/portable"
unzip -q "$ZIP" -d "$WORK/portable"
PORTABLE="$(echo "$WORK/portable"/*)"
installed_kb=$(( ($(find "$PORTABLE" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }') + 1023) / 1024 ))

check_installed() { # version
  [[ "$(digest "$PORTABLE")" == "$(cd "$INSTDIR" && find . -type f ! -name uninstall.exe -print0 | sort -z | xargs -0 sha256sum)" ]] ||
    fail "the installed files differ from the portable folder's"
  [[ -f "$INSTDIR/uninstall.exe" ]] || fail "no uninstall.exe"
  [[ -f "$SHORTCUT" ]] || fail "no Start menu shortcut"
  strings -e l "$SHORTCUT" | grep -qF 'TamrelOrvane.exe' || strings "$SHORTCUT" | grep -qF 'TamrelOrvane.exe' ||
    fail "the shortcut does not point at TamrelOrvane.exe"
  expect_value DisplayName "Tamrel Orvane"
  expect_value DisplayVersion "$1"
  expect_value Publisher "Tamrel Orvane"
  expect_value DisplayIcon "$INSTDIR_WIN\\TamrelOrvane.exe,0"
  expect_value InstallLocation "$INSTDIR_WIN"
  expect_value UninstallString "\"$INSTDIR_WIN\\uninstall.exe\""
  expect_value QuietUninstallString "\"$INSTDIR_WIN\\uninstall.exe\" /S"
  expect_value EstimatedSize "$(printf '0x%x' "$installed_kb")"
}

# 1. A silent install.
wine_wait "$(to_wine "$SETUP")" /S || fail "setup.exe /S failed"
check_installed "$VERSION"
pass "setup.exe /S installs the program, the shortcut and the uninstall entry"

# 2. The installed program opens its window.
wine "$(to_wine "$INSTDIR/TamrelOrvane.exe")" >/dev/null 2>&1 &
window=""
for _ in $(seq 600); do
  window="$(xwininfo -root -tree 2>/dev/null | grep -F '"Tamrel Orvane"' || true)"
  [[ -z "$window" ]] || break
  sleep 0.1
done
wineserver -k || true
wineserver -w
wait || true
[[ -n "$window" ]] || fail "the installed program showed no window"
pass "the installed program shows its window"

# 3. Its verification run writes the build folder's package.
reference="$(verify_with "$RELEASE_BUILD/windows/install/TamrelOrvane.exe" "$WORK/out-build")"
installed="$(verify_with "$INSTDIR/TamrelOrvane.exe" "$WORK/out-installed")"
same_package "the installed program" "$installed" "$reference"

# 4. The user's files, which no installation may touch.
user_files=("$LOCAL/Tamrel/Orvane/settings.ini" "$LOCAL/Tamrel/Orvane/analysis-v3/plantado/cancion.bin"
  "$WIN_USER_DIR/Music/Tamrel Loops/plantado-20260101-000000/04-montaje.wav")
for f in "${user_files[@]}"; do
  mkdir -p "$(dirname "$f")"
  printf 'plantado por la prueba: %s\n' "$f" >"$f"
done
user_digest() { sha256sum "${user_files[@]}"; }
planted="$(user_digest)"
keeps_user_files() { # step
  [[ "$(user_digest 2>/dev/null)" == "$planted" ]] || fail "$1 changed or removed the user's files"
}

# 5. The same version again.
wine_wait "$(to_wine "$SETUP")" /S || fail "installing again failed"
check_installed "$VERSION"
keeps_user_files "installing the same version again"
pass "installing the same version again keeps the user's files"

# 6. A newer build over it: the same files plus one, under the next version.
IFS=. read -r major minor patch <<<"$VERSION"
newer="$major.$minor.$((patch + 1))"
rm -rf "$WORK/nsis-newer"
cp -a "$STAGE/nsis" "$WORK/nsis-newer"
printf 'novedades\n' >"$WORK/nsis-newer/novedades.txt"
printf 'SetOutPath "$INSTDIR"\nFile "%s"\n' "$WORK/nsis-newer/novedades.txt" >>"$WORK/nsis-newer/files.nsh"
{ printf 'Delete "$INSTDIR\\novedades.txt"\n'; cat "$STAGE/nsis/unfiles.nsh"; } >"$WORK/nsis-newer/unfiles.nsh"
makensis -V1 -INPUTCHARSET UTF8 -DVERSION="$newer" -DSTAGE="$WORK/nsis-newer" -DOUTFILE="$WORK/newer-setup.exe" \
  "$STAGE/src/packaging/windows/installer.nsi" >/dev/null || fail "makensis could not build the newer installer"
wine_wait "$(to_wine "$WORK/newer-setup.exe")" /S || fail "installing the newer build failed"
[[ -f "$INSTDIR/novedades.txt" ]] || fail "the newer build's file was not installed"
expect_value DisplayVersion "$newer"
keeps_user_files "installing a newer build"
pass "a newer build installs over the old one and keeps the user's files"

# 7. The uninstaller.
wine_wait "$(to_wine "$INSTDIR/uninstall.exe")" /S || fail "uninstall.exe /S failed"
[[ ! -e "$INSTDIR" ]] || fail "the uninstaller left $(find "$INSTDIR" | head -5)"
[[ ! -e "$SHORTCUT" ]] || fail "the uninstaller left the shortcut"
wine reg query "$KEY" >/dev/null 2>&1 && fail "the uninstaller left the uninstall entry"
keeps_user_files "uninstalling"
pass "uninstall.exe /S removes every program file, the shortcut and the entry, and keeps the user's files"
