# Sourced by the download benchmarks once $build is set: finds bench_download and the content server,
# makes a work folder $work (with site/ and out/, removed on exit), and start_server SIZE serves a
# random file of SIZE bytes as $base/big.bin.

bench=$(find "$build" -type f -name bench_download -perm -u+x | head -n 1)
server=$(find "$build" -type f -name tabrazo-contentserver -perm -u+x | head -n 1)
if [ -z "$bench" ] || [ -z "$server" ]; then
    echo "$(basename "$0"): build bench_download and tabrazo-contentserver in $build first" >&2
    exit 2
fi

work=$(mktemp -d)
serverPid=
cleanup() {
    if [ -n "$serverPid" ]; then kill "$serverPid" 2>/dev/null || true; wait "$serverPid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
mkdir "$work/site" "$work/out"

start_server() {
    head -c "$1" /dev/urandom > "$work/site/big.bin"
    "$server" --root "$work/site" --port 0 > "$work/server.out" &
    serverPid=$!
    for _ in $(seq 50); do
        grep -q '^listening on ' "$work/server.out" 2>/dev/null && break
        sleep 0.1
    done
    address=$(sed -n 's/^listening on //p' "$work/server.out")
    [ -n "$address" ] || { echo "$(basename "$0"): the content server did not start" >&2; exit 1; }
    base="http://$address"
}
