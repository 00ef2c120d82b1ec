#!/usr/bin/env bash
# Runs the Windows playback tests under Wine with a sound output the tests
# can check: ALSA's default device either records every sample that Wine
# plays into a file ("capture") or does not exist ("none").
#   run_with_audio.sh capture|none WORK_FOLDER test_playback.exe [gtest arguments]
# WORK_FOLDER keeps a private HOME (for .asoundrc) and a Wine prefix of its
# own, so the audio set-up never reaches another test's prefix.
set -euo pipefail
output="$1" work="$2" exe="$3"
shift 3

mkdir -p "$work/home"
capture="$work/capture.raw"
rm -f "$capture"
case "$output" in
  capture)
    # The file plugin writes what the application plays, byte for byte;
    # the null device behind it accepts anything at once.
    printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' "$capture" >"$work/home/.asoundrc"
    export TAMREL_AUDIO_CAPTURE="Z:$capture"
    filter='WaveOutCapture.*'
    ;;
  none)
    printf 'pcm.!default { type hw; card 97 }\nctl.!default { type hw; card 97 }\n' >"$work/home/.asoundrc"
    export TAMREL_AUDIO_NO_DEVICE=1
    filter='NoSoundDevice.*'
    ;;
  *)
    echo "run_with_audio.sh: unknown output '$output'" >&2
    exit 2
    ;;
esac

export HOME="$work/home"
export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
# Wine's PulseAudio driver off, so the ALSA driver plays; no Mono or Gecko
# installer dialogs when the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$work/wineprefix.lock"
fi

# The test program fails when the filter selects no test (a renamed test
# must not leave this run passing on nothing).
status=0
wine "$exe" --gtest_filter="$filter" "$@" || status=$?
wineserver -w || true
exit "$status"
