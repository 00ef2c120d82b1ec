#!/usr/bin/env bash
# Builds the releases of the committed tree into dist/:
#   TamrelOrvane-<version>-win64.zip        the portable folder
#   TamrelOrvane-<version>-win64-setup.exe  the per-user installer (NSIS)
#   tamrel-orvane_<version>_amd64.deb       the console program for Debian
#   SHA256SUMS                              of the three
# The source is the commit (HEAD, or TAMREL_RELEASE_REF), exported into
# build/release/src and built there with both trees, so uncommitted changes
# never reach a release. Every release carries LICENCIAS.txt, the licence
# texts and the decoder's source package (fuentes/).
# Two runs from the same commit give the same bytes: every file and archive
# entry gets the commit's time (SOURCE_DATE_EPOCH), lists are sorted, the
# Windows linker writes no time stamp, and the build paths are the same.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
REF="${TAMREL_RELEASE_REF:-HEAD}"
STAGE="$ROOT/build/release"
SRC="$STAGE/src"
DIST="$ROOT/dist"
export LC_ALL=C TZ=UTC

note() { printf 'release: %s\n' "$*"; }
die() {
  printf 'release: %s\n' "$*" >&2
  exit 1
}

export_source() {
  [[ -z "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]] ||
    note "warning: uncommitted changes are not part of the release ($REF is built)"
  rm -rf "$STAGE"
  mkdir -p "$SRC"
  git -C "$ROOT" archive --format=tar "$REF" | tar -x -C "$SRC"
  export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct "$REF")}"
  VERSION="$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")"
  [[ "$VERSION" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "no version in project() of CMakeLists.txt"
  note "Tamrel Orvane $VERSION from $(git -C "$ROOT" rev-parse --short "$REF")"
}

# Both trees, without tests or benchmarks, inside the exported source so
# that compiler caches made by ordinary builds serve this one too.
build_trees() {
  TAMREL_BUILD_ROOT="$SRC/build" bash "$SRC/scripts/build.sh" \
    -DTAMREL_TESTS=OFF -DTAMREL_BENCH=OFF -DTAMREL_WERROR=ON >"$STAGE/build.log" 2>&1 ||
    die "the build failed, see $STAGE/build.log"
  WIN_INSTALL="$SRC/build/windows/install"
  LINUX_INSTALL="$SRC/build/linux/install"
}

debian_version() { dpkg-query -W -f='${Version}' "$1"; }
upstream() { # Debian version -> upstream part
  local v="${1#*:}"
  printf '%s' "${v%%[-+]*}"
}

# The texts every release carries, in notices/: LICENCIAS.txt (UTF-8, CRLF,
# for Windows' Notepad) and licencias/.
collect_notices() {
  local out="$STAGE/notices" lic="$STAGE/notices/licencias" tmp="$STAGE/tmp"
  mkdir -p "$lic" "$tmp"
  cp "$SRC/LICENSE" "$lic/tamrel-orvane-MIT.txt"
  tar -xJf "$DEPS/downloads/${FFMPEG_SOURCE_FILES[1]}" -C "$tmp" --wildcards '*/COPYING.LGPLv2.1' '*/LICENSE.md'
  cp "$tmp"/ffmpeg-*/COPYING.LGPLv2.1 "$lic/ffmpeg-LGPL-2.1.txt"
  cp "$tmp"/ffmpeg-*/LICENSE.md "$lic/ffmpeg-LICENSE.md"
  # The configure line as the decoder itself records it.
  local config
  config="$(strings -n 20 "$WIN_INSTALL/ffmpeg.exe" | grep -- '^--target-os=mingw32' || true)"
  config="${config%%$'\n'*}"
  [[ -n "$config" ]] || die "the decoder holds no configure line"
  printf 'FFmpeg %s (Debian %s)\n\n./configure %s\n' "$(upstream "$FFMPEG_DEB_VERSION")" \
    "$FFMPEG_DEB_VERSION" "$config" >"$lic/ffmpeg-configuracion.txt"
  cp "$SRC/packaging/onnxruntime-MIT.txt" "$lic/onnxruntime-MIT.txt"
  dpkg-deb --fsys-tarfile "$DEPS/downloads/$HEADER_DEB" |
    tar -x -O ./usr/share/doc/libonnxruntime-dev/copyright >"$lic/onnxruntime-terceros.txt"
  tar -xJf "$DEPS/downloads/${OGG_SOURCE_FILES[1]}" -O --wildcards '*/COPYING' >"$lic/libogg-COPYING.txt"
  tar -xzf "$DEPS/downloads/${VORBIS_SOURCE_FILES[1]}" -O --wildcards '*/COPYING' >"$lic/libvorbis-COPYING.txt"
  cp /usr/share/doc/gcc-mingw-w64-base/copyright "$lic/gcc-runtime.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$lic/mingw-w64.txt"
  cp /usr/share/doc/libcli11-dev/copyright "$lic/cli11.txt"
  cp /usr/share/doc/nlohmann-json3-dev/copyright "$lic/nlohmann-json.txt"
  local gcc mingw
  gcc="$(debian_version gcc-mingw-w64-base)"
  mingw="$(debian_version mingw-w64-common)"
  sed -e "s|@VERSION@|$VERSION|g" \
    -e "s|@FFMPEG_VERSION@|$(upstream "$FFMPEG_DEB_VERSION")|g" -e "s|@FFMPEG_DEB_VERSION@|$FFMPEG_DEB_VERSION|g" \
    -e "s|@FFMPEG_DSC@|$FFMPEG_DSC|g" -e "s|@ORT_VERSION@|${ORT_NPM##*@}|g" \
    -e "s|@OGG_VERSION@|$(upstream "$OGG_DEB_VERSION")|g" -e "s|@OGG_DEB_VERSION@|$OGG_DEB_VERSION|g" \
    -e "s|@VORBIS_VERSION@|$(upstream "$VORBIS_DEB_VERSION")|g" -e "s|@VORBIS_DEB_VERSION@|$VORBIS_DEB_VERSION|g" \
    -e "s|@GCC_VERSION@|$(upstream "$gcc")|g" -e "s|@GCC_DEB_VERSION@|$gcc|g" \
    -e "s|@MINGW_VERSION@|$(upstream "$mingw")|g" -e "s|@MINGW_DEB_VERSION@|$mingw|g" \
    -e "s|@CLI11_VERSION@|$(upstream "$(debian_version libcli11-dev)")|g" \
    -e "s|@JSON_VERSION@|$(upstream "$(debian_version nlohmann-json3-dev)")|g" \
    -e 's/$/\r/' "$SRC/packaging/LICENCIAS.txt.in" >"$out/LICENCIAS.txt"
  ! grep -q '@[A-Z0-9_]*@' "$out/LICENCIAS.txt" || die "LICENCIAS.txt has an unfilled field"
  rm -rf "$tmp"
}

# The portable folder: the Windows installation folder as the build laid it
# out, the notices and the decoder's source package.
portable_folder() {
  PORTABLE="$STAGE/win64/TamrelOrvane-$VERSION"
  mkdir -p "$PORTABLE/fuentes"
  cp -a "$WIN_INSTALL"/. "$PORTABLE/"
  cp -a "$STAGE/notices"/. "$PORTABLE/"
  local f
  for f in "${FFMPEG_SOURCE_FILES[@]}"; do
    check_sha256 "$DEPS/downloads/$f"
    cp "$DEPS/downloads/$f" "$PORTABLE/fuentes/"
  done
  normalise "$PORTABLE"
}

# Same modes and times on every run; archives take both from the files.
normalise() { # folder
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f \( -name '*.exe' -o -name '*.dll' \) -exec chmod 0755 {} +
  find "$1" -type f ! -name '*.exe' ! -name '*.dll' -exec chmod 0644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

make_zip() {
  ZIP="$DIST/TamrelOrvane-$VERSION-win64.zip"
  rm -f "$ZIP"
  # -X: no extra fields (owners, extended times); entries in sorted order.
  (cd "$(dirname "$PORTABLE")" && find "$(basename "$PORTABLE")" | sort | zip -q -X -9 "$ZIP" -@)
  note "$(basename "$ZIP")"
}

# The installer's file lists, one line per file of the portable folder, and
# the uninstaller's, which removes exactly those and then the emptied folders.
nsis_lists() { # portable-folder stage
  local dir file win
  : >"$2/files.nsh"
  : >"$2/unfiles.nsh"
  while IFS= read -r dir; do
    win="${dir#.}"
    win="${win//\//\\}"
    printf 'SetOutPath "$INSTDIR%s"\n' "$win" >>"$2/files.nsh"
    while IFS= read -r file; do
      printf 'File "%s"\n' "$1/${dir#./}/$file" | sed 's|/\./|/|; s|//|/|' >>"$2/files.nsh"
      printf 'Delete "$INSTDIR%s\\%s"\n' "$win" "$file" >>"$2/unfiles.nsh"
    done < <(find "$1/$dir" -mindepth 1 -maxdepth 1 -type f -printf '%f\n' | sort)
  done < <(cd "$1" && find . -type d | sort)
  while IFS= read -r dir; do
    win="${dir#.}"
    printf 'RMDir "$INSTDIR%s"\n' "${win//\//\\}" >>"$2/unfiles.nsh"
  done < <(cd "$1" && find . -mindepth 1 -type d | sort -r)
}

make_installer() {
  SETUP="$DIST/TamrelOrvane-$VERSION-win64-setup.exe"
  local nsis="$STAGE/nsis" kb
  mkdir -p "$nsis"
  nsis_lists "$PORTABLE" "$nsis"
  kb="$(find "$PORTABLE" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%d", (s + 1023) / 1024 }')"
  printf '!define INSTALLED_KB %d\n' "$kb" >"$nsis/size.nsh"
  cp "$SRC/build/linux/generated/tamrel.ico" "$nsis/tamrel.ico"
  # The licence page reads UTF-16 with a byte-order mark as Unicode.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$STAGE/notices/LICENCIAS.txt"; } >"$nsis/licencia-pagina.txt"
  normalise "$nsis"
  rm -f "$SETUP"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DSTAGE="$nsis" -DOUTFILE="$SETUP" \
    "$SRC/packaging/windows/installer.nsi" >"$STAGE/makensis.log" 2>&1 ||
    die "makensis failed, see $STAGE/makensis.log"
  note "$(basename "$SETUP")"
}

# The console program for Debian: the program, its runtime and its model in
# /usr/lib/tamrel-orvane, the command in /usr/bin, the decoder from Debian's
# ffmpeg package through a link beside the program.
make_deb() {
  DEB="$DIST/tamrel-orvane_${VERSION}_amd64.deb"
  local pkg="$STAGE/deb/root" lib="$STAGE/deb/root/usr/lib/tamrel-orvane"
  local doc="$STAGE/deb/root/usr/share/doc/tamrel-orvane"
  mkdir -p "$lib" "$pkg/usr/bin" "$doc" "$pkg/DEBIAN"
  install -m 0755 "$LINUX_INSTALL/tamrel" "$lib/tamrel"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$lib/tamrel"
  install -m 0644 "$LINUX_INSTALL/libonnxruntime.so.1" "$LINUX_INSTALL/beat_this.onnx" "$lib/"
  ln -s ../../bin/ffmpeg "$lib/ffmpeg"
  ln -s ../lib/tamrel-orvane/tamrel "$pkg/usr/bin/tamrel"
  sed "s|@YEAR@|$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)|" "$SRC/packaging/debian/copyright.in" >"$doc/copyright"
  cat "$SRC/LICENSE" | sed 's/^$/./; s/^/ /' >>"$doc/copyright"
  cp "$STAGE/notices/licencias/onnxruntime-terceros.txt" "$doc/"
  mkdir -p "$pkg/usr/share/lintian/overrides"
  cp "$SRC/packaging/debian/lintian-overrides" "$pkg/usr/share/lintian/overrides/tamrel-orvane"
  sed -e "s|@VERSION@|$VERSION|g" -e "s|@DATE@|$(date -u -R -d "@$SOURCE_DATE_EPOCH")|" \
    "$SRC/packaging/debian/changelog.in" | gzip -9n >"$doc/changelog.gz"
  local depends
  depends="$(cd "$STAGE/deb" && mkdir -p debian && printf 'Source: tamrel-orvane\n\nPackage: tamrel-orvane\nArchitecture: amd64\n' >debian/control &&
    dpkg-shlibdeps -O "-l$lib" -e"$lib/tamrel" -e"$lib/libonnxruntime.so.1" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')"
  [[ -n "$depends" ]] || die "dpkg-shlibdeps found no dependencies"
  sed -e "s|@VERSION@|$VERSION|" -e "s|@DEPENDS@|ffmpeg, $depends|" \
    -e "s|@INSTALLED_SIZE@|$(du -sk --apparent-size "$pkg/usr" | cut -f 1)|" \
    "$SRC/packaging/debian/control.in" >"$pkg/DEBIAN/control"
  (cd "$pkg" && find usr -type f | sort | xargs md5sum) >"$pkg/DEBIAN/md5sums"
  find "$pkg" -type d -exec chmod 0755 {} +
  chmod 0644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"
  find "$pkg" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  rm -f "$DEB"
  dpkg-deb --root-owner-group -Zxz --build "$pkg" "$DEB" >/dev/null
  note "$(basename "$DEB")"
}

main() {
  export_source
  # The pinned versions, file names and SHA-256 values of the dependencies.
  # shellcheck source=setup.sh
  source "$SRC/scripts/setup.sh"
  trap - EXIT
  mkdir -p "$DIST"
  rm -f "$DIST"/TamrelOrvane-*-win64.zip "$DIST"/TamrelOrvane-*-win64-setup.exe "$DIST"/tamrel-orvane_*_amd64.deb \
    "$DIST/SHA256SUMS"
  note "building both trees (log: $STAGE/build.log)"
  build_trees
  collect_notices
  portable_folder
  make_zip
  make_installer
  make_deb
  (cd "$DIST" && sha256sum "$(basename "$ZIP")" "$(basename "$SETUP")" "$(basename "$DEB")" >SHA256SUMS)
  cat "$DIST/SHA256SUMS"
}

main "$@"
