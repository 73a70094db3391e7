# Sourced by the test and benchmark scripts: when no sound server answers, starts a private
# PulseAudio with a null sink, exports PULSE_SERVER for it, and stops it (by its process ids)
# when the calling script exits.
pulse_pid=""
reader_pid=""
private_runtime=""
stop_private_pulse() {
    [ -n "$reader_pid" ] && kill "$reader_pid" 2>/dev/null || true
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    [ -n "$private_runtime" ] && rm -rf "$private_runtime" || true
}
trap stop_private_pulse EXIT

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
    echo "Started a private PulseAudio (pid ${pulse_pid:-?}) with a null sink."
fi
