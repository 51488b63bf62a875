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

# Two copies of the program: the second one that chooses the file the first records into is
# refused it, and the first one's file comes out whole, also for Python's reader.
drive twocopies "$(win "$out/shared.wav")" 6 1 "$rate" "$frequency"
python3 "$(dirname "$0")/wav_check.py" "$out/shared.wav" 1 "$rate" "$frequency" 5.5 ||
    harness_fail "the file of the first copy is not a whole recording"

# The newest voxwell.exe: the driver starts it under its Windows path.
voxwell_pid() {
    pgrep -f -n '[A-Z]:\\.*voxwell\.exe'
}

# Fails unless sox reads FILE; WHEN says at what moment, for the message.
sox_reads() {
    sox "$1" -n stat 2>"$HARNESS_RUN/sox-stat.log" ||
        harness_fail "sox cannot read the file $2" "$HARNESS_RUN/sox-stat.log"
}

# Closing while recording: as the driver asks, the program's flushes to the device are held
# (strace delays its fsync calls, as a slow device would), which keeps the capture thread from
# finishing the file while the driver looks at the waiting window.
markers="$HARNESS_RUN/markers"
mkdir -p "$markers"
hold_flushes() {
    rm -f "$markers"/*
    (
        harness_wait_for "the driver's request to hold the flushes" 60 test -e "$markers/hold"
        strace -f --seccomp-bpf -qq -e trace=fsync -e inject=fsync:delay_enter=60s \
            -o /dev/null -p "$(voxwell_pid)" &
        tracer=$!
        sleep 1
        touch "$markers/held"
        harness_wait_for "the driver's look at the closing window" 60 test -e "$markers/release"
        kill "$tracer"
        wait "$tracer" || true
    ) &
    holder=$!
    harness_track "$holder"
}
release_flushes() {
    wait "$holder" || true
}
before_drive=hold_flushes after_drive=release_flushes \
    drive close "$(win "$out/closing.wav")" 2 1 "$rate" "$frequency" \
    "$(win "$markers/hold")" "$(win "$markers/held")" "$(win "$markers/release")"

drive cancel
[[ -z "$(ls -A "$work")" ]] || harness_fail "files appeared after Cancel: $(ls -A "$work")"

drive nofolder "$(win "$out/missing/x.wav")"
[[ ! -e "$out/missing" ]] || harness_fail "the missing folder was created"

# A file that cannot be written: the recording is kept and saved where the reopened dialog says.
drive retry "$(win /dev/full)" "$(win "$out/retry.wav")" 2 1 "$rate" "$frequency"

# A disk that fills up during the recording (a small tmpfs, where the machine lets the test mount
# one): what fitted stays a readable WAV file, and the whole recording is saved elsewhere. A
# filler leaves the recording 768 KiB, 8 s of the mono recording: by then the program has flushed
# the first 5.5 s and given back their memory, so the file saved elsewhere begins with what it
# reads back from the full disk. Then again, with the filler deleted once the file has failed:
# the failed file itself is chosen, and must come out whole, for it is only added to.
small="$HARNESS_RUN/small-disk"
mkdir -p "$small"
if mount -t tmpfs -o size=2m voxwell-small "$small" 2>/dev/null; then
    head -c $((1280 * 1024)) /dev/zero >"$small/filler"
    drive retry "$(win "$small/full.wav")" "$(win "$out/refilled.wav")" 11 1 "$rate" "$frequency"
    python3 "$(dirname "$0")/wav_check.py" "$small/full.wav" 1 "$rate" "$frequency" 7 ||
        harness_fail "the file on the full disk is not a consistent recording of what fitted"
    rm "$small/full.wav"
    refill() {
        rm -f "$small/again.wav"
        [[ -e "$small/filler" ]] || head -c $((1280 * 1024)) /dev/zero >"$small/filler"
    }
    before_drive=refill drive retry "$(win "$small/again.wav")" "$(win "$small/again.wav")" 11 1 \
        "$rate" "$frequency" "$(win "$small/filler")"
    umount "$small"
    harness_log "a disk that filled up left a consistent file, and the failed file took the rest"
    refilled=refilled.wav
else
    harness_log "no tmpfs can be mounted here: the disk that fills up is not tested"
    refilled=""
fi

# The program ended from outside as by a crash, 10 s into a recording: the file holds what was
# captured up to the last moments, continuous, for readers this project did not write. While it
# records, the file is readable and flushed to the device every few seconds.
killed="$out/killed.wav"
for attempt in 1 2 3; do
    rm -f "$killed"
    harness_wine_background "$HARNESS_RUN/kill-driver.log" "$driver" kill "$(win "$voxwell")" \
        "$(win "$work")" "$(win "$killed")" 10
    kill_driver=$HARNESS_LAST_PID
    harness_wait_for "the recording into killed.wav" 30 test -s "$killed"
    program_pid=$(voxwell_pid) || harness_fail "voxwell.exe is not found"
    timeout 7 strace -f --seccomp-bpf -qq -e trace=fsync,fdatasync -o "$HARNESS_RUN/fsync.log" \
        -p "$program_pid" 2>/dev/null || true
    status=0
    python3 "$(dirname "$0")/wav_check.py" "$killed" 1 "$rate" "$frequency" 2 || status=$?
    ((status == 0 || status == 3)) || harness_fail "the file cannot be read while it records"
    sox_reads "$killed" "while it records"
    fsyncs=$(grep -c 'fsync\|fdatasync' "$HARNESS_RUN/fsync.log" || true)
    ((fsyncs >= 2)) || harness_fail "$fsyncs flushes to the device in 7 s of recording"
    wait "$kill_driver" || harness_fail "the driver could not end the program" \
        "$HARNESS_RUN/kill-driver.log"
    status=0
    python3 "$(dirname "$0")/wav_check.py" "$killed" 1 "$rate" "$frequency" 9 || status=$?
    ((status == 0)) && break
    ((status == 3)) || harness_fail "the killed program's file is not a consistent recording"
    harness_log "the killed recording: the signal underran, once more"
done
((status == 0)) || harness_fail "the killed recording: the signal underran in every attempt"
sox_reads "$killed" "the killed program left"
harness_log "the killed program left $(soxi -D "$killed") s, $fsyncs flushes in 7 s"

# The message loop ended from outside while recording: the file is finished, the exit code 0.
drive quit "$(win "$out/quit.wav")" 2 1 "$rate" "$frequency"

# Logging off while recording: what Wine runs then sends WM_QUERYENDSESSION and WM_ENDSESSION to
# every window and ends the processes right after; the file must be complete.
voxwell_gone() {
    ! voxwell_pid >/dev/null
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

expected=$(printf '%s\n' "$name" shared.wav closing.wav take.wav retry.wav $refilled killed.wav \
    quit.wav session.wav channels-4.wav channels-6.wav | sort)
[[ "$(ls -A "$out" | sort)" == "$expected" ]] || harness_fail "unexpected files: $(ls -A "$out")"
