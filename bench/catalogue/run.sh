#!/bin/sh
# Builds catalogues of 2,000, 20,000 and 200,000 games and times parsing them, with the memory it
# takes, against iconv + pugixml. Usage: run.sh [BUILD_DIR] [RUNS]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-15}
cmake --build "$build" --target bench_catalogue
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for games in 2000 20000 200000; do
  python3 "$root/demo/generate.py" --catalogue-only "$work/LDsend-$games.Dll" --games "$games"
done
"$build/bench/catalogue/bench_catalogue" --runs "$runs" "$work/LDsend-2000.Dll" "$work/LDsend-20000.Dll" \
  "$work/LDsend-200000.Dll"
