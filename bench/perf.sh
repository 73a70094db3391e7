#!/usr/bin/env bash
# How light the player is on the machine it runs on: the real program under a private Xvfb,
# PulseAudio null sink and session bus, playing a 60-minute FLAC album described by a sheet.
# Prints six figures beside their goals:
#   CPU time of the process over N seconds (percent of one core) on the library page playing,
#   on the playing page playing, with the window minimised while playing, and paused (the
#   larger of both pages), each beside the X server's CPU over the same span (what drawing costs
#   the display); the time from start to the first painted window (median of 5 starts
#   after one warm-up, with the CPU time spent by then, which the load changes less); the
#   resident memory while playing.
#
#   bash bench/perf.sh [--seconds N] [--starts N] [--shots DIR] [--threads]
#
# --shots keeps a picture of the window in each state (PPM), to compare builds.
# --threads also prints, for each state, every thread's CPU (the scheduler's nanosecond counts)
# and wake-ups per second. When the benchmarks are built, the script ends with what a bare
# widget of the level meter's size costs repainted every 16 ms (bench_repaintfloor), for scale.
#
# Needs Xvfb, pulseaudio, pactl, dbus-daemon, gdbus, ffmpeg and python3 (its ctypes drives X11:
# there is no window manager, so minimising is done as one would, unmap and mark iconic).
# The album is made once and kept in ${XDG_CACHE_HOME:-~/.cache}/quellin-bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUELLIN_BUILD_DIR:-$root/build}
program=$build/bin/quellin
seconds=20
starts=5
shots=""
threads=""
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    --shots) shots=$(realpath -m "$2"); mkdir -p "$shots"; shift 2 ;;
    --threads) threads=1; shift ;;
    *) echo "usage: $0 [--seconds N] [--starts N] [--shots DIR] [--threads]" >&2; exit 2 ;;
    esac
done
[ -x "$program" ] || { echo "build the player first: $program" >&2; exit 1; }

album_dir=${XDG_CACHE_HOME:-$HOME/.cache}/quellin-bench
work=$(mktemp -d /tmp/quellin-perf.XXXXXX)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A 60-minute album of twelve 5-minute tracks, made once.
if [ ! -s "$album_dir/album.cue" ]; then
    mkdir -p "$album_dir"
    echo "Making the 60-minute album (once) in $album_dir ..."
    ffmpeg -v error -y -f lavfi -i "sine=frequency=220:sample_rate=44100:duration=3600" \
        -af "volume=0.25,aformat=channel_layouts=stereo" -c:a flac "$album_dir/album.flac"
    {
        printf 'PERFORMER "Bench"\nTITLE "Sixty Minutes"\nFILE "album.flac" WAVE\n'
        for t in $(seq 1 12); do
            printf '  TRACK %02d AUDIO\n    TITLE "Part %d"\n    INDEX 01 %02d:00:00\n' \
                "$t" "$t" $(((t - 1) * 5))
        done
    } >"$album_dir/album.cue.tmp"
    mv "$album_dir/album.cue.tmp" "$album_dir/album.cue"
fi
album_uri="file://$album_dir/album.cue"

# Private everything: home, data, runtime folder, display, sound server and session bus.
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QUELLIN_DEBUG SESSION_MANAGER

Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xserver=$!
pids+=("$xserver")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")

export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=nullsink rate=44100 channels=2" \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --log-target="file:$work/pulseaudio.log"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
# An idle null sink renders in 2 s blocks and stalls new streams; keep it busy.
parec --latency-msec=100 -d nullsink.monitor >/dev/null 2>&1 &
pids+=($!)

eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
    read -r address; read -r pid
    echo "export DBUS_SESSION_BUS_ADDRESS='$address'; bus_pid=$pid"
})"
pids+=("$bus_pid")

# The X11 side, through libX11 with ctypes: start and wait for the first painted frame,
# minimise, restore.
cat >"$work/xwin.py" <<'EOF'
import ctypes, subprocess, sys, time
c = ctypes
x = c.CDLL("libX11.so.6")
x.XOpenDisplay.restype = c.c_void_p
x.XOpenDisplay.argtypes = [c.c_char_p]
x.XDefaultRootWindow.restype = c.c_ulong
x.XDefaultRootWindow.argtypes = [c.c_void_p]
x.XInternAtom.restype = c.c_ulong
x.XInternAtom.argtypes = [c.c_void_p, c.c_char_p, c.c_int]
x.XQueryTree.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(c.c_ulong), c.POINTER(c.c_ulong),
                         c.POINTER(c.POINTER(c.c_ulong)), c.POINTER(c.c_uint)]
