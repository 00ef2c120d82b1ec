#!/usr/bin/env bash
# Prepares a Debian bookworm machine (as root) to build and test the program:
# the system packages, then in the dependency cache the prebuilt runtime, its
# header and the Windows decoder, built here from Debian's patched FFmpeg
# source. Idempotent: a second run touches neither apt nor the network and
# rebuilds nothing.
set -euo pipefail

DEPS="${TAMREL_DEPS_DIR:-$HOME/.cache/tamrel-orvane}"
JOBS="${TAMREL_JOBS:-2}"
ORT_NPM=onnxruntime-node@1.30.0
ORT_TARBALL=onnxruntime-node-1.30.0.tgz
HEADER_DEB_VERSION=1.21.0+dfsg-1
HEADER_DEB=libonnxruntime-dev_${HEADER_DEB_VERSION}_amd64.deb
# Debian bookworm's FFmpeg source package, security fixes included. A new
# Debian revision means new file names and checksums here.
FFMPEG_DEB_VERSION=7:5.1.9-0+deb12u1
FFMPEG_DSC=ffmpeg_5.1.9-0+deb12u1.dsc
FFMPEG_SOURCE_FILES=("$FFMPEG_DSC" ffmpeg_5.1.9.orig.tar.xz ffmpeg_5.1.9.orig.tar.xz.asc
  ffmpeg_5.1.9-0+deb12u1.debian.tar.xz)
# Debian bookworm's Ogg and Vorbis source packages, for the Windows build's
# encoder of the game loop file (natively Debian's own -dev packages serve).
OGG_DEB_VERSION=1.3.5-3
VORBIS_DEB_VERSION=1.3.7-1
OGG_SOURCE_FILES=(libogg_1.3.5-3.dsc libogg_1.3.5.orig.tar.xz libogg_1.3.5-3.debian.tar.xz)
VORBIS_SOURCE_FILES=(libvorbis_1.3.7-1.dsc libvorbis_1.3.7.orig.tar.gz libvorbis_1.3.7-1.debian.tar.xz)

# Every downloaded file must match the SHA-256 pinned here before it is used.
declare -A SHA256=(
  [$ORT_TARBALL]=6e3390d6b783e7be946fad629292799da28d0b42f84856e50d2c1b0383291e75
  [$HEADER_DEB]=14f7d959d5deacbcf1504830d4189f91fc67382b399ed9ae9d3aa9c4050ced08
  [ffmpeg_5.1.9-0+deb12u1.dsc]=055f82fca9a92f1d47216be2c2488d09373c7ca154806fbc36b0127c191d5104
  [ffmpeg_5.1.9.orig.tar.xz]=d9b593bb2ba93d4b50f74177e0cdcd41747e708596367deed0c30348a71dd176
  [ffmpeg_5.1.9.orig.tar.xz.asc]=443e6cdfe1560aab22f90ec40a967866ee04d5bbea32bc32625bd6e514d589f4
  [ffmpeg_5.1.9-0+deb12u1.debian.tar.xz]=71b20472ecd2764bc98e3229d34c0f7c8dcfe4a6cbacc23fd5604c23bac04632
  [libogg_1.3.5-3.dsc]=dd0bac7c6961f95290250f82940aba93582edc3924372afc8fd310af5db995a0
  [libogg_1.3.5.orig.tar.xz]=c4d91be36fc8e54deae7575241e03f4211eb102afb3fc0775fbbc1b740016705
  [libogg_1.3.5-3.debian.tar.xz]=980cc7c95d72d2a9c56cf9d602b8296c6551528890f28fee6769b801ea0e54f3
  [libvorbis_1.3.7-1.dsc]=b25d27beb9162607c95cf58aa2b764d110bd1a1568d3926a96c523320b49171f
  [libvorbis_1.3.7.orig.tar.gz]=0e982409a9c3fc82ee06e08205b1355e5c6aa4c36bca58146ef399621b0ce5ab
  [libvorbis_1.3.7-1.debian.tar.xz]=c5c40944a3fc1cdd1ce019ef21f580ce5ed3b9f30e0cba7b3d859e8d9fea631f
)

