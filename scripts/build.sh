#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Arguments go to the configure step, e.g.
# -DTABRAZO_BENCH=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build" -j "$(nproc)"
