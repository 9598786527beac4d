#!/usr/bin/env bash
# Installs what is missing, builds, starts what the tests need and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
bash scripts/build.sh -DTABRAZO_BENCH=ON

# The fuzzers need clang; they live in a build of their own.
fuzzbuild=build-fuzz
[ -f "$fuzzbuild/build.ninja" ] || cmake -S . -B "$fuzzbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DTABRAZO_FUZZ=ON
cmake --build "$fuzzbuild" -j "$(nproc)" --target tabrazo_fuzzers

# A display of our own, so the window tests never touch the user's desktop.
scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A sound server with a null sink, for the volume hotkeys.
export XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
  --load="module-null-sink sink_name=tabrazo_test" --load=module-native-protocol-unix \
  >"$scratch/pulse.log" 2>&1 &

export QTWEBENGINE_DISABLE_SANDBOX=1
status=0
(cd build && ctest --output-on-failure -j 2 --timeout 600) || status=1
# The display and sound servers' own words, when something failed.
if [ $status -ne 0 ]; then
  tail -n 20 "$scratch/xvfb.log" "$scratch/pulse.log" || true
fi
(cd "$fuzzbuild" && ctest --output-on-failure -j 2 --timeout 300) || status=1
exit $status
