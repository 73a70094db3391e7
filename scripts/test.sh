#!/usr/bin/env bash
# Sets up, builds and runs every test. When no sound server answers, a private PulseAudio with
# a null sink is started for the tests and stopped afterwards by its process id.
# Extra arguments go to ctest (for example: -R cue).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${QUELLIN_BUILD_DIR:-$root/build}

. "$root/scripts/private-pulse.sh"

cd "$build"
ctest --output-on-failure --timeout 600 "$@"
