#!/usr/bin/env bash
# Builds voxwell.exe and runs it under Wine.
#
# With a usable display ($DISPLAY answers) the window opens there and records the default
# microphone; the script returns when the window is closed. Without one (a server, CI) it starts
# a virtual display and a virtual microphone playing a 440 Hz tone, makes a short recording by
# clicking through the window as a user would, and says how long the WAV file it wrote is and
# where it and a screenshot are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target voxwell
exe="$root/build/windows/app/voxwell.exe"

export HARNESS_ROOT="$root/build/windows/wine"
source tests/windows/harness.sh
harness_init
harness_wine_prefix run

if harness_display_usable; then
    echo "Starting Voxwell on $DISPLAY"
    wine "$exe" || true
    exit 0
fi

out="$root/build/windows/run"
rm -rf "$out"
mkdir -p "$out"
wav="$out/demo.wav"
shot="$out/screenshot.png"

harness_start_xvfb
harness_start_pulse 1 48000
harness_play_sine 440 0.5 60

# Started in the output folder, where the save dialog opens.
pushd "$out" >/dev/null
harness_wine_background "$HARNESS_RUN/voxwell.log" "$exe"
voxwell=$HARNESS_LAST_PID
popd >/dev/null

title="Voxwell: Thread-Safe GUI 64K FFT"
harness_wait_for "the Voxwell window" 30 xdotool search --name "^$title\$"
window=$(xdotool search --name "^$title\$" | head -n 1)

# With no window manager the X window is the client area: Start is at (20, 20), 140 x 30, and
# Stop at (180, 20), 80 x 30.
xdotool mousemove --window "$window" 90 35 click 1
harness_wait_for "the save dialog" 30 xdotool search --name '^Save As$'
dialog=$(xdotool search --name '^Save As$' | head -n 1)
xdotool windowfocus --sync "$dialog"
# The proposed name is selected: typing replaces it.
xdotool type --delay 20 demo.wav
xdotool key Return

# The spectrum appears once 65,536 samples (1.4 s) have been taken.
sleep 4
import -window root "$shot"
sleep 1
xdotool mousemove --window "$window" 220 35 click 1
harness_wait_for "the recording" 30 test -s "$wav"
sleep 1
xdotool key --window "$window" alt+F4 || true
# Closing waits for the recording to be finished: once the program has ended the file is whole.
voxwell_ended() { ! kill -0 "$voxwell" 2>/dev/null; }
harness_wait_for "Voxwell to close" 30 voxwell_ended

# The stream starts a second or two after the click under Wine: the file says what it holds.
seconds=$(soxi -D "$wav") || harness_fail "the WAV file cannot be read" "$HARNESS_RUN/voxwell.log"
printf 'Recorded %.2f s of a 440 Hz tone from a virtual microphone on a virtual display.\n' \
    "$seconds"
echo "WAV file:   $wav"
echo "Screenshot: $shot"
