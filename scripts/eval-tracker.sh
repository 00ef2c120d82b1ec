#!/usr/bin/env bash
# Beat-tracker evaluation: the installed beat model against two independent
# classical trackers (aubio, and Essentia's multi-feature tracker run under
# Node) on real game and demo music from Debian packages, then on the
# generated songs whose beats, bars and meters are known.
#
#   bash scripts/eval-tracker.sh [BUILD_DIR] [--only REGEX] [--real-only]
#
# BUILD_DIR defaults to build/linux. While iterating, --only keeps the real
# tracks whose name (package/file) matches the extended regular expression,
# and --real-only leaves the generated songs out.
#
# Needs a built bench_beat_tracking. Fetches the music packages with
# `apt-get download` and the Essentia package with `npm pack`, each checked
# against the SHA-256 pinned below, into $TAMREL_DEPS_DIR/tracker-eval
# (default ~/.cache/tamrel-orvane/tracker-eval); installs aubio-tools with
# apt if missing. The references are computed once per track and kept there,
# so a second run only runs our tracker. Nothing of this enters the program:
# Essentia is AGPL and used here only. Run it under `nice -n 10`.
# Prints the per-track tables and the averages; the report is also written to
# tracker-eval/report.txt.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$repo/build/linux"
only=""
mode="--evaluate"
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only="${2:?--only needs a regular expression}"; shift 2 ;;
    --real-only) mode="--evaluate-real"; shift ;;
    -*) echo "eval-tracker: unknown option $1" >&2; exit 2 ;;
    *) build="$1"; shift ;;
  esac
done
bench="$build/tests-bin/bench_beat_tracking"
deps="${TAMREL_DEPS_DIR:-$HOME/.cache/tamrel-orvane}"
eval_dir="$deps/tracker-eval"
tracks_per_package=8

# name=version  sha256  folder of the music inside the package
packages=(
  "asc-music=1.3-6 369f2d396adb8db9003ef73b797d529e284a7764a5ff4b59a50a4c8b9294da5f usr/share/games/asc/music"
  "drascula-music=1.0+ds4-2 340e0beb1bacf005cbabebc07ebdd88adf6aee363d437f8a7d73cb0c77a93e79 usr/share/scummvm/drascula/audio"
  "hyperrogue-music=12.0q-1 61ab9f4c2169442d85f42c42d26e80c1a18b93c741f3d44f1b9d83015904e7f7 usr/share/hyperrogue/music"
  "planetblupi-music-ogg=1.14.2-3 7d89a6d00b43cdb601e35256ab1a62814d203b5922cfed6a0e73e98486e82fa6 usr/share/planetblupi/music"
  "pushover-data=0.0.5+git20180909-4 75f52ad553c73660489631b4b4eeb308c3601beee68a097abdd5f2e4e442cbfb usr/share/pushover/themes"
  "warzone2100-music=4.3.3-3 d3b2c9f90ea5438d45d4aff18339a03ec808e1affa9dac91f7dad61cb15ee64e usr/share/games/warzone2100/music/albums"
)
essentia_version=0.1.3
essentia_sha256=161c53527a45b5de6ca21199084f7d92d6a2a5551cbd031e23ae8e461686bfdf

die() { echo "eval-tracker: $*" >&2; exit 1; }
command -v ffmpeg >/dev/null || die "ffmpeg missing"
command -v node >/dev/null && command -v npm >/dev/null || die "node and npm missing"
if ! command -v aubio >/dev/null; then
  apt-get -o DPkg::Lock::Timeout=900 install -y aubio-tools >/dev/null
fi

check_sha() {  # file sha256
  echo "$2  $1" | sha256sum -c --status || die "$1 does not match its pinned SHA-256"
}

mkdir -p "$eval_dir/debs" "$eval_dir/npm" "$eval_dir/node" "$eval_dir/pkgs" "$eval_dir/tracks"

