#!/usr/bin/env bash
# One capture scenario under Wine with a virtual microphone (see harness.sh).
# Usage: capture_test.sh CASE PROBE_EXE, CASE one of mono48, stereo44, quad48, six48, no_audio,
# unicode_path, lost_source, paused.
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
    quad48 | six48)
        # A different tone on every channel: the file must hold the first two exactly, unmixed.
        if [[ "$scenario" == quad48 ]]; then
            harness_start_pulse 4 48000
            harness_play_sine 997,440,660,1300 "$amplitude" 30
        else
            harness_start_pulse 6 48000
            harness_play_sine 997,440,660,1300,230,1700 "$amplitude" 30
        fi
        harness_wine "$probe" record "$(harness_winpath "$out/first-two.wav")" "$seconds" 2 48000 \
            "$amplitude" 997 440
        ;;
    lost_source | paused)
        # Something happens to the microphone 2 s into a recording of 8 s. Unloading the source's
        # module makes Wine's stream stop delivering; the recording waits for a microphone until
        # it is stopped, and the file holds what came before. Holding the process for 2 s, longer
        # than the stream's 1 s buffer, loses about a second of audio, which Wine reports as a gap
        # in some runs only; the recording goes on.
        harness_start_pulse 2 48000
        harness_play_sine 997,440 "$amplitude" 30
        most=3.5
        [[ "$scenario" == paused ]] && most=7.5
        log="$HARNESS_RUN/probe.log"
        harness_wine_background "$log" "$probe" ending "$(harness_winpath "$out/event.wav")" 8 \
            stopped "$most"
        probe_pid=$HARNESS_LAST_PID
        # Once the recording runs: Wine's audio driver itself faults when its source goes away
        # while a stream is being set up.
        harness_wait_for "the probe's recording stream" 20 harness_pulse_recording
        sleep 2
        if [[ "$scenario" == lost_source ]]; then
            pactl unload-module module-null-sink
        else
            # The Wine process running the probe: its unix command line names the program.
            paused_pid=$(pgrep -f -n 'capture_probe\.exe ending') ||
                harness_fail "the probe's process is not found" "$log"
            kill -STOP "$paused_pid"
            sleep 2
            kill -CONT "$paused_pid"
        fi
        status=0
        wait "$probe_pid" || status=$?
        cat "$log"
        ((status == 0)) || harness_fail "the probe failed ($status)" "$log"
        ;;
    no_audio)
        harness_no_audio
        harness_wine "$probe" nomic "$(harness_winpath "$out/none.wav")"
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