# The Windows decoder holds only what the program's decoder command line
# needs: every other decoder, demuxer and protocol is left out, so that a
# hostile song can reach as little code as possible.
FFMPEG_CONFIGURE=(
  --target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32- --enable-cross-compile
  # A user's machine has no MinGW runtime DLLs.
  --enable-static --disable-shared --extra-ldflags=-static
  # Start from nothing and never pick up a library merely because this
  # machine happens to have it.
  --disable-everything --disable-autodetect --pkg-config=false
  # Only the command-line decoder itself: no player, no prober, no devices,
  # no network code at all, no documentation.
  --disable-ffplay --disable-ffprobe --disable-avdevice --disable-swscale
  --disable-network --disable-doc --disable-debug
  # Songs are local files; the song audio leaves through standard output.
  --enable-protocol=file,pipe
  # The containers of the supported formats: MP3, WAV, FLAC, OGG/Opus,
  # M4A/MP4, AAC (ADTS), Matroska/WebM, WMA.
  --enable-demuxer=mp3,wav,flac,ogg,mov,aac,matroska,asf
  # Packetisers those demuxers rely on for raw streams.
  --enable-parser=mpegaudio,aac,flac,vorbis,opus
  # The audio codecs those containers carry. For MPEG audio, the variant a
  # full build would pick: floating point for layer 3, fixed point for 1 and 2.
  --enable-decoder=mp3float,mp2,mp1,aac,alac,flac,vorbis,opus
  --enable-decoder=wmav1,wmav2,wmapro,wmalossless
  --enable-decoder=pcm_u8,pcm_s8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be
  --enable-decoder=pcm_f32le,pcm_f32be,pcm_f64le,pcm_f64be,pcm_alaw,pcm_mulaw
  --enable-decoder=adpcm_ms,adpcm_ima_wav,adpcm_ima_qt
  # Both outputs are raw little-endian 32-bit float.
  --enable-muxer=pcm_f32le --enable-encoder=pcm_f32le
  # The analysis audio's resampler and the channel and rate conversion.
  --enable-swresample --enable-filter=aresample
)

PACKAGES=(cmake g++ make git ffmpeg libssl-dev googletest libgtest-dev ccache
  # Building the Windows decoder from Debian's source package.
  nasm dpkg-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth clang libfuzzer-14-dev libclang-rt-14-dev
  debian-archive-keyring ca-certificates xz-utils
  # Wine's X11 driver loads these at run time (windows under the virtual display).
  libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
  # Wine's ALSA driver plays through it; the playback tests record its output with the file plugin.
  libasound2
  # The game loop file's Vorbis encoder, and the independent readers its tests use.
  libvorbis-dev libogg-dev pkg-config libsndfile1-dev sndfile-programs
  # The console program's argument parser and JSON writer (header-only, both targets).
  libcli11-dev nlohmann-json3-dev
  # The releases (scripts/release.sh): the Windows installer, the portable zip,
  # the Debian package and its checker.
  nsis zip lintian)
command -v npm >/dev/null || PACKAGES+=(npm)

