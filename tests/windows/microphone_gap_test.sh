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
# Wine logs a thread's power requests, which it does not act on, as warnings of ntdll.
export WINEDEBUG="$WINEDEBUG,warn+ntdll"
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
# The system kept awake from the stream's start to the recording's end, and let go then, by one
# thread (a power request is the thread's own).
read -r -a requests <<<"$(grep -o '[0-9a-f]*:warn:ntdll:NtSetThreadExecutionState (0x[0-9a-f]*' \
    "$log" | sed 's/:warn.*(/ /' | tr '\n' ' ')"
[[ "${requests[*]}" == "${requests[0]:-none} 0x80000001 ${requests[0]:-none} 0x80000000" ]] ||
    harness_fail "power requests (thread, flags): '${requests[*]}'" "$log"
