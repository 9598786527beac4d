#!/bin/sh
# A 20 MiB download through bench_download whose first answer the server resets at half the body:
# the body bytes the server sent against the file's size, and the time, beside the same file unbroken.
# usage: bench/download/resume.sh [BUILD_DIR] [ROUNDS]
set -eu

build=${1:-build}
rounds=${2:-5}
bench=$(find "$build" -type f -name bench_download -perm -u+x | head -n 1)
server=$(find "$build" -type f -name tabrazo-contentserver -perm -u+x | head -n 1)
if [ -z "$bench" ] || [ -z "$server" ]; then
    echo "resume.sh: build bench_download and tabrazo-contentserver in $build first" >&2
    exit 2
fi

work=$(mktemp -d)
serverPid=
cleanup() {
    if [ -n "$serverPid" ]; then kill "$serverPid" 2>/dev/null || true; wait "$serverPid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

size=$((20 * 1024 * 1024))
mkdir "$work/site" "$work/out"
head -c "$size" /dev/urandom > "$work/site/big.bin"

"$server" --root "$work/site" --port 0 > "$work/server.out" &
serverPid=$!
for _ in $(seq 50); do
    grep -q '^listening on ' "$work/server.out" 2>/dev/null && break
    sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$work/server.out")
[ -n "$address" ] || { echo "resume.sh: the content server did not start" >&2; exit 1; }
base="http://$address"
echo "file: $size bytes at $base/big.bin"

# MODE for the path, then one transfer: seconds, body bytes sent, requests the server saw.
round() {
    curl -sf "$base/__fault?path=/big.bin&mode=$1" > /dev/null
    curl -sf "$base/__sent?path=/big.bin&clear=1" > /dev/null
    curl -sf "$base/__requests?clear=1" > /dev/null
    rm -rf "$work/out" && mkdir "$work/out"
    report=$("$bench" "$base/big.bin" "$work/out")
    seconds=$(echo "$report" | sed -n 's/.* in \([0-9.]*\) s .*/\1/p')
    sent=$(curl -sf "$base/__sent?path=/big.bin")
    requests=$(curl -sf "$base/__requests" | tr '\n' '|' | sed 's/|$//')
    echo "$seconds $sent $requests"
}

for round in $(seq "$rounds"); do
    set -- $(round none)
    echo "unbroken: $1 s, $2 bytes sent"
    set -- $(round reset:1)
    seconds=$1
    sent=$2
    shift 2
    echo "reset at 50 %: $seconds s, $sent bytes sent = $(echo "$sent $size" | awk '{ printf "%.3f", $1 / $2 }') x the file; requests: $*"
done