x.XGetWindowProperty.argtypes = [c.c_void_p, c.c_ulong, c.c_ulong, c.c_long, c.c_long, c.c_int,
                                 c.c_ulong, c.POINTER(c.c_ulong), c.POINTER(c.c_int),
                                 c.POINTER(c.c_ulong), c.POINTER(c.c_ulong),
                                 c.POINTER(c.c_void_p)]
x.XFree.argtypes = [c.c_void_p]
x.XChangeProperty.argtypes = [c.c_void_p, c.c_ulong, c.c_ulong, c.c_ulong, c.c_int, c.c_int,
                              c.c_void_p, c.c_int]
x.XMapWindow.argtypes = [c.c_void_p, c.c_ulong]
x.XUnmapWindow.argtypes = [c.c_void_p, c.c_ulong]
x.XSync.argtypes = [c.c_void_p, c.c_int]
x.XGetImage.restype = c.c_void_p
x.XGetImage.argtypes = [c.c_void_p, c.c_ulong, c.c_int, c.c_int, c.c_uint, c.c_uint, c.c_ulong,
                        c.c_int]
x.XGetPixel.restype = c.c_ulong
x.XGetPixel.argtypes = [c.c_void_p, c.c_int, c.c_int]
x.XDestroyImage.argtypes = [c.c_void_p]

class Attr(c.Structure):
    _fields_ = [(n, c.c_int) for n in ("x", "y", "width", "height", "border", "depth")] + [
        ("visual", c.c_void_p), ("root", c.c_ulong), ("cls", c.c_int), ("bit_gravity", c.c_int),
        ("win_gravity", c.c_int), ("backing_store", c.c_int), ("backing_planes", c.c_ulong),
        ("backing_pixel", c.c_ulong), ("save_under", c.c_int), ("colormap", c.c_ulong),
        ("map_installed", c.c_int), ("map_state", c.c_int), ("all_masks", c.c_long),
        ("your_mask", c.c_long), ("no_propagate", c.c_long), ("override", c.c_int),
        ("screen", c.c_void_p)]
x.XGetWindowAttributes.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(Attr)]
# A window that goes away between two calls is no reason to stop.
on_error = c.CFUNCTYPE(c.c_int, c.c_void_p, c.c_void_p)(lambda d, e: 0)
x.XSetErrorHandler.argtypes = [c.c_void_p]
x.XSetErrorHandler(c.cast(on_error, c.c_void_p))

dpy = x.XOpenDisplay(None)
if not dpy:
    sys.exit("cannot open the display")
root = x.XDefaultRootWindow(dpy)
NET_WM_PID = x.XInternAtom(dpy, b"_NET_WM_PID", 0)
WM_STATE = x.XInternAtom(dpy, b"WM_STATE", 0)

def pid_of(w):
    t, f, n, rest, data = c.c_ulong(), c.c_int(), c.c_ulong(), c.c_ulong(), c.c_void_p()
    if x.XGetWindowProperty(dpy, w, NET_WM_PID, 0, 1, 0, 0, c.byref(t), c.byref(f), c.byref(n),
                            c.byref(rest), c.byref(data)) != 0 or not data.value:
        return None
    value = c.cast(data, c.POINTER(c.c_ulong))[0] if n.value and f.value == 32 else None
    x.XFree(data)
    return value

def main_window(pid):
    r, p, kids, n = c.c_ulong(), c.c_ulong(), c.POINTER(c.c_ulong)(), c.c_uint()
    best = (None, None)
    if not x.XQueryTree(dpy, root, c.byref(r), c.byref(p), c.byref(kids), c.byref(n)):
        return best
    for i in range(n.value):
        a = Attr()
        if pid_of(kids[i]) == pid and x.XGetWindowAttributes(dpy, kids[i], c.byref(a)):
            if best[1] is None or a.width * a.height > best[1].width * best[1].height:
                best = (kids[i], a)
    if kids:
        x.XFree(kids)
    return best

def painted(w, a):
    # Until its first frame the window shows the black root behind it. Five one-pixel rows are
    # read, not the whole window: polling must not take the CPU the program starts with.
    for fy in range(1, 10, 2):
        img = x.XGetImage(dpy, w, 0, int(a.height * fy / 10), a.width, 1, 0xFFFFFFFF, 2)
        if not img:
            return False
        try:
            if any(x.XGetPixel(img, int(a.width * fx / 10), 0) & 0xFFFFFF
                   for fx in range(1, 10, 2)):
                return True
        finally:
            x.XDestroyImage(img)
    return False

