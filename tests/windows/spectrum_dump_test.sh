#!/usr/bin/env bash
# Runs the spectrum dump as a Windows program under Wine and as the native program, and compares
# them: the peak bin must be the same, and so must the transform's bits whenever both C runtimes
# give the same twiddle seeds; how far the spectra, the window tables and the seeds differ is
# measured and printed. The two C runtimes' cosf may differ in the last bits,
# which moves the window and so the spectrum slightly (about 1.5e-8 of the peak was measured);
# a difference above 1e-6 means more than that and fails too.
# Usage: spectrum_dump_test.sh WINDOWS_EXE NATIVE_PROGRAM WORK_DIR
set -euo pipefail

windows_exe=$1
native_program=$2
work=$3

if [[ ! -x "$native_program" ]]; then
    echo "FAIL: the native dump program is missing: $native_program" >&2
    echo "      (build the native tree, build/native, before running the Windows tests)" >&2
    exit 1
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)  # Wine takes only an absolute prefix path
export WINEPREFIX="$work/wine-prefix"
# Heap checking on, as for every Windows program the tests run; a heap warning or a crash fails.
export WINEDEBUG=-all,warn+heap
export WINEDLLOVERRIDES="mscoree,mshtml="
# Only this test's own prefix is shut down.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

if [[ ! -f "$WINEPREFIX/.heap-checked" ]]; then
    rm -rf "$WINEPREFIX"
    if ! WINEDEBUG=-all wineboot -u >"$work/wineboot.log" 2>&1; then
        echo "FAIL: could not create the Wine prefix $WINEPREFIX (see $work/wineboot.log)" >&2
        exit 1
    fi
    image_options='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options'
    WINEDEBUG=-all wine reg add "$image_options\\$(basename "$windows_exe")" /v GlobalFlag \
        /t REG_DWORD /d 0x70 /f >>"$work/wineboot.log" 2>&1
    WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
        /d 0 /f >>"$work/wineboot.log" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.heap-checked"
fi

if ! wine "$windows_exe" 2>"$work/windows.err" | tr -d '\r' >"$work/windows.txt"; then
    echo "FAIL: the Windows dump program did not run under Wine (see $work/windows.err)" >&2
    exit 1
fi
if grep -qE 'warn:heap|err:heap|Unhandled exception|Unhandled page fault' "$work/windows.err"; then
    echo "FAIL: heap damage or a crash in the Windows dump program:" >&2
    grep -E -m 20 -A 8 'warn:heap|err:heap|Unhandled' "$work/windows.err" >&2
    exit 1
fi
"$native_program" >"$work/native.txt"

awk '
    # Keyed by name and index; the single-valued lines by name alone.
    function keyOf() { return ($1 == "peak_bin" || $1 == "transform") ? $1 : $1 " " $2 }
    FNR == NR { native[keyOf()] = $0; next }
    {
        key = keyOf()
        lines++
        if (!(key in native)) { missing++; next }
        split(native[key], n, " ")
        if ($1 == "peak_bin") { windowsPeak = $2; nativePeak = n[2]; next }
        if ($1 == "transform") { windowsTransform = $2; nativeTransform = n[2]; next }
        if ($1 == "step") {
            if ($3 != n[3] || $4 != n[4]) { stepDiffs++ }
            next
        }
        if ($3 != n[3]) {
            diffs[$1]++
            ulps = $3 - n[3]; if (ulps < 0) ulps = -ulps
            if (ulps > maxUlps[$1]) maxUlps[$1] = ulps
            gap = $4 - n[4]; if (gap < 0) gap = -gap
            if (gap > maxGap[$1]) maxGap[$1] = gap
        }
        count[$1]++
    }
    END {
        if (lines != length(native) || missing > 0 || count["spectrum"] != 32768 || count["window"] != 65536) {
            printf "FAIL: the two dumps do not have the same lines (windows %d, native %d)\n", lines, length(native)
            exit 1
        }
        printf "peak bin: windows %s, native %s\n", windowsPeak, nativePeak
        printf "twiddle seeds (cosf, sinf of 16 angles): %d of 16 differ\n", stepDiffs
        for (name in count) {
            printf "%s: %d of %d values differ, at most %d units in the last place, largest difference %.3g\n",
                name, diffs[name], count[name], maxUlps[name], maxGap[name]
        }
        printf "transform bits: %s\n", windowsTransform == nativeTransform ? "identical" : "different"
        if (stepDiffs == 0 && windowsTransform != nativeTransform) {
            print "FAIL: the same twiddle seeds gave different transforms"
            exit 1
        }
        if (windowsPeak != nativePeak) {
            print "FAIL: the peak bins differ"
            exit 1
        }
        if (maxGap["spectrum"] > 1e-6) {
            print "FAIL: the spectra differ by more than the last bits of the window"
            exit 1
        }
    }
' "$work/native.txt" "$work/windows.txt"
