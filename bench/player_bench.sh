#!/usr/bin/env bash
# Runs the player benchmark on a virtual X server (software OpenGL).
#   bash bench/player_bench.sh [BUILD_DIR] [SECONDS_OF_STALL_WATCH]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target player_bench >/dev/null
exec xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$build/bench/player_bench" "${2:-20}"
