#!/usr/bin/env bash
# Sets up, builds and runs every test. When no sound server answers, a private PulseAudio with
# a null sink is started for the tests and stopped afterwards by its process id.
# Extra arguments go to ctest (for example: -R cue).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${QUELLIN_BUILD_DIR:-$root/build}

pulse_pid=""
reader_pid=""
private_runtime=""
cleanup() {
    [ -n "$reader_pid" ] && kill "$reader_pid" 2>/dev/null || true
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    [ -n "$private_runtime" ] && rm -rf "$private_runtime" || true
}
trap cleanup EXIT

if ! pactl info >/dev/null 2>&1; then
    private_runtime=$(mktemp -d /tmp/quellin-pulse.XXXXXX)
    chmod 700 "$private_runtime"
    export XDG_RUNTIME_DIR="$private_runtime"
    export PULSE_SERVER="unix:$private_runtime/pulse/native"
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
        --load="module-null-sink sink_name=nullsink rate=44100 channels=2" \
        --load="module-native-protocol-unix auth-anonymous=1" \
        --log-target="file:$private_runtime/pulseaudio.log"
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pulse_pid=$(cat "$private_runtime/pulse/pid" 2>/dev/null || true)
    # An idle null sink renders in 2 s blocks and stalls new streams; keep it busy.
    parec --latency-msec=100 -d nullsink.monitor >/dev/null 2>&1 &
    reader_pid=$!
    echo "Started a private PulseAudio (pid ${pulse_pid:-?}) with a null sink for the tests."
fi

cd "$build"
ctest --output-on-failure --timeout 600 "$@"