cmd = sys.argv[1]
if cmd == "launch":  # launch LOG PROGRAM ARGS... prints: pid milliseconds
    log = open(sys.argv[2], "ab")
    t0 = time.monotonic()
    proc = subprocess.Popen(sys.argv[3:], stdout=log, stderr=log, start_new_session=True)
    mapped = False
    while time.monotonic() - t0 < 30:
        if proc.poll() is not None:
            sys.exit("the program ended early")
        # Once the window is mapped only its pixels are read: walking every window of the
        # display each millisecond kept the X server busy beside the starting program.
        if not mapped:
            w, a = main_window(proc.pid)
            mapped = bool(w and a.map_state == 2)
        if mapped and painted(w, a):
            print(proc.pid, round((time.monotonic() - t0) * 1000, 1))
            sys.exit(0)
        time.sleep(0.001)
    sys.exit("no window within 30 s")
w, a = main_window(int(sys.argv[2]))
if not w:
    sys.exit("no window")
state = c.c_long * 2
if cmd == "shot":  # shot PID FILE: the window as a binary PPM
    img = x.XGetImage(dpy, w, 0, 0, a.width, a.height, 0xFFFFFFFF, 2)
    rows = bytearray()
    for yy in range(a.height):
        for xx in range(a.width):
            p = x.XGetPixel(img, xx, yy)
            rows += bytes(((p >> 16) & 255, (p >> 8) & 255, p & 255))
    x.XDestroyImage(img)
    with open(sys.argv[3], "wb") as f:
        f.write(b"P6 %d %d 255\n" % (a.width, a.height) + bytes(rows))
elif cmd == "minimize":
    x.XChangeProperty(dpy, w, WM_STATE, WM_STATE, 32, 0, state(3, 0), 2)  # iconic
    x.XUnmapWindow(dpy, w)
else:
    x.XMapWindow(dpy, w)
    x.XChangeProperty(dpy, w, WM_STATE, WM_STATE, 32, 0, state(1, 0), 2)  # normal
x.XSync(dpy, 0)
EOF

tick=$(getconf CLK_TCK)
mpris() {
    gdbus call --session --dest org.mpris.MediaPlayer2.quellin \
        --object-path /org/mpris/MediaPlayer2 --method "$@" >/dev/null
}
status() {
    gdbus call --session --dest org.mpris.MediaPlayer2.quellin \
        --object-path /org/mpris/MediaPlayer2 --method org.freedesktop.DBus.Properties.Get \
        org.mpris.MediaPlayer2.Player PlaybackStatus 2>/dev/null | tr -dc 'A-Za-z'
}
wait_status() {
    for _ in $(seq 100); do
        case $(status) in *"$1"*) return 0 ;; esac
        sleep 0.1
    done
    echo "the player did not report $1" >&2
    exit 1
}
shot() { [ -z "$shots" ] || python3 "$work/xwin.py" shot "$1" "$shots/$2.ppm"; }
launch() { python3 "$work/xwin.py" launch "$work/quellin.log" "$program" "$@"; }
quit() {
    mpris org.mpris.MediaPlayer2.Quit 2>/dev/null || kill "$1" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.05; done
    kill "$1" 2>/dev/null || true
}
# Per thread: id, name, CPU nanoseconds (the scheduler's own count, or the 10 ms ticks where
# the kernel keeps none), context switches (a thread's wake-ups).
thread_sample() {
    local t
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s %s\n' "${t##*/}" "$(tr ' ' '_' <"$t/comm")" \
            "$(if [ -r "$t/schedstat" ]; then cut -d' ' -f1 "$t/schedstat"
               else awk -v tick="$tick" '{ print ($14 + $15) * 1e9 / tick }' "$t/stat"; fi)" \
            "$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$t/status")"
    done 2>/dev/null
}
# CPU time of the process (all threads, finished ones included) over $seconds, % of one core,
# then the X server's over the same span. With --threads the per-thread figures of the same
# span go to stderr.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu() {
    local a b xa xb t0 t1 before=""
    [ -z "$threads" ] || before=$(thread_sample "$1")
    a=$(ticks "$1"); xa=$(ticks "$xserver"); t0=$(date +%s%N)
    sleep "$seconds"
    b=$(ticks "$1"); xb=$(ticks "$xserver"); t1=$(date +%s%N)
    if [ -n "$threads" ]; then
        thread_sample "$1" | awk -v s="$seconds" -v before="$before" '
            BEGIN { n = split(before, l, "\n")
                    for (i = 1; i <= n; i++) { split(l[i], f, " "); c[f[1]] = f[3]; w[f[1]] = f[4] } }
            { printf "    %-24s %6.2f %% %7.1f wake-ups/s\n", $2, 100 * ($3 - c[$1]) / 1e9 / s,
                     ($4 - w[$1]) / s; all += $3 - c[$1] }
            END { printf "    %-24s %6.2f %%\n", "(these threads together)", 100 * all / 1e9 / s }' >&2
    fi
    awk -v d=$((b - a)) -v x=$((xb - xa)) -v tick="$tick" -v ns=$((t1 - t0)) \
        'BEGIN { printf "%.2f %.2f", 100 * d / tick / (ns / 1e9), 100 * x / tick / (ns / 1e9) }'
}

