#!/usr/bin/env bash
# One capture scenario under Wine with a virtual microphone (see harness.sh).
# Usage: capture_test.sh CASE PROBE_EXE, CASE one of mono48, stereo44, no_audio, unicode_path.
set -euo pipefail
source "$(dirname "$0")/harness.sh"

scenario=$1
probe=$2
seconds=3
amplitude=0.5

harness_init
harness_wine_prefix capture
out="$HARNESS_RUN/out"
mkdir -p "$out"

# Not 1000 Hz: 10 ms packets would hold whole periods and a lost one would go unseen. 997 Hz
# repeats its phase only every 100 packets; 440 Hz already every 5 at 48 kHz.
case "$scenario" in
    mono48)
        harness_start_pulse 1 48000
        harness_play_sine 997 "$amplitude" 30
        harness_wine "$probe" record "$(harness_winpath "$out/mono.wav")" "$seconds" 1 48000 \
            "$amplitude" 997
        ;;
    stereo44)
        harness_start_pulse 2 44100
        harness_play_sine 997,440 "$amplitude" 30
        harness_wine "$probe" record "$(harness_winpath "$out/stereo.wav")" "$seconds" 2 44100 \
            "$amplitude" 997 440
        ;;
    no_audio)
        harness_no_audio
        harness_wine "$probe" unavailable "$(harness_winpath "$out/none.wav")"
        if [[ -n "$(ls -A "$out")" ]]; then
            harness_fail "files appeared without a microphone: $(ls -A "$out")"
        fi
        ;;
    unicode_path)
        # A BMP letter, a CJK character and one outside the BMP (a surrogate pair in UTF-16).
        name=$'Aufnahme \u00e9\u97f3 \U0001F3B5.wav'
        harness_start_pulse 1 48000
        harness_play_sine 440 "$amplitude" 30
        harness_wine "$probe" record "$(harness_winpath "$out/$name")" 1.5 1 48000 \
            "$amplitude" 440
        if [[ ! -f "$out/$name" ]]; then
            harness_fail "no file named '$name'; found: $(ls -A "$out")"
        fi
        if [[ "$(ls -A "$out")" != "$name" ]]; then
            harness_fail "other files beside '$name': $(ls -A "$out")"
        fi
        ;;
    *)
        harness_fail "unknown case $scenario"
        ;;
esac
