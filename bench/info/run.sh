#!/usr/bin/env bash
# The information window over 100 selections in a row against the content server on loopback.
# Usage: bench/info/run.sh [BUILD_DIR] [GAMES]   (needs a display, or QT_QPA_PLATFORM=offscreen)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
tmp=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server"; rm -rf "$tmp"' EXIT
mkdir "$tmp/site"
"$build/tools/contentserver/tabrazo-contentserver" --root "$tmp/site" --port 0 >"$tmp/server.out" &
server=$!
for _ in $(seq 50); do grep -q "listening on" "$tmp/server.out" && break; sleep 0.1; done
base="http://$(awk '/listening on/ {print $NF}' "$tmp/server.out")"
PYTHONPATH=/usr/lib/python3/dist-packages python3 "$root/demo/generate.py" --site "$tmp/site" --base "$base" \
  --games "${2:-100}" >/dev/null
"$build/bench/info/bench_info" "$base" "$tmp/site" "${2:-100}"
