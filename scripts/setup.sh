#!/usr/bin/env bash
# Prepares a Debian bookworm machine (as root) to build and test the program:
# the system packages, then the prebuilt runtime, decoder and header in the
# dependency cache. Idempotent: a second run touches neither apt nor the network.
set -euo pipefail

DEPS="${TAMREL_DEPS_DIR:-$HOME/.cache/tamrel-orvane}"
ORT_NPM=onnxruntime-node@1.30.0
FFMPEG_NPM=@ffmpeg-installer/win32-x64@4.1.0
ORT_TARBALL=onnxruntime-node-1.30.0.tgz
FFMPEG_TARBALL=ffmpeg-installer-win32-x64-4.1.0.tgz

PACKAGES=(cmake g++ make git ffmpeg libssl-dev googletest libgtest-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth clang libfuzzer-14-dev libclang-rt-14-dev
  debian-archive-keyring ca-certificates xz-utils
  # Wine's X11 driver loads these at run time (windows under the virtual display).
  libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
  # Wine's ALSA driver plays through it; the playback tests record its output with the file plugin.
  libasound2)
command -v npm >/dev/null || PACKAGES+=(npm)

log() { printf 'setup: %s\n' "$*"; }

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

# npm pack only fetches the published tarball; no package script runs.
fetch_npm() { # spec tarball
  [[ -s "$DEPS/downloads/$2" ]] && return
  log "fetching $1"
  local tmp
  tmp="$(mktemp -d "$DEPS/downloads/.fetch.XXXXXX")"
  (cd "$tmp" && npm pack --silent "$1" >/dev/null)
  [[ -s "$tmp/$2" ]] || { echo "setup: $2 missing after npm pack" >&2; exit 1; }
  mv "$tmp/$2" "$DEPS/downloads/$2" # only a complete download gets its final name
  rm -rf "$tmp"
}

# The C header is the same across runtime versions of one API family; we take
# it from Debian's development package without installing that package.
fetch_header_deb() {
  ls "$DEPS"/downloads/libonnxruntime-dev_*.deb >/dev/null 2>&1 && return
  local s="$DEPS/apt-trixie"
  mkdir -p "$s/etc" "$s/lists/partial" "$s/archives/partial"
  echo 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main' >"$s/etc/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$s/etc/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$s/lists" -o "Dir::Cache::Archives=$s/archives"
    -o Dir::State::Status=/dev/null -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
  log "fetching libonnxruntime-dev"
  apt-get "${opts[@]}" update
  local tmp
  tmp="$(mktemp -d "$DEPS/downloads/.fetch.XXXXXX")"
  (cd "$tmp" && apt-get "${opts[@]}" download libonnxruntime-dev)
  mv "$tmp"/libonnxruntime-dev_*.deb "$DEPS/downloads/"
  rm -rf "$tmp"
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
  fetch_npm "$FFMPEG_NPM" "$FFMPEG_TARBALL"
  fetch_header_deb

  local header="$DEPS/onnxruntime/include/onnxruntime_c_api.h"
  if [[ ! -s "$header" ]]; then
    local tmp
    tmp="$(mktemp -d)"
    dpkg -x "$(ls "$DEPS"/downloads/libonnxruntime-dev_*.deb | head -n 1)" "$tmp"
    mkdir -p "$(dirname "$header")"
    cp "$tmp/usr/include/onnxruntime/onnxruntime_c_api.h" "$header"
    rm -rf "$tmp"
  fi
  extract_from_tarball "$DEPS/downloads/$ORT_TARBALL" package/bin/napi-v6/linux/x64/libonnxruntime.so.1 \
    "$DEPS/onnxruntime/linux-x64/libonnxruntime.so.1"
  extract_from_tarball "$DEPS/downloads/$ORT_TARBALL" package/bin/napi-v6/win32/x64/onnxruntime.dll \
    "$DEPS/onnxruntime/win-x64/onnxruntime.dll"
  extract_from_tarball "$DEPS/downloads/$FFMPEG_TARBALL" package/ffmpeg.exe "$DEPS/ffmpeg-win64/ffmpeg.exe"
  chmod +x "$DEPS/ffmpeg-win64/ffmpeg.exe"
  log "dependencies ready in $DEPS"
}

main "$@"
