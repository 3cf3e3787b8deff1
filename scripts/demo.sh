#!/usr/bin/env bash
# make demo: the simulated processor on a free loopback port and the window
# connected to it. Closing the window stops the simulator. Without a display
# the window runs under xvfb-run, saves build/demo.png once online and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
SIM=$BUILD/src/sim/kdsp-sim
APP=$BUILD/src/app/kdsp-control
source scripts/sim-lib.sh
# The simulator starts from the showcase preset: shaped EQ curves, not flat lines.
work=$(mktemp -d)
cleanup+=("rm -rf '$work'")
showcase_preset "$BUILD" "$work/showcase.preset"
start_sim "$SIM" --state "$work/showcase.preset"
echo "demo: kdsp-sim on 127.0.0.1:$port, from the showcase preset"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$APP" --host 127.0.0.1 --port "$port" --no-serial
else
  rm -f "$BUILD/demo.png"
  timeout 120 xvfb-run -a "$APP" --host 127.0.0.1 --port "$port" --no-serial --screenshot "$BUILD/demo.png"
  [ -s "$BUILD/demo.png" ] || { echo "demo: no picture was saved" >&2; exit 1; }
  echo "demo: saved $BUILD/demo.png"
fi
