# shellcheck shell=bash
# What the Wine benchmarks share: voxwell.exe on a virtual display, recording a two-tone virtual
# microphone, started and stopped by screenshot_driver.exe. Source it from a bench script after
# setting `root` (the source tree); VOXWELL_EXE and DRIVER_EXE may name other executables.
#
#   wine_recording_start PREFIX RATE SECONDS [TRACE]   records RATE Hz stereo into
#                        $run/recording.wav, with a sine of SECONDS; TRACE is added to
#                        WINEDEBUG. Sets pid (the Windows process) and run (the scratch folder).
#   wine_recording_stop  stops the recording and closes the window.

voxwell=${VOXWELL_EXE:-$root/build/windows/app/voxwell.exe}
driver=${DRIVER_EXE:-$root/build/windows/tests/windows/screenshot_driver.exe}
export HARNESS_ROOT=${HARNESS_ROOT:-$root/build/windows/wine}
for exe in "$voxwell" "$driver"; do
    [[ -f "$exe" ]] || { echo "missing $exe: build the windows preset first" >&2; exit 2; }
done
source "$root/tests/windows/harness.sh"

# The Windows process: voxwell.exe in this run's prefix (other runs may have their own).
voxwellPid() {
    local candidate
    for candidate in $(pgrep -x voxwell.exe || true); do
        if tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null |
            grep -qx "WINEPREFIX=$HARNESS_PREFIX"; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

wine_recording_start() {
    local prefix=$1 rate=$2 seconds=$3 trace=${4:-}
    harness_init
    harness_wine_prefix "$prefix"
    harness_start_xvfb
    harness_start_pulse 2 "$rate"
    harness_play_sine 440,554 0.5 "$seconds"
    run=$HARNESS_RUN
    WINEDEBUG="$WINEDEBUG$trace" wine "$voxwell" >"$run/voxwell.log" 2>&1 &
    harness_track "$!"
    harness_wait_for "voxwell.exe process" 30 voxwellPid
    pid=$(voxwellPid)
    HARNESS_WINE_TIMEOUT=60 harness_wine "$driver" start "$(harness_winpath "$run/recording.wav")" \
        >"$run/start.txt" || harness_fail "no recording started" "$run/start.txt" "$run/voxwell.log"
}

wine_recording_stop() {
    harness_wine "$driver" stop >"$run/stop.txt" ||
        harness_fail "the recording did not end cleanly" "$run/stop.txt" "$run/voxwell.log"
}
