#!/bin/sh
# Loads 2,000 favourites and times adds on a file on disk (in the build folder, not a tmpfs /tmp,
# so the commits pay for their syncs). Usage: bench/favourites/run.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target bench_favourites
work=$(mktemp -d "$build/bench-favourites.XXXXXX")
trap 'rm -rf "$work"' EXIT
TABRAZO_HOME="$work" "$build/bench/favourites/bench_favourites"
