#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo content server and opens Tabrazo against it.
# Without a DISPLAY it runs on a virtual one and saves a screenshot instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
bash scripts/build.sh

port=${TABRAZO_DEMO_PORT:-8790}
base="http://127.0.0.1:$port"
run="$root/demo-run"
mkdir -p "$run"
# The site is made anew each time; the program folder keeps its state between runs.
rm -rf "$run/site"
python3 demo/generate.py --site "$run/site" --base "$base"
[ -f "$run/home/VerTmp.Dll" ] || python3 demo/generate.py --program "$run/home" --base "$base"

pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; }
trap cleanup EXIT

build/tools/contentserver/tabrazo-contentserver --root "$run/site" --port "$port" >"$run/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q listening "$run/server.log" && break; sleep 0.1; done

export TABRAZO_HOME="$run/home" TABRAZO_SERVER="$base"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1

if [ -n "${DISPLAY:-}" ]; then
  build/tabrazo
  exit 0
fi

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
build/tabrazo >"$run/tabrazo.log" 2>&1 &
pids+=($!)
sleep "${TABRAZO_DEMO_SECONDS:-12}"
import -window root "$run/screenshot.png"
echo "No display: Tabrazo ran on a virtual one; screenshot saved to $run/screenshot.png"
