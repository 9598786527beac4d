#!/bin/sh
# Downloads a 256 MiB file from the content server with bench_download and with curl, in the same run,
# and prints both speeds. Both write to a file in the same folder, so both pay for the disk.
# usage: bench/download/run.sh [BUILD_DIR] [ROUNDS]
set -eu

build=${1:-/tmp/build-h8}
rounds=${2:-3}
. "$(dirname "$0")/server.sh"
start_server $((256 * 1024 * 1024))
url="$base/big.bin"
echo "file: 256 MiB at $url; output to $work/out (same disk for both)"

bench_all=
curl_all=
for round in $(seq "$rounds"); do
    rm -rf "$work/out" && mkdir "$work/out"
    report=$("$bench" "$url" "$work/out")
    echo "$report"
    mib=$(echo "$report" | sed -n 's/.* = \([0-9.]*\) MiB\/s.*/\1/p')
    bench_all="$bench_all $mib"

    rm -rf "$work/out" && mkdir "$work/out"
    speed=$(curl -s -o "$work/out/curl.bin" -w '%{speed_download}' "$url")
    mib=$(echo "$speed" | awk '{ printf "%.1f", $1 / 1048576 }')
    echo "curl -o FILE: $mib MiB/s"
    curl_all="$curl_all $mib"
    rm -f "$work/out/curl.bin"
done

median() { echo "$@" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
b=$(median $bench_all)
c=$(median $curl_all)
echo "median of $rounds: DownLoad $b MiB/s, curl $c MiB/s, ratio $(echo "$b $c" | awk '{ printf "%.2f", $1 / $2 }')"
