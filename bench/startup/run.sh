#!/usr/bin/env bash
# Start-up to the main window shown, with a cached catalogue that the server does not find stale.
# Usage: bench/startup/run.sh [BUILD_DIR] [RUNS]   (needs a DISPLAY, e.g. Xvfb)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-10}
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT

mkdir -p "$tmp/site"
"$build/tools/contentserver/tabrazo-contentserver" --root "$tmp/site" --port 0 >"$tmp/server.out" 2>/dev/null &
for _ in $(seq 50); do grep -q listening "$tmp/server.out" 2>/dev/null && break; sleep 0.1; done
base="http://$(awk '{print $NF}' "$tmp/server.out")"
python3 "$root/demo/generate.py" --site "$tmp/site" --program "$tmp/home" --base "$base" >/dev/null
cp "$tmp/site/flashxmlfile/version.xml" "$tmp/home/VerTmp.Dll"
cp "$tmp/site/flashxmlfile/gamelist.xml" "$tmp/home/LDsend.Dll"

times=()
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  TABRAZO_HOME="$tmp/home" TABRAZO_SERVER="$base" "$build/tabrazo" >/dev/null 2>&1 &
  pid=$!
  xdotool search --sync --onlyvisible --pid "$pid" --name '^Tabrazo$' >/dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
  kill -9 "$pid"; wait "$pid" 2>/dev/null || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start-up to main window shown (ms), $runs runs: median $(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p"), min $(echo "$sorted" | head -1), max $(echo "$sorted" | tail -1)"
