#!/usr/bin/env bash
# Start-up, measured with an X event watcher (bench_mapwatch) in one run beside a bare Qt Widgets
# program that shows one 327 x 575 window: exec to the main window mapped, and exec to the game
# list filled, with a cached catalogue that the server does not find stale. With SERVER=refused the
# server's port is closed, with SERVER=silent it takes the version request and never answers: the
# list then fills from the cached catalogue once the request has failed.
# Usage: [SERVER=up|refused|silent] bench/startup/run.sh [BUILD_DIR] [RUNS]   (needs a DISPLAY, e.g.
# Xvfb; no window manager)
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
case ${SERVER:-up} in
  refused) kill %1; wait %1 2>/dev/null || true ;;
  silent) curl -fsS "$base/__fault?path=/flashxmlfile/version.xml&mode=silent" >/dev/null ;;
  up) ;;
  *) echo "SERVER is up, refused or silent" >&2; exit 2 ;;
esac
export TABRAZO_HOME="$tmp/home" TABRAZO_SERVER="$base"
# A desktop session's runtime folder is in memory; without one, both programs would fall back to a
# folder on disk.
export XDG_RUNTIME_DIR=$(mktemp -d -p /dev/shm)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp" "$XDG_RUNTIME_DIR"' EXIT

watch=$build/bench/startup/bench_mapwatch
median() { sort -n | awk '{a[NR]=$1} END {printf "median %.0f ms (min %.0f, max %.0f)", a[int((NR+1)/2)], a[1], a[NR]}'; }
: >"$tmp/bare" ; : >"$tmp/mapped" ; : >"$tmp/filled"
for i in $(seq "$runs"); do
  # Alternated, so that both see the same state of the machine.
  "$watch" Tabrazo "$build/bench/startup/bench_barewindow" >"$tmp/out" 2>/dev/null & watcher=$!
  wait "$watcher" || true
  awk '/^mapped/ {print $2}' "$tmp/out" >>"$tmp/bare"
  pkill -9 -f "$build/bench/startup/bench_barewindow" || true

  # The game list, List2, lies at 112,99 in the main window.
  "$watch" --filled 120 102 180 60 Tabrazo "$build/tabrazo" >"$tmp/out" 2>/dev/null & watcher=$!
  wait "$watcher" || true
  awk '/^mapped/ {print $2}' "$tmp/out" >>"$tmp/mapped"
  awk '/^filled/ {print $2}' "$tmp/out" >>"$tmp/filled"
  pkill -9 -f "^$build/tabrazo$" || true
  sleep 0.5
done
echo "bare Qt window mapped:      $(median <"$tmp/bare"), $runs runs"
echo "Tabrazo main window mapped: $(median <"$tmp/mapped")"
echo "Tabrazo game list filled:   $(median <"$tmp/filled")"
