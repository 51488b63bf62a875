#!/usr/bin/env bash
# CPU of Voxwell while it records, per thread, under Wine. Records 48 kHz stereo from a virtual
# microphone (a 440 Hz and 554 Hz tone) on a virtual display, waits SETTLE seconds for the
# recording to reach its steady state (full waveform history, blocks being analysed), then
# prints, over SECONDS of it, the share of one core that each thread used, from the run times
# the kernel keeps in /proc/PID/task/TID/schedstat.
#
# Which thread is which: before "Start Recording" the process has one thread, the window thread
# (the process's main thread, TID = PID). The recording adds threads that Wine names after their
# job (winepulse_mainl, winepulse_timer, wine_rpcrt4_ser) and three that keep the program's
# name: the capture thread, which the window thread starts, then the analysis thread, which the
# capture thread starts once its stream runs, then the file writer, which it starts once the
# file is open.
#
# With PROFILE=1 (and perf installed) the window thread is then sampled with perf for another
# SECONDS, and its samples split into the program's own code (the voxwell.exe image), the C
# runtime (msvcrt.dll: copies and allocation) and the rest (Wine, X11, the kernel).
#
# With PAINTS=1 the program runs under Wine's message trace (WINEDEBUG +message), which prints
# every message its windows handle, and the panels' paints (WM_DRAWITEM, per panel) and the
# posted WM_SPECTRUM_READY are counted over the same SECONDS. The trace costs the window thread
# time of its own: the CPU figures of such a run are not those of a run without it.
#
# Usage: [PROFILE=1] [PAINTS=1] bench/wine_cpu.sh [SECONDS [SETTLE]]   (defaults 20 and 5)
# Needs the Windows build (cmake --preset windows && cmake --build --preset windows); the
# executables can be given as VOXWELL_EXE and DRIVER_EXE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
settle=${2:-5}
source "$root/bench/wine_recording.sh"
trace=""
[[ "${PAINTS:-0}" == 1 ]] && trace=,+message
wine_recording_start cpu 48000 $((settle + seconds + 60)) "$trace"

# Threads that carry the program's own name, in start order.
ownThreads() {
    local task
    for task in /proc/"$pid"/task/*; do
        [[ "$(cat "$task/comm" 2>/dev/null)" == voxwell.exe ]] && echo "${task##*/}"
    done | sort -n
}

mapfile -t own < <(ownThreads)
((${#own[@]} == 4)) && ((own[0] == pid)) ||
    harness_fail "expected the window, capture, analysis and file writer threads, found: ${own[*]}"
window=${own[0]} capture=${own[1]} analysis=${own[2]} writer=${own[3]}

wineserverPid=""
for candidate in $(pgrep -x wineserver64 || pgrep -x wineserver || true); do
    if tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null |
        grep -qx "WINEPREFIX=$HARNESS_PREFIX"; then
        wineserverPid=$candidate
    fi
done
xvfbPid=$(pgrep -n -x Xvfb || true)

# Run time in nanoseconds of one thread, and of every thread of a process alive at the time.
threadNs() {
    awk '{ print $1 }' "/proc/$pid/task/$1/schedstat"
}
processNs() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f\n", sum }'
}

sleep "$settle"
declare -A before after
sample() {
    local -n into=$1
    into[window]=$(threadNs "$window")
    into[capture]=$(threadNs "$capture")
    into[analysis]=$(threadNs "$analysis")
    into[writer]=$(threadNs "$writer")
    into[process]=$(processNs "$pid")
    into[wineserver]=$([[ -n "$wineserverPid" ]] && processNs "$wineserverPid" || echo 0)
    into[xvfb]=$([[ -n "$xvfbPid" ]] && processNs "$xvfbPid" || echo 0)
    into[wall]=$(date +%s%N)
    into[log]=$(stat -c %s "$run/voxwell.log")
}
sample before
sleep "$seconds"
sample after
kill -0 "$pid" 2>/dev/null || harness_fail "voxwell.exe ended during the measurement" "$run/voxwell.log"

wall=$((after[wall] - before[wall]))
share() {
    awk -v used=$((after[$1] - before[$1])) -v wall="$wall" 'BEGIN { printf "%5.1f %%", 100 * used / wall }'
}
printf 'CPU while recording 48 kHz stereo, %s s after %s s of settling (share of one core):\n' \
    "$seconds" "$settle"
printf '  voxwell.exe, whole process   %s\n' "$(share process)"
printf '    window thread              %s\n' "$(share window)"
printf '    capture thread             %s\n' "$(share capture)"
printf '    analysis thread            %s\n' "$(share analysis)"
printf '    file writer thread         %s\n' "$(share writer)"
printf '  wineserver (outside)         %s\n' "$(share wineserver)"
printf '  Xvfb (outside)               %s\n' "$(share xvfb)"
printf '  load average at the end      %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"

if [[ "${PAINTS:-0}" == 1 ]]; then
    tail -c +$((before[log] + 1)) "$run/voxwell.log" | head -c $((after[log] - before[log])) |
        awk -v wall="$wall" '
            / WM_DRAWITEM sent / { sub(/^.*wp=/, ""); paints[$1 + 0]++ }
            / \[8001\] 8001 dispatched / { ready++ }
            END {
                printf "Per second: WM_SPECTRUM_READY %.1f, paints of the level panel %.1f, " \
                    "the wave panel %.1f, the spectrum panel %.1f\n", ready * 1e9 / wall,
                    paints[3] * 1e9 / wall, paints[4] * 1e9 / wall, paints[5] * 1e9 / wall
            }'
fi

if [[ "${PROFILE:-0}" == 1 ]]; then
    read -r imageBase imageSize < <(x86_64-w64-mingw32-objdump -x "$voxwell" 2>/dev/null |
        awk '$1 == "ImageBase" { base = $2 } $1 == "SizeOfImage" { size = $2 }
             END { print base, size }')
    perf record -q -F 1000 -e cpu-clock -t "$window" -o "$run/window.perf" -- sleep "$seconds" \
        >/dev/null 2>&1 || harness_fail "perf record failed"
    perf script -i "$run/window.perf" -F ip,dso 2>/dev/null | perl -ne '
        BEGIN { ($low, $size) = (hex(shift), hex(shift)); }
        next unless /^\s*([0-9a-f]+)\s/;
        $ip = hex($1); $total++;
        if ($ip >= $low && $ip < $low + $size) { $own++ } elsif (/msvcrt\.dll/) { $runtime++ }
        END {
            die "no perf samples\n" unless $total;
            printf "Window thread, %d perf samples: program %.1f %%, C runtime %.1f %%, " .
                "Wine, X11 and kernel %.1f %%\n", $total, 100 * $own / $total,
                100 * $runtime / $total, 100 * ($total - $own - $runtime) / $total;
        }' "$imageBase" "$imageSize"
fi

wine_recording_stop
