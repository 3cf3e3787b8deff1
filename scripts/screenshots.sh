#!/usr/bin/env bash
# Pictures of every page at the design size, online against kdsp-sim, into
# docs/screenshots/ (run after a build).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
mkdir -p docs/screenshots
source scripts/sim-lib.sh
work=$(mktemp -d)
cleanup+=("rm -rf '$work'")
showcase_preset "$BUILD" "$work/showcase.preset"
start_sim "$BUILD/src/sim/kdsp-sim" --state "$work/showcase.preset"
names=(music mic effects main aux1 aux2 rear system deq)
for tab in $(seq 1 9); do
  QT_QPA_PLATFORM=offscreen timeout 60 "$BUILD/src/app/kdsp-control" --host 127.0.0.1 --port "$port" \
    --no-serial --screenshot "docs/screenshots/${tab}-${names[$((tab - 1))]}.png" --screenshot-tab "$tab" 2>/dev/null
done
ls docs/screenshots
