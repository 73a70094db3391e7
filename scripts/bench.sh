#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its own figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${QUELLIN_BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
. "$root/scripts/private-pulse.sh"
for b in "$build"/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" || echo "(failed with status $?)"
done
