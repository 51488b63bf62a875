#!/usr/bin/env bash
# voxwell.exe under Wine on a private display, with a virtual microphone playing a 440 Hz sine,
# driven from outside by window_driver.exe (see harness.sh for the environment).
# Usage: window_test.sh VOXWELL_EXE DRIVER_EXE
set -euo pipefail
source "$(dirname "$0")/harness.sh"

voxwell=$1
driver=$2
rate=48000
frequency=440

harness_init
harness_wine_prefix app
harness_start_xvfb
harness_start_pulse 1 "$rate"
harness_play_sine "$frequency" 0.5 600

work="$HARNESS_RUN/work"
out="$HARNESS_RUN/out"
mkdir -p "$work" "$out"
win() { harness_winpath "$1"; }
export HARNESS_WINE_TIMEOUT=60

# Runs one scenario of the driver. A run whose sine the signal's own stream interrupted (exit
# status 3) proves nothing either way and is repeated, at most twice.
drive() {
    local attempt status
    for attempt in 1 2 3; do
        local started=$SECONDS
        status=0
        "${before_drive:-true}"
        harness_wine "$driver" "$1" "$(win "$voxwell")" "$(win "$work")" "${@:2}" || status=$?
        "${after_drive:-true}"
        if ((status == 0)); then
            harness_log "scenario $1 passed in $((SECONDS - started)) s"
            return 0
        fi
        ((status == 3)) || harness_fail "scenario $1 failed"
        harness_log "scenario $1: the signal underran, once more"
    done
    harness_fail "scenario $1: the signal underran in every attempt"
}

drive record "$(win "$out/take.wav")" 2 1 "$rate" "$frequency"

name=$'Aufnahme \u00fc\u20ac \U0001F600.wav'
drive record "$(win "$out/$name")" 1 1 "$rate" "$frequency"
[[ -f "$out/$name" ]] || harness_fail "no file named '$name'; found: $(ls -A "$out")"

# Closing while recording: the file is a pipe whose reader is paused, which holds the capture
# thread in the middle of writing it until the driver has looked at the waiting window.
pipe_reader() {
    rm -f "$out/closing.wav" "$out/closed.marker"
    mkfifo "$out/closing.wav"
    cat "$out/closing.wav" >"$out/closing-copy.wav" &
    reader=$!
    harness_track "$reader"
    kill -STOP "$reader"
    (
        harness_wait_for "the driver's look at the closing window" 60 \
            test -e "$out/closed.marker"
        kill -CONT "$reader"
    ) &
    harness_track "$!"
}
pipe_done() {
    kill -CONT "$reader" 2>/dev/null || true
    wait "$reader" || true
    rm -f "$out/closing.wav" "$out/closed.marker"
}
before_drive=pipe_reader after_drive=pipe_done \
    drive close "$(win "$out/closing.wav")" 2 1 "$rate" "$frequency" \
    "$(win "$out/closed.marker")" "$(win "$out/closing-copy.wav")"

drive cancel
[[ -z "$(ls -A "$work")" ]] || harness_fail "files appeared after Cancel: $(ls -A "$work")"

drive nofolder "$(win "$out/missing/x.wav")"
[[ ! -e "$out/missing" ]] || harness_fail "the missing folder was created"

# A file that cannot be written: the recording is kept and saved where the reopened dialog says.
drive retry "$(win /dev/full)" "$(win "$out/retry.wav")" 2 1 "$rate" "$frequency"

# The message loop ended from outside while recording: the file is finished, the exit code 0.
drive quit "$(win "$out/quit.wav")" 2 1 "$rate" "$frequency"

# Logging off while recording: what Wine runs then sends WM_QUERYENDSESSION and WM_ENDSESSION to
# every window and ends the processes right after; the file must be complete.
# voxwell.exe started by the driver runs under its Windows path.
voxwell_gone() {
    ! pgrep -f '[A-Z]:\\.*voxwell\.exe' >/dev/null
}
harness_wine "$driver" begin "$(win "$voxwell")" "$(win "$work")" "$(win "$out/session.wav")" ||
    harness_fail "no recording began"
sleep 2
timeout 60 wineboot --end-session --shutdown >"$HARNESS_RUN/wineboot-end.log" 2>&1 ||
    harness_fail "wineboot --end-session failed" "$HARNESS_RUN/wineboot-end.log"
harness_wait_for "voxwell.exe to end" 20 voxwell_gone
# The program kept the output of the driver that started it.
harness_check_wine_log "$HARNESS_RUN/wine-$(basename "$driver").log"
harness_wine "$driver" checkfile "$(win "$out/session.wav")" 1.8 1 "$rate" "$frequency" ||
    harness_fail "the session's end left no complete recording"
harness_log "the session's end left a complete recording"

# Devices of more channels: the first two are recorded exactly, whatever the others carry.
for channels in 4 6; do
    harness_stop_pulse
    harness_start_pulse "$channels" "$rate"
    tones=997,440,660,1300
    ((channels == 6)) && tones+=,230,1700
    harness_play_sine "$tones" 0.5 60
    drive record "$(win "$out/channels-$channels.wav")" 2 2 "$rate" 997,440
done

# Without an audio server Wine finds no capture device, as Windows on a machine without one.
harness_stop_pulse
harness_no_audio
drive nomic "$(win "$out/none.wav")"
[[ ! -e "$out/none.wav" ]] || harness_fail "a file appeared without a microphone"

expected=$(printf '%s\n' "$name" closing-copy.wav take.wav retry.wav quit.wav session.wav \
    channels-4.wav channels-6.wav | sort)
[[ "$(ls -A "$out" | sort)" == "$expected" ]] || harness_fail "unexpected files: $(ls -A "$out")"
