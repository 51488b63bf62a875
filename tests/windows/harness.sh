# shellcheck shell=bash
# Shared set-up for tests that run Windows programs under Wine: a Wine prefix of the test's own,
# a private X display, and a private PulseAudio server whose default source is a virtual
# microphone carrying a known signal. Source it from a bash script (set -euo pipefail), call
# harness_init first, and every process the harness starts is ended when the script exits, also
# when the script is killed.
#
#   harness_init                          scratch folder $HARNESS_RUN, clean-up on exit
#   harness_wine_prefix NAME              make or reuse $HARNESS_ROOT/prefixes/NAME, select it
#   harness_start_xvfb [WxHxD]            private Xvfb on a free display; exports DISPLAY
#   harness_need_display [WxHxD]          $DISPLAY if it answers, else harness_start_xvfb
#   harness_start_pulse CHANNELS RATE     virtual microphone (1, 2, 4 or 6 channels) as default source
#   harness_play_sine FREQ[,FREQ...] AMPLITUDE SECONDS   a sine into the microphone, one frequency
#                                         for every channel or one for each
#   harness_no_audio                      no audio server: no capture device for what follows
#   harness_stop_pulse                    end the PulseAudio server (a device that disappears)
#   harness_remove_microphone             unload the sink whose monitor is the microphone
#   harness_restore_microphone            load it again as it was, as the default source (2, 4
#                                         or 6 channels); play a signal into it again
#   harness_wine EXE [ARG...]             run and wait, bounded by HARNESS_WINE_TIMEOUT (30 s)
#   harness_wine_background LOG EXE [ARG...]   start without waiting; pid in HARNESS_LAST_PID
#   harness_check_wine_log LOG            fail on a heap warning or unhandled exception in LOG
#   harness_winpath PATH                  Windows form (Z:\...) of a Linux path
#   harness_track PID                     have the clean-up end a process you started
#   harness_wait_for DESCRIPTION TIMEOUT COMMAND [ARG...]   poll until COMMAND succeeds
#   harness_fail MESSAGE [LOG...]         fail with the tails of the logs
#   harness_log MESSAGE
#
# Every Windows program runs with the system's heap checking on (the image option GlobalFlag 0x70
# for each .exe the tests run, and Wine's heap warnings shown) and without a crash dialog. A heap
# warning or an unhandled exception in any program's output fails the test: harness_wine checks
# its program's output when it ends, the clean-up the output of every background program.
#
# Environment:
#   HARNESS_ROOT   (required) folder for Wine prefixes, normally <build>/wine
#   HARNESS_KEEP=1 keep the run folder (logs, signal files) also after a test that passed

if [[ -n "${HARNESS_SOURCED:-}" ]]; then
    return 0
fi
HARNESS_SOURCED=1

HARNESS_RUN=""          # this run's scratch folder (sockets, logs, signal files)
HARNESS_PIDS=()         # every process the harness started, in start order
HARNESS_PREFIX=""       # the Wine prefix in use, if any
HARNESS_SINK=voxwell_sink
HARNESS_SOURCE=""       # the virtual microphone's source name
HARNESS_RATE=""         # sample rate of the virtual microphone
HARNESS_SINK_CHANNELS=2 # channels of the sink whose monitor is the microphone, and their order
HARNESS_SINK_MAP=front-left,front-right
HARNESS_SINK_MODULE=()  # the sink's module and arguments, to load it again
HARNESS_SIGNAL_COUNT=0  # numbers the signal and keeper files
HARNESS_LAST_PID=""     # the program harness_wine_background started last
HARNESS_WATCHDOG=""     # ends the processes above if this script is killed outright
HARNESS_WINE_LOGS=()    # output of background Windows programs, checked at the clean-up
# Windows programs run with heap checking: the program and the tests' own drivers and probes.
HARNESS_HEAP_CHECKED=(voxwell.exe capture_probe.exe window_driver.exe screenshot_driver.exe
    screenshot_check.exe spectrum_dump.exe)
# What Wine prints for a damaged heap or a crash.
HARNESS_WINE_FAULTS='warn:heap|err:heap|Unhandled exception|Unhandled page fault|wine: Unhandled'

