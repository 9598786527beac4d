#!/usr/bin/env bash
# Cost of the snapping hook per move event during a 500-step drag of the main window.
# Usage: bench/snap/run.sh [build dir]   (needs an X display; starts Xvfb :97 when DISPLAY is unset)
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target bench_snap >/dev/null
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb' EXIT
  export DISPLAY=:97
  sleep 1
fi
QT_QPA_PLATFORM=xcb "$build/bench/snap/bench_snap"
