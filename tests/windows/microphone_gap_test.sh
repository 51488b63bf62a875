#!/usr/bin/env bash
# voxwell.exe under Wine records a 48 kHz stereo virtual microphone that goes away 2 s into the
# recording and comes back 3 s later, driven by window_driver.exe (see harness.sh).
# Usage: microphone_gap_test.sh VOXWELL_EXE DRIVER_EXE
set -euo pipefail
source "$(dirname "$0")/harness.sh"

voxwell=$1
driver=$2

harness_init
harness_wine_prefix microphone_gap
harness_start_xvfb
harness_start_pulse 2 48000
harness_play_sine 997,440 0.5 60

work="$HARNESS_RUN/work"
out="$HARNESS_RUN/out"
mkdir -p "$work" "$out"
gone="$HARNESS_RUN/gone"
log="$HARNESS_RUN/driver.log"
harness_wine_background "$log" "$driver" gap "$(harness_winpath "$voxwell")" \
    "$(harness_winpath "$work")" "$(harness_winpath "$out/gap.wav")" "$(harness_winpath "$gone")"
driver_pid=$HARNESS_LAST_PID

harness_wait_for "the driver's sign to remove the microphone" 60 test -e "$gone"
harness_remove_microphone
sleep 3
harness_restore_microphone
harness_play_sine 997,440 0.5 60

status=0
wait "$driver_pid" || status=$?
cat "$log"
((status == 0)) || harness_fail "the driver failed ($status)" "$log"