echo "Load before the starts: $(cut -d' ' -f1-3 /proc/loadavg)"
read -r pid _ < <(launch) # warm-up: makes the data folder, fills the file cache
quit "$pid"
times=()
cpus=()
for _ in $(seq "$starts"); do
    read -r pid ms < <(launch)
    cpus+=("$(awk -v tick="$tick" '{ print 1000 * ($14 + $15) / tick }' "/proc/$pid/stat")")
    times+=("$ms")
    quit "$pid"
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
startup=$(median "${times[@]}")
startup_cpu=$(median "${cpus[@]}")

read -r pid _ < <(launch)
pids+=("$pid")
# Library page, playing: the album opened while minimised shows the playing page, and the
# window comes back (like the tray's restore) on the page it was hidden from.
python3 "$work/xwin.py" minimize "$pid"
sleep 1
mpris org.mpris.MediaPlayer2.Player.OpenUri "$album_uri"
wait_status Playing
python3 "$work/xwin.py" restore "$pid"
mpris org.mpris.MediaPlayer2.Raise
sleep 3
shot "$pid" library
[ -z "$threads" ] || echo "  library page, playing:" >&2
read -r library library_x <<<"$(cpu "$pid")"
mpris org.mpris.MediaPlayer2.Player.Pause
wait_status Paused
sleep 2
[ -z "$threads" ] || echo "  library page, paused:" >&2
read -r paused_library paused_library_x <<<"$(cpu "$pid")"

# Playing page, playing: opening the album shows it.
mpris org.mpris.MediaPlayer2.Player.OpenUri "$album_uri"
wait_status Playing
sleep 3
shot "$pid" playing
[ -z "$threads" ] || echo "  playing page, playing:" >&2
read -r playing playing_x <<<"$(cpu "$pid")"
rss=$(awk '/^Rss:/ { print $2 / 1024 }' "/proc/$pid/smaps_rollup")

python3 "$work/xwin.py" minimize "$pid"
sleep 2
[ -z "$threads" ] || echo "  minimised, playing:" >&2
read -r hidden hidden_x <<<"$(cpu "$pid")"
python3 "$work/xwin.py" restore "$pid"
sleep 1
mpris org.mpris.MediaPlayer2.Player.Pause
wait_status Paused
sleep 3
shot "$pid" paused
[ -z "$threads" ] || echo "  playing page, paused:" >&2
read -r paused_playing paused_playing_x <<<"$(cpu "$pid")"
quit "$pid"

paused=$(awk -v a="$paused_library" -v b="$paused_playing" 'BEGIN { print (a > b) ? a : b }')
paused_x=$(awk -v a="$paused_library_x" -v b="$paused_playing_x" 'BEGIN { print (a > b) ? a : b }')
row() { printf '| %-44s | %12s | %10s | %10s |\n' "$1" "$2" "$3" "$4"; }
echo
row "State (CPU over ${seconds} s, % of one core)" "Quellin" "X server" "Goal"
row "---" "---" "---" "---"
row "Library page, playing" "$library %" "$library_x %" "<= 2 %"
row "Playing page (spinning disc), playing" "$playing %" "$playing_x %" "<= 4 %"
row "Window minimised, playing" "$hidden %" "$hidden_x %" "<= 0.3 %"
row "Paused (library $paused_library %, playing $paused_playing %)" "$paused %" \
    "$paused_x %" "<= 0.1 %"
row "Start to painted window, median of $starts" "$startup ms" "" "<= 120 ms"
row "Resident memory while playing" "$(printf '%.0f' "$rss") MiB" "" "<= 90 MiB"
echo
echo "CPU time of the process at its first frame, median: $startup_cpu ms (the start time"
echo "follows the load: $(cut -d' ' -f1-3 /proc/loadavg) now)."

# What any 16 ms animation of the meter's size costs here, before the player draws anything.
floor_program=$build/bench/bench_repaintfloor
if [ -x "$floor_program" ]; then
    floor=$("$floor_program" "$seconds" 2>>"$work/floor.log" || echo "?")
    echo "For scale: a bare widget of the meter's size repainted every 16 ms in a window of the"
    echo "player's size, nothing else (bench_repaintfloor): $floor % over $seconds s."
fi
