#!/usr/bin/env bash
# Search, random picks and List2 scrolling on the 20,000-game catalogue.
# Usage: bench/views/run.sh [BUILD_DIR] [KEYWORD]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
PYTHONPATH=/usr/lib/python3/dist-packages python3 "$root/demo/generate.py" --catalogue-only "$tmp/LDsend.Dll" --games 20000 >/dev/null
TABRAZO_HOME="$tmp" "$build/bench/views/bench_views" "${2:-小}"
