#!/bin/sh
# A 20 MiB download through bench_download whose first answer the server resets at half the body:
# the body bytes the server sent against the file's size, and the time, beside the same file unbroken.
# usage: bench/download/resume.sh [BUILD_DIR] [ROUNDS]
set -eu

build=${1:-build}
rounds=${2:-5}
size=$((20 * 1024 * 1024))
. "$(dirname "$0")/server.sh"
start_server "$size"
echo "file: $size bytes at $base/big.bin"

# MODE for the path, then one transfer: seconds, body bytes sent, requests the server saw.
transfer() {
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
    set -- $(transfer none)
    echo "unbroken: $1 s, $2 bytes sent"
    set -- $(transfer reset:1)
    seconds=$1
    sent=$2
    shift 2
    echo "reset at 50 %: $seconds s, $sent bytes sent = $(echo "$sent $size" | awk '{ printf "%.3f", $1 / $2 }') x the file; requests: $*"
done
