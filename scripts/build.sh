#!/usr/bin/env bash
# Configures and builds Quellin into build/ (or $QUELLIN_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUELLIN_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QUELLIN_CMAKE_ARGS:-}
fi
cmake --build "$build" --parallel "$(nproc)"