# Essentia for Node, from the pinned tarball.
tgz="$eval_dir/npm/essentia.js-$essentia_version.tgz"
if [ ! -f "$tgz" ]; then
  (cd "$eval_dir/npm" && npm pack --silent "essentia.js@$essentia_version" >/dev/null)
fi
check_sha "$tgz" "$essentia_sha256"
if [ ! -f "$eval_dir/node/node_modules/essentia.js/package.json" ]; then
  (cd "$eval_dir/node" && echo '{"private":true}' >package.json &&
   npm install --silent --no-audit --no-fund "$tgz" >/dev/null)
fi

manifest="$eval_dir/manifest.tsv"
: >"$manifest"
for entry in "${packages[@]}"; do
  read -r spec sha folder <<<"$entry"
  name="${spec%%=*}"
  version="${spec#*=}"
  deb="$(ls "$eval_dir/debs/${name}_"*.deb 2>/dev/null | head -1 || true)"
  if [ -z "$deb" ]; then
    (cd "$eval_dir/debs" && apt-get download "$spec" >/dev/null 2>&1) || die "apt-get download $spec failed"
    deb="$(ls "$eval_dir/debs/${name}_"*.deb | head -1)"
  fi
  check_sha "$deb" "$sha"
  unpacked="$eval_dir/pkgs/$name-$version"
  [ -d "$unpacked" ] || { mkdir -p "$unpacked.tmp" && dpkg-deb -x "$deb" "$unpacked.tmp" && mv "$unpacked.tmp" "$unpacked"; }

  # The first tracks in name order that the program accepts (20 s to 20 min).
  taken=0
  while IFS= read -r song; do
    [ "$taken" -lt "$tracks_per_package" ] || break
    seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$song" 2>/dev/null || echo 0)"
    awk -v s="$seconds" 'BEGIN { exit !(s >= 20 && s <= 1200) }' || continue
    rel="${song#"$unpacked/$folder/"}"
    key="$name/${rel//\//_}"
    dir="$eval_dir/tracks/$key"
    mkdir -p "$dir"
    [ -f "$dir/mono22k.f32" ] || ffmpeg -v error -nostdin -y -i "$song" -ac 1 -ar 22050 -f f32le "$dir/mono22k.f32"
    if [ ! -f "$dir/essentia.txt" ]; then
      ffmpeg -v error -nostdin -y -i "$song" -ac 1 -ar 44100 -f f32le "$dir/mono44k.f32"
      NODE_PATH="$eval_dir/node/node_modules" node "$repo/scripts/eval-tracker/essentia-beats.js" \
        "$dir/mono44k.f32" "$dir/essentia.tmp"
      mv "$dir/essentia.tmp" "$dir/essentia.txt"
      rm -f "$dir/mono44k.f32"
    fi
    if [ ! -f "$dir/aubio.txt" ]; then
      ffmpeg -v error -nostdin -y -i "$song" -ac 1 -ar 44100 "$dir/song.wav"
      aubio beat -i "$dir/song.wav" >"$dir/aubio.tmp"
      mv "$dir/aubio.tmp" "$dir/aubio.txt"
      rm -f "$dir/song.wav"
    fi
    printf '%s\t%s\t%s\t%s\n' "$key" "$dir/mono22k.f32" "$dir/essentia.txt" "$dir/aubio.txt" >>"$manifest"
    taken=$((taken + 1))
  done < <(find "$unpacked/$folder" -type f \( -name '*.ogg' -o -name '*.mp3' -o -name '*.opus' -o -name '*.flac' -o -name '*.wav' \) | LC_ALL=C sort)
  [ "$taken" -gt 0 ] || die "no tracks taken from $name"
done

[ -x "$bench" ] || die "no $bench: build it first (cmake --build $build --target bench_beat_tracking)"
selected="$manifest"
if [ -n "$only" ]; then
  selected="$eval_dir/manifest-selected.tsv"
  awk -F '\t' -v re="$only" '$1 ~ re' "$manifest" >"$selected"
  [ -s "$selected" ] || die "no track matches $only"
fi
"$bench" "$mode" "$selected" | tee "$eval_dir/report.txt"
