#!/usr/bin/env bash
# Records a known sine with the real window under Wine, takes a screenshot while it records and
# checks the live panels in it. Keeps the window's part of the screenshot as SHOTS/recording.png.
# Usage: screenshot_test.sh VOXWELL_EXE DRIVER_EXE CHECKER_EXE SHOTS
set -euo pipefail
voxwell=$1 driver=$2 checker=$3 shots=$4

# A tone on an exact FFT bin: bin 10,247 of 65,536 at 48 kHz. Every 192nd sample of it advances
# by 21/1024 of a cycle, so the waveform panel shows about seven slow cycles.
rate=48000
frequency=7505.126953125
amplitude=0.8

source "$(dirname "$0")/harness.sh"
harness_init
harness_wine_prefix display
harness_start_xvfb
harness_start_pulse 1 "$rate"
harness_play_sine "$frequency" "$amplitude" 60

run=$HARNESS_RUN
harness_wine_background "$run/voxwell.log" "$voxwell"
harness_wine "$driver" start "$(harness_winpath "$run/recording.wav")" >"$run/start.txt" ||
    harness_fail "no recording started" "$run/start.txt" "$run/voxwell.log"
read -r _ x y width height < <(grep '^client ' "$run/start.txt") ||
    harness_fail "the driver gave no window position" "$run/start.txt"

# Long enough for a full waveform history (1.4 s) and several analysed blocks.
sleep 4
mkdir -p "$shots"
import -window root "$run/screen.png"
convert "$run/screen.png" -crop "${width}x${height}+${x}+${y}" +repage "$shots/recording.png"
convert "$run/screen.png" "$run/screen.ppm"

status=0
harness_wine "$checker" "$(harness_winpath "$run/screen.ppm")" "$x" "$y" "$frequency" \
    "$amplitude" "$rate" || status=$?
harness_wine "$driver" stop || harness_fail "the recording did not end cleanly" "$run/voxwell.log"
harness_log "screenshot kept in $shots/recording.png"
exit "$status"
