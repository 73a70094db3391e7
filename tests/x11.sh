#!/usr/bin/env bash
# Runs a test program on Qt's X11 platform, on a private Xvfb that ends with it.
# Exits with 77 (the test counts as skipped) when Xvfb is missing.
#   tests/x11.sh PROGRAM [ARGS...]
set -uo pipefail
command -v Xvfb >/dev/null || { echo "no Xvfb: X11 test skipped"; exit 77; }
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "Xvfb did not start"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY QT_QPA_PLATFORM=xcb
"$@"
