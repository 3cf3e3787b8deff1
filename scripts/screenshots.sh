#!/usr/bin/env bash
# Pictures of every page at the design size, online against kdsp-sim, into
# docs/screenshots/ (run after a build).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
mkdir -p docs/screenshots
source scripts/sim-lib.sh
# The simulator starts from the default memory with some EQ settings changed.
work=$(mktemp -d)
start_sim "$BUILD/src/sim/kdsp-sim" --state "$work/default.preset"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true  # it saves its memory on the way out
"$BUILD/src/cli/kdsp" preset export "$work/default.preset" | python3 scripts/showcase.py >"$work/showcase.json"
"$BUILD/src/cli/kdsp" preset import "$work/showcase.json" -o "$work/showcase.preset"
start_sim "$BUILD/src/sim/kdsp-sim" --state "$work/showcase.preset"
names=(music mic effects main aux1 aux2 rear system deq)
for tab in $(seq 1 9); do
  QT_QPA_PLATFORM=offscreen timeout 60 "$BUILD/src/app/kdsp-control" --host 127.0.0.1 --port "$port" \
    --no-serial --screenshot "docs/screenshots/${tab}-${names[$((tab - 1))]}.png" --screenshot-tab "$tab" 2>/dev/null
done
rm -rf "$work"
ls docs/screenshots
