#!/bin/sh
# Builds the 20,000-game catalogue and times parsing it. Usage: run.sh [BUILD_DIR] [RUNS]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-15}
cmake --build "$build" --target bench_catalogue
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/demo/generate.py" --catalogue-only "$work/LDsend.Dll" --games 20000
"$build/bench/catalogue/bench_catalogue" "$work/LDsend.Dll" "$runs"
