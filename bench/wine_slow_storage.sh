#!/usr/bin/env bash
# Voxwell on slow storage, under Wine: records 96 kHz stereo while every write to its file is
# made DELAY ms slower (strace delays each pwrite64 on the file), ends the program as a crash
# would after SECONDS, and prints what the file then holds against what had been recorded, and
# the flushes to the device.
#
# Usage: bench/wine_slow_storage.sh [DELAY_MS [SECONDS]]   (default 25 ms and 12 s)
# Needs the Windows build (cmake --preset windows && cmake --build --preset windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
delay=${1:-25}
seconds=${2:-12}
source "$root/bench/wine_recording.sh"
wine_recording_start slow 96000 $((seconds + 60))
file="$run/recording.wav"
has_samples() {
    (($(stat -c %s "$file" 2>/dev/null || echo 0) > 44))
}
harness_wait_for "the recording's first samples" 30 has_samples
began=$(date +%s.%N)
strace -f -qq -ttt -P "$file" -e trace=pwrite64,fsync \
    -e inject=pwrite64:delay_enter=$((delay * 1000)) -o "$run/strace.log" -p "$pid" &
tracer=$!
sleep "$seconds"
killed=$(date +%s.%N)
kill -9 "$pid"
wait "$tracer" || true
# The first samples reach the file a quarter second or so after they were captured: what had
# been recorded at the end is at least the time from then on.
python3 - "$file" "$run/strace.log" "$began" "$killed" <<'PY'
import struct, sys
path, log, began, killed = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
data = open(path, "rb").read()
bytes_per_second = 96000 * 2 * 2
described = struct.unpack_from("<I", data, 40)[0] / bytes_per_second
held = (len(data) - 44) / bytes_per_second
lines = [line.split() for line in open(log)]
writes = sum(1 for line in lines if len(line) > 2 and line[2].startswith("pwrite64("))
flushes = [float(line[1]) for line in lines if len(line) > 2 and line[2].startswith("fsync(")]
gaps = [b - a for a, b in zip([began] + flushes, flushes + [killed])]
print(f"recorded: at least {killed - began:.2f} s")
print(f"file: holds {held:.2f} s, its header describes {described:.2f} s")
print(f"{writes} slowed writes; {len(flushes)} flushes, longest time without one {max(gaps):.2f} s")
PY
printf 'Load average at the end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
