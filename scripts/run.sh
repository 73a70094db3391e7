#!/usr/bin/env bash
# Sets up, builds and starts the player. Arguments are passed on (sheets or audio files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${QUELLIN_BUILD_DIR:-$root/build}
exec "$build/bin/quellin" "$@"