log() { printf 'setup: %s\n' "$*"; }
# Unfinished downloads never stay behind, whether a run succeeds or fails.
FETCH_DIRS=()
trap 'rm -rf "${FETCH_DIRS[@]}"' EXIT
new_fetch_dir() {
  FETCH_DIR="$(mktemp -d "$DEPS/downloads/.fetch.XXXXXX")"
  FETCH_DIRS+=("$FETCH_DIR")
}
fail() {
  printf 'setup: %s\n' "$*" >&2
  exit 1
}

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
  if ((${#missing[@]} == 0)); then
    log "system packages already installed"
    return
  fi
  log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
}

# Fails unless the file has the SHA-256 pinned for its name. A fresh download
# is checked before it gets its final name; a cached one on every run.
check_sha256() { # file [name]
  local name="${2:-$(basename "$1")}" want got
  want="${SHA256[$name]:-}"
  [[ -n "$want" ]] || fail "no SHA-256 pinned for $name"
  got="$(sha256sum "$1" | cut -d ' ' -f 1)"
  [[ "$got" == "$want" ]] && return
  if [[ "$1" == */.fetch.* ]]; then
    fail "SHA-256 mismatch for the downloaded $name: expected $want, got $got. The download is not used."
  fi
  fail "SHA-256 mismatch for $1: expected $want, got $got. Delete the file and run again to fetch it anew."
}

# A private apt state for one extra source list, so that the machine's own
# lists and configuration stay untouched.
private_apt_opts() { # state-folder
  local s="$1"
  mkdir -p "$s/etc" "$s/lists/partial" "$s/archives/partial"
  APT_OPTS=(-o "Dir::Etc::SourceList=$s/etc/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$s/lists" -o "Dir::Cache::Archives=$s/archives"
    -o Dir::State::Status=/dev/null -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
}

# npm pack only fetches the published tarball; no package script runs.
fetch_npm() { # spec tarball
  local file="$DEPS/downloads/$2"
  if [[ -s "$file" ]]; then
    check_sha256 "$file"
    return
  fi
  log "fetching $1"
  new_fetch_dir
  local tmp="$FETCH_DIR"
  (cd "$tmp" && npm pack --silent "$1" >/dev/null)
  [[ -s "$tmp/$2" ]] || fail "$2 missing after npm pack"
  check_sha256 "$tmp/$2" "$2"
  mv "$tmp/$2" "$file" # only a complete, checked download gets its final name
  rm -rf "$tmp"
}

# The C header is the same across runtime versions of one API family; we take
# it from Debian's development package without installing that package.
fetch_header_deb() {
  local file="$DEPS/downloads/$HEADER_DEB"
  if [[ -s "$file" ]]; then
    check_sha256 "$file"
    return
  fi
  local s="$DEPS/apt-trixie"
  private_apt_opts "$s"
  echo 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main' >"$s/etc/sources.list"
  log "fetching libonnxruntime-dev $HEADER_DEB_VERSION"
  apt-get "${APT_OPTS[@]}" update
  new_fetch_dir
  local tmp="$FETCH_DIR"
  (cd "$tmp" && apt-get "${APT_OPTS[@]}" download "libonnxruntime-dev=$HEADER_DEB_VERSION") ||
    fail "Debian does not offer libonnxruntime-dev $HEADER_DEB_VERSION; set HEADER_DEB_VERSION and its SHA-256 to a version it offers"
  [[ -s "$tmp/$HEADER_DEB" ]] || fail "$HEADER_DEB missing after apt-get download"
  check_sha256 "$tmp/$HEADER_DEB"
  mv "$tmp/$HEADER_DEB" "$file"
  rm -rf "$tmp"
}

fetch_ffmpeg_source() {
  fetch_debian_source "ffmpeg=$FFMPEG_DEB_VERSION" "${FFMPEG_SOURCE_FILES[@]}"
}

# Fetches one source package of bookworm into the downloads, unless every
# one of its files is there already, checked.
fetch_debian_source() { # package=version file...
  local spec="$1" f missing=0
  shift
  for f in "$@"; do
    if [[ -s "$DEPS/downloads/$f" ]]; then
      check_sha256 "$DEPS/downloads/$f"
    else
      missing=1
    fi
  done
  ((missing)) || return 0
  local s="$DEPS/apt-bookworm-src"
  private_apt_opts "$s"
  cat >"$s/etc/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
  log "fetching the source package $spec"
  apt-get "${APT_OPTS[@]}" update
  new_fetch_dir
  local tmp="$FETCH_DIR"
  (cd "$tmp" && apt-get "${APT_OPTS[@]}" source --download-only "$spec") ||
    fail "Debian does not offer the source $spec; set the version, the file names and their SHA-256 to the one it offers"
  for f in "$@"; do
    [[ -s "$tmp/$f" ]] || fail "$f missing after apt-get source"
    check_sha256 "$tmp/$f"
  done
  for f in "$@"; do
    mv "$tmp/$f" "$DEPS/downloads/$f"
  done
  rm -rf "$tmp"
}

# Builds the Windows decoder once. The build key names the source and the
# configuration, so that changing either here rebuilds it on the next run.
build_ffmpeg_windows() {
  local out="$DEPS/ffmpeg-windows" key
  key="$(printf '%s\n' "$FFMPEG_DEB_VERSION" "${FFMPEG_CONFIGURE[@]}" | sha256sum | cut -d ' ' -f 1)"
  if [[ -s "$out/ffmpeg.exe" && "$(cat "$out/build-key" 2>/dev/null)" == "$key" ]]; then
    return
  fi
  local work="$out/build"
  rm -rf "$work" # what an interrupted run left behind
  mkdir -p "$work"
  log "building the Windows decoder from FFmpeg $FFMPEG_DEB_VERSION (log: $work/build.log)"
  # Unpacking through dpkg-source checks the files against the .dsc and
  # applies Debian's own patches. It cannot check the .dsc's signature without
  # Debian's developer keyring; apt has checked the file against the signed
  # archive index, and its SHA-256 is pinned above.
  dpkg-source -x "$DEPS/downloads/$FFMPEG_DSC" "$work/src" >"$work/build.log" 2>&1 ||
    fail "unpacking the FFmpeg source failed, see $work/build.log"
  mkdir "$work/obj"
  (cd "$work/obj" && ../src/configure "${FFMPEG_CONFIGURE[@]}" && make -j"$JOBS") >>"$work/build.log" 2>&1 ||
    fail "building the Windows decoder failed, see $work/build.log"
  cp "$work/obj/ffmpeg.exe" "$out/ffmpeg.exe.part"
  mv "$out/ffmpeg.exe.part" "$out/ffmpeg.exe"
  echo "$key" >"$out/build-key"
  rm -rf "$work"
}

# Builds static Windows libogg and libvorbis once, from Debian's patched
# sources, for the game loop file's encoder. The build key names both
# versions, so a new one rebuilds them on the next run.
build_vorbis_windows() {
  local out="$DEPS/vorbis-windows" key
  key="$(printf '%s\n' "$OGG_DEB_VERSION" "$VORBIS_DEB_VERSION" static | sha256sum | cut -d ' ' -f 1)"
  if [[ -s "$out/lib/libvorbisenc.a" && "$(cat "$out/build-key" 2>/dev/null)" == "$key" ]]; then
    return
  fi
  local work="$DEPS/vorbis-windows-build"
  rm -rf "$work" "$out" # what an interrupted run left behind
  mkdir -p "$work"
  log "building the Windows Ogg Vorbis encoder from libogg $OGG_DEB_VERSION and libvorbis $VORBIS_DEB_VERSION (log: $work/build.log)"
  local host=(--host=x86_64-w64-mingw32 --prefix="$work/prefix" --disable-shared --enable-static)
  {
    dpkg-source -x "$DEPS/downloads/${OGG_SOURCE_FILES[0]}" "$work/ogg" &&
      dpkg-source -x "$DEPS/downloads/${VORBIS_SOURCE_FILES[0]}" "$work/vorbis" &&
      (cd "$work/ogg" && ./configure "${host[@]}" && make -j"$JOBS" && make install) &&
      # Only the Ogg library just built, never this machine's own.
      (cd "$work/vorbis" && PKG_CONFIG_LIBDIR="$work/prefix/lib/pkgconfig" PKG_CONFIG_PATH= \
        ./configure "${host[@]}" --disable-examples --disable-docs --disable-oggtest &&
        make -j"$JOBS" && make install)
  } >"$work/build.log" 2>&1 || fail "building the Windows Ogg Vorbis encoder failed, see $work/build.log"
  mkdir -p "$out.part"
  cp -r "$work/prefix/include" "$work/prefix/lib" "$out.part/"
  echo "$key" >"$out.part/build-key"
  mv "$out.part" "$out"
  rm -rf "$work"
}

extract_from_tarball() { # tarball member destination
  [[ -s "$3" ]] && return
  mkdir -p "$(dirname "$3")"
  tar -xzf "$1" -O "$2" >"$3.part"
  mv "$3.part" "$3"
}

main() {
  install_packages
  mkdir -p "$DEPS/downloads"
  fetch_npm "$ORT_NPM" "$ORT_TARBALL"
  fetch_header_deb
  fetch_ffmpeg_source
  fetch_debian_source "libogg=$OGG_DEB_VERSION" "${OGG_SOURCE_FILES[@]}"
  fetch_debian_source "libvorbis=$VORBIS_DEB_VERSION" "${VORBIS_SOURCE_FILES[@]}"

  local header="$DEPS/onnxruntime/include/onnxruntime_c_api.h"
  if [[ ! -s "$header" ]]; then
    local tmp
    tmp="$(mktemp -d)"
    dpkg -x "$DEPS/downloads/$HEADER_DEB" "$tmp"
    mkdir -p "$(dirname "$header")"
    cp "$tmp/usr/include/onnxruntime/onnxruntime_c_api.h" "$header"
    rm -rf "$tmp"
  fi
  extract_from_tarball "$DEPS/downloads/$ORT_TARBALL" package/bin/napi-v6/linux/x64/libonnxruntime.so.1 \
    "$DEPS/onnxruntime/linux-x64/libonnxruntime.so.1"
  extract_from_tarball "$DEPS/downloads/$ORT_TARBALL" package/bin/napi-v6/win32/x64/onnxruntime.dll \
    "$DEPS/onnxruntime/win-x64/onnxruntime.dll"
  build_ffmpeg_windows
  build_vorbis_windows
  log "dependencies ready in $DEPS"
}

# scripts/release.sh sources this file for the pinned versions and checksums.
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  main "$@"
fi
