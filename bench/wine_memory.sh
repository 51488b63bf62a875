#!/usr/bin/env bash
# Memory of Voxwell over a long recording, under Wine: records 96 kHz stereo from a virtual
# microphone on a virtual display for SECONDS and prints the process's resident memory (VmRSS
# from /proc) every 5 s, then how much it grew over the last 90 s.
#
# Usage: bench/wine_memory.sh [SECONDS]   (default 300)
# Needs the Windows build (cmake --preset windows && cmake --build --preset windows); the
# executables can be given as VOXWELL_EXE and DRIVER_EXE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
source "$root/bench/wine_recording.sh"
wine_recording_start memory 96000 $((seconds + 60))

rssKiB() {
    awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status"
}
echo "Resident memory of voxwell.exe while recording 96 kHz stereo (MiB, every 5 s):"
samples=()
for ((t = 0; t <= seconds; t += 5)); do
    ((t == 0)) || sleep 5
    kill -0 "$pid" 2>/dev/null || harness_fail "voxwell.exe ended during the recording" "$run/voxwell.log"
    samples+=("$(rssKiB)")
    printf '  %4d s  %7.1f\n' "$t" "$(awk -v k="${samples[-1]}" 'BEGIN { print k / 1024 }')"
done
last=${samples[-1]}
at90=${samples[-19]}
printf 'Growth over the last 90 s: %.1f MiB (from %.1f to %.1f MiB); file: %s bytes\n' \
    "$(awk -v a="$at90" -v b="$last" 'BEGIN { print (b - a) / 1024 }')" \
    "$(awk -v k="$at90" 'BEGIN { print k / 1024 }')" "$(awk -v k="$last" 'BEGIN { print k / 1024 }')" \
    "$(stat -c %s "$run/recording.wav")"
printf 'Load average at the end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"

wine_recording_stop