harness_log() {
    printf '[harness %s] %s\n' "$(date +%T.%3N)" "$*" >&2
}

# Prints the message and the tail of each given log file, then exits (which runs the clean-up).
harness_fail() {
    local message=$1
    shift
    printf '[harness] FAILED: %s\n' "$message" >&2
    local file
    for file in "$@"; do
        if [[ -s "$file" ]]; then
            printf -- '--- last lines of %s\n' "$file" >&2
            tail -n 20 "$file" >&2
        fi
    done
    exit 1
}

# Waits up to TIMEOUT seconds until COMMAND succeeds; fails the test with DESCRIPTION otherwise.
# Usage: harness_wait_for DESCRIPTION TIMEOUT COMMAND [ARG...]
harness_wait_for() {
    local description=$1 timeout=$2
    shift 2
    local deadline=$((SECONDS + timeout))
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then
            harness_fail "$description: not ready after ${timeout} s"
        fi
        sleep 0.1
    done
}

# Records a started process so that the clean-up ends it, also if the script itself is killed.
harness_track() {
    local pid=$1
    HARNESS_PIDS+=("$pid")
    echo "$pid" >>"$HARNESS_RUN/pids"
}

# Ends the given process (TERM, then KILL after 3 s) if it is still running and still ours.
harness_end_process() {
    local pid=$1
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    local waited=0
    while kill -0 "$pid" 2>/dev/null && ((waited < 30)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

harness_cleanup() {
    local status=$?
    trap - EXIT
    set +e
    if [[ -n "$HARNESS_WATCHDOG" ]]; then
        kill -KILL "$HARNESS_WATCHDOG" 2>/dev/null
    fi
    local i
    for ((i = ${#HARNESS_PIDS[@]} - 1; i >= 0; i--)); do
        harness_end_process "${HARNESS_PIDS[i]}"
    done
    local log
    for log in "${HARNESS_WINE_LOGS[@]}"; do
        if ! harness_wine_log_clean "$log"; then
            status=1
        fi
    done
    if [[ -n "$HARNESS_PREFIX" ]]; then
        WINEPREFIX="$HARNESS_PREFIX" wineserver -k >/dev/null 2>&1
    fi
    if [[ -n "$HARNESS_RUN" && -d "$HARNESS_RUN" ]]; then
        # A small disk a test mounted, also when it failed before unmounting it.
        local mounted
        for mounted in $(awk -v run="$HARNESS_RUN/" 'index($2, run) == 1 { print $2 }' /proc/mounts); do
            umount "$mounted"
        done
        if [[ "${HARNESS_KEEP:-0}" == 1 ]] || ((status != 0)); then
            harness_log "kept $HARNESS_RUN for inspection"
        else
            rm -rf "$HARNESS_RUN"
        fi
    fi
    exit "$status"
}

# Ends what the harness started if the test script dies without running its EXIT trap (killed
# by a test driver's timeout, for example). Reads the pid list as it grows.
harness_start_watchdog() {
    local parent=$$ run=$HARNESS_RUN
    (
        trap '' INT TERM HUP
        while kill -0 "$parent" 2>/dev/null; do
            sleep 1
        done
        [[ -d "$run" ]] || exit 0
        while read -r pid; do
            kill -KILL "$pid" 2>/dev/null
        done <"$run/pids"
        if [[ -s "$run/prefix" ]]; then
            WINEPREFIX="$(cat "$run/prefix")" wineserver -k
        fi
        rm -rf "$run"
    ) </dev/null >/dev/null 2>&1 &
    HARNESS_WATCHDOG=$!
    disown "$HARNESS_WATCHDOG"
}

# Starts a test run: creates the scratch folder and installs the clean-up.
harness_init() {
    if [[ -z "${HARNESS_ROOT:-}" ]]; then
        harness_fail "HARNESS_ROOT is not set (folder for Wine prefixes, e.g. build/windows/wine)"
    fi
    mkdir -p "$HARNESS_ROOT"
    # Short /tmp path: unix socket paths are limited to 107 bytes.
    HARNESS_RUN=$(mktemp -d "${TMPDIR:-/tmp}/voxwell-wine.XXXXXX")
    : >"$HARNESS_RUN/pids"
    trap harness_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    harness_start_watchdog
    # Wine maps file names and command lines through the Unix locale: make it UTF-8.
    export LC_ALL=C.UTF-8
}

# True when LOG shows no heap warning and no unhandled exception; otherwise prints them.
harness_wine_log_clean() {
    local log=$1
    [[ -f "$log" ]] || return 0
    if grep -qE "$HARNESS_WINE_FAULTS" "$log"; then
        printf '[harness] FAILED: heap damage or a crash in %s:\n' "$log" >&2
        grep -E -m 20 -B 2 -A 8 "$HARNESS_WINE_FAULTS" "$log" >&2
        return 1
    fi
}

harness_check_wine_log() {
    harness_wine_log_clean "$1" || harness_fail "heap warning or unhandled exception" "$1"
}

# The registry settings of a test prefix: the audio drivers, heap checking for the programs the
# tests run, crashes reported on the console instead of in a dialog.
# PulseAudio is the driver whenever the harness's server answers. Without one Wine falls back to
# ALSA, which the harness leaves without any device: an audio system without a capture device,
# where GetDefaultAudioEndpoint fails with E_NOTFOUND as on a Windows machine without a
# microphone. With PulseAudio as the only driver and no server, Wine would offer no device
# enumerator at all (CoCreateInstance fails with REGDB_E_CLASSNOTREG), which Windows never does.
harness_prefix_registry() {
    local file=$1 image
    {
        printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n"Audio"="pulse,alsa"\n\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n\n'
        for image in "${HARNESS_HEAP_CHECKED[@]}"; do
            printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\'
            printf 'Image File Execution Options\\%s]\n"GlobalFlag"=dword:00000070\n\n' "$image"
        done
    } >"$file"
}

# Makes (once, under a lock) or reuses the Wine prefix HARNESS_ROOT/prefixes/NAME and selects it.
# Its audio drivers are PulseAudio and a deviceless ALSA, so the harness's server is the only
# source of audio devices it sees.
# Usage: harness_wine_prefix NAME
harness_wine_prefix() {
    local name=$1
    local prefix="$HARNESS_ROOT/prefixes/$name"
    mkdir -p "$HARNESS_ROOT/prefixes"
    export WINEPREFIX="$prefix" WINEDEBUG=-all,warn+heap WINEDLLOVERRIDES="mscoree,mshtml="
    HARNESS_PREFIX=$prefix
    echo "$prefix" >"$HARNESS_RUN/prefix"
    local log="$HARNESS_RUN/wineboot.log" registry="$HARNESS_RUN/prefix.reg"
    harness_prefix_registry "$registry"
    (
        flock -w 180 9 || harness_fail "Wine prefix $prefix: lock not obtained within 180 s"
        # Made again when its registry settings have changed.
        if cmp -s "$registry" "$prefix/.harness-registry"; then
            exit 0
        fi
        harness_log "creating Wine prefix $prefix"
        rm -rf "$prefix"
        WINEDEBUG=-all timeout 120 wineboot -u >"$log" 2>&1 || harness_fail "wineboot -u failed" "$log"
        WINEDEBUG=-all timeout 60 wine regedit /S "$(harness_winpath "$registry")" \
            >>"$log" 2>&1 || harness_fail "setting up the registry failed" "$log"
        timeout 60 wineserver -w || harness_fail "wineserver did not finish after wineboot"
        cp "$registry" "$prefix/.harness-registry"
    ) 9>"$prefix.lock" || exit 1
}

# Windows form of a Linux path (Z: is the Linux root).
harness_winpath() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Runs a Windows program in the selected prefix, bounded by HARNESS_WINE_TIMEOUT seconds (default
# 30). Its output is shown after it ends; the exit status is the program's (124 on timeout).
# Usage: harness_wine EXE [ARG...]
harness_wine() {
    [[ -n "$HARNESS_PREFIX" ]] || harness_fail "harness_wine: call harness_wine_prefix first"
    local log
    log="$HARNESS_RUN/wine-$(basename "$1").log"
    local status=0
    # Output goes to a file: Wine's helper processes inherit it and may outlive the program.
    timeout -k 5 "${HARNESS_WINE_TIMEOUT:-30}" wine "$@" >"$log" 2>&1 || status=$?
    grep -v -e 'wine32 is missing' -e 'multiarch needs to be enabled' -e 'dpkg --add-architecture' \
        -e 'apt-get install wine32' -e 'syswow64\\rundll32.exe' -e '^ALSA lib ' "$log" || true
    if ((status == 124)); then
        harness_log "$1 timed out after ${HARNESS_WINE_TIMEOUT:-30} s"
    fi
    harness_check_wine_log "$log"
    return "$status"
}

# Starts a Windows program without waiting for it, its output in LOG; the clean-up ends it.
# Usage: harness_wine_background LOG EXE [ARG...]
harness_wine_background() {
    local log=$1
    shift
    [[ -n "$HARNESS_PREFIX" ]] ||
        harness_fail "harness_wine_background: call harness_wine_prefix first"
    wine "$@" </dev/null >"$log" 2>&1 &
    HARNESS_LAST_PID=$!
    harness_track "$HARNESS_LAST_PID"
    HARNESS_WINE_LOGS+=("$log")
}

harness_display_usable() {
    [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1
}

# Starts a private Xvfb on a free display and exports DISPLAY.
# Usage: harness_start_xvfb [WIDTHxHEIGHTxDEPTH]
harness_start_xvfb() {
    local screen=${1:-1024x768x24}
    local number_file="$HARNESS_RUN/xvfb.display" log="$HARNESS_RUN/xvfb.log"
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$number_file" </dev/null >"$log" 2>&1 &
    harness_track "$!"
    local xvfb=$!
    local deadline=$((SECONDS + 10))
    until [[ -s "$number_file" ]]; do
        kill -0 "$xvfb" 2>/dev/null || harness_fail "Xvfb exited" "$log"
        ((SECONDS < deadline)) || harness_fail "Xvfb gave no display number within 10 s" "$log"
        sleep 0.1
    done
    DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
    export DISPLAY
    harness_wait_for "Xvfb on $DISPLAY" 10 xdpyinfo
    harness_log "Xvfb on $DISPLAY"
}

# Uses DISPLAY if it answers, otherwise starts a private Xvfb.
harness_need_display() {
    if harness_display_usable; then
        harness_log "using display $DISPLAY"
    else
        harness_start_xvfb "$@"
    fi
}

# Client settings shared by the harness's tools and by Wine: never start a server on demand, and
# an empty ALSA configuration, in which ALSA knows no device, whatever the machine has.
harness_pulse_client_env() {
    local dir=$1
    mkdir -p "$dir"
    printf 'autospawn = no\n' >"$dir/client.conf"
    export PULSE_SERVER="unix:$dir/native" PULSE_CLIENTCONFIG="$dir/client.conf"
    export PULSE_COOKIE="$dir/cookie"
    : >"$dir/alsa.conf"
    export ALSA_CONFIG_PATH="$dir/alsa.conf"
}

# Leaves the test without an audio server: the PulseAudio socket named does not exist. Wine then
# finds no capture device (E_NOTFOUND), as Windows does on a machine without a microphone.
harness_no_audio() {
    harness_pulse_client_env "$HARNESS_RUN/no-pulse"
    if pactl info >/dev/null 2>&1; then
        harness_fail "an audio server answered where none should exist"
    fi
}

harness_pulse_has_default_source() {
    pactl info 2>/dev/null | grep -qx "Default Source: $HARNESS_SOURCE"
}

# Number of playback streams connected to the harness's sink.
harness_pulse_stream_count() {
    pactl list short sink-inputs | wc -l
}

harness_pulse_streams_at_least() {
    (($(harness_pulse_stream_count) >= $1))
}

# True once a program records from the harness's server.
harness_pulse_recording() {
    (($(pactl list short source-outputs | wc -l) >= 1))
}

# True once the sink renders no further ahead of real time than its small blocks allow.
harness_pulse_sink_caught_up() {
    local usec
    usec=$(pactl list sinks | awk '$1 == "Latency:" { print $2; exit }')
    [[ -n "$usec" ]] && ((usec < 20000))
}

# Starts a private PulseAudio whose default source, the virtual microphone, is the monitor of a
# null sink: CHANNELS 1 (a mono remap of a stereo sink's monitor), or 2, 4 or 6 (the monitor of a
# sink of that many channels: front left and right, then rear left and right for 4, centre, LFE
# and rears for 6), at RATE Hz. Every stream into the sink names the same channel map, so that
# PulseAudio does not remix it.
# A silent low-latency stream keeps the sink running in small blocks; without it capture gets
# its first data late and only part of the frames.
# Usage: harness_start_pulse CHANNELS RATE
harness_start_pulse() {
    local channels=$1 rate=$2
    # A folder of its own for each server a test starts, one after the other.
    local dir
    dir=$(mktemp -d "$HARNESS_RUN/pulse.XXXX")
    harness_pulse_client_env "$dir"
    HARNESS_RATE=$rate
    HARNESS_SOURCE="$HARNESS_SINK.monitor"
    case "$channels" in
        1 | 2) HARNESS_SINK_CHANNELS=2 HARNESS_SINK_MAP=front-left,front-right ;;
        4) HARNESS_SINK_CHANNELS=4 HARNESS_SINK_MAP=front-left,front-right,rear-left,rear-right ;;
        6)
            HARNESS_SINK_CHANNELS=6
            HARNESS_SINK_MAP=front-left,front-right,front-center,lfe,rear-left,rear-right
            ;;
        *) harness_fail "harness_start_pulse: CHANNELS must be 1, 2, 4 or 6, not $channels" ;;
    esac
    local script="$dir/server.pa" log="$dir/pulseaudio.log"
    HARNESS_SINK_MODULE=(module-null-sink "sink_name=$HARNESS_SINK" "rate=$rate"
        "channels=$HARNESS_SINK_CHANNELS" "channel_map=$HARNESS_SINK_MAP" format=float32le)
    {
        echo "load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1"
        echo "load-module ${HARNESS_SINK_MODULE[*]}"
        echo "set-default-sink $HARNESS_SINK"
        if ((channels == 1)); then
            HARNESS_SOURCE=voxwell_mic
            echo "load-module module-remap-source source_name=$HARNESS_SOURCE" \
                "master=$HARNESS_SINK.monitor channels=1 channel_map=mono"
        fi
        echo "set-default-source $HARNESS_SOURCE"
    } >"$script"

    PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state" HOME="$dir" \
        pulseaudio -n -F "$script" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --disallow-exit --log-target=stderr </dev/null >"$log" 2>&1 &
    harness_track "$!"
    local server=$!
    local deadline=$((SECONDS + 10))
    until pactl info >/dev/null 2>&1; do
        kill -0 "$server" 2>/dev/null || harness_fail "PulseAudio exited" "$log"
        ((SECONDS < deadline)) || harness_fail "PulseAudio did not answer within 10 s" "$log"
        sleep 0.1
    done
    harness_pulse_has_default_source || harness_fail "default source is not $HARNESS_SOURCE" "$log"
    local sourceFormat
    sourceFormat=$(pactl list short sources | awk -v s="$HARNESS_SOURCE" '$2 == s { print $4, $5, $6 }')
    [[ "$sourceFormat" == "float32le ${channels}ch $rate"Hz ]] ||
        harness_fail "source $HARNESS_SOURCE has format '$sourceFormat'" "$log"

    harness_start_keeper
    harness_log "PulseAudio up: microphone $HARNESS_SOURCE, ${channels} ch, $rate Hz"
}

# The silent low-latency stream into the sink, until the sink keeps pace with real time.
harness_start_keeper() {
    HARNESS_SIGNAL_COUNT=$((HARNESS_SIGNAL_COUNT + 1))
    pacat --playback --device="$HARNESS_SINK" --latency-msec=10 --raw --format=float32le \
        --rate="$HARNESS_RATE" --channels="$HARNESS_SINK_CHANNELS" \
        --channel-map="$HARNESS_SINK_MAP" --client-name=keeper /dev/zero \
        </dev/null >"$HARNESS_RUN/keeper-$HARNESS_SIGNAL_COUNT.log" 2>&1 &
    harness_track "$!"
    harness_wait_for "keeper stream" 10 harness_pulse_streams_at_least 1
    # Idle at start-up, the sink rendered up to 2 s ahead in one block; until real time catches
    # up, its monitor, the microphone, delivers nothing.
    harness_wait_for "sink catching up with real time" 10 harness_pulse_sink_caught_up
}

# The microphone goes away with its sink; the streams that played into it end.
harness_remove_microphone() {
    pactl unload-module module-null-sink || harness_fail "the sink could not be unloaded"
    harness_log "microphone removed"
}

# The sink is loaded again with the same name, rate and channels, and its monitor made the
# default source again, with a new keeper stream.
harness_restore_microphone() {
    [[ "$HARNESS_SOURCE" == "$HARNESS_SINK.monitor" ]] ||
        harness_fail "harness_restore_microphone: only a sink's own monitor is restored"
    pactl load-module "${HARNESS_SINK_MODULE[@]}" >/dev/null ||
        harness_fail "the sink could not be loaded again"
    pactl set-default-sink "$HARNESS_SINK"
    pactl set-default-source "$HARNESS_SOURCE"
    harness_start_keeper
    harness_log "microphone restored"
}

# Plays a sine of amplitude AMPLITUDE (of full scale) into the sink for SECONDS: one frequency
# for every channel, or a comma-separated list with one for each channel of the sink, in order.
# The stream has a 300 ms buffer, enough not to underrun under load. Returns once it is playing.
# Usage: harness_play_sine FREQUENCY[,FREQUENCY...] AMPLITUDE SECONDS
harness_play_sine() {
    local frequencies=$1 amplitude=$2 seconds=$3
    [[ -n "$HARNESS_RATE" ]] || harness_fail "harness_play_sine: call harness_start_pulse first"
    HARNESS_SIGNAL_COUNT=$((HARNESS_SIGNAL_COUNT + 1))
    local file="$HARNESS_RUN/signal-$HARNESS_SIGNAL_COUNT.raw"
    local synth=() frequency each=()
    IFS=, read -r -a each <<<"$frequencies"
    if ((${#each[@]} != 1 && ${#each[@]} != HARNESS_SINK_CHANNELS)); then
        harness_fail "harness_play_sine: ${#each[@]} frequencies for $HARNESS_SINK_CHANNELS channels"
    fi
    for frequency in "${each[@]}"; do
        synth+=(sine "$frequency")
    done
    sox -n -t raw -e floating-point -b 32 -r "$HARNESS_RATE" -c "$HARNESS_SINK_CHANNELS" "$file" \
        synth "$seconds" "${synth[@]}" vol "$amplitude" ||
        harness_fail "sox could not make the signal"
    local before
    before=$(harness_pulse_stream_count)
    pacat --playback --device="$HARNESS_SINK" --latency-msec=300 --raw --format=float32le \
        --rate="$HARNESS_RATE" --channels="$HARNESS_SINK_CHANNELS" \
        --channel-map="$HARNESS_SINK_MAP" --client-name=signal "$file" \
        </dev/null >"$HARNESS_RUN/signal-$HARNESS_SIGNAL_COUNT.log" 2>&1 &
    harness_track "$!"
    harness_wait_for "signal stream" 10 harness_pulse_streams_at_least $((before + 1))
    harness_log "playing sine $frequencies Hz at $amplitude of full scale for $seconds s"
}

# Ends the PulseAudio server (and with it every stream), e.g. to see a program lose its device.
harness_stop_pulse() {
    local pid
    for pid in "${HARNESS_PIDS[@]}"; do
        if [[ "$(ps -o comm= -p "$pid" 2>/dev/null)" == pulseaudio ]]; then
            harness_end_process "$pid"
        fi
    done
}
