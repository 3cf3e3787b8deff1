#!/usr/bin/env bash
# Pictures of every page at the design size, online against kdsp-sim, into
# docs/screenshots/ (the window as it starts, Chinese) and docs/screenshots/en/
# (English), run after a build. SHOT_LANGS="en" makes only the English ones.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
SHOT_LANGS=${SHOT_LANGS:-"zh en"}
OUT=${OUT:-docs/screenshots}
source scripts/sim-lib.sh
work=$(mktemp -d)
# The pictures neither read nor write kept settings; this keeps the user's own out of reach anyway.
export XDG_CONFIG_HOME="$work/config"
# The system page names the backup folder: a neutral one in the pictures (nothing is
# written there while the pictures are taken).
export XDG_DATA_HOME=/home/user/.local/share
cleanup+=("rm -rf '$work'")
showcase_preset "$BUILD" "$work/showcase.preset"
# The second set of the A/B and diff pictures: the showcase with a few settings more changed.
"$BUILD/src/cli/kdsp" preset export "$work/showcase.preset" | python3 scripts/showcase.py --after >"$work/after.json"
"$BUILD/src/cli/kdsp" preset import "$work/after.json" -o "$work/after.preset"
start_sim "$BUILD/src/sim/kdsp-sim" --state "$work/showcase.preset"
# A screen with room for the whole window: on a smaller one it would scroll.
echo '{"screens": [{"name": "shots", "x": 0, "y": 0, "width": 1600, "height": 1000}]}' >"$work/screen.json"
names=(music mic effects main aux1 aux2 rear system deq)
for lang in $SHOT_LANGS; do
  dir=$OUT
  args=()
  if [ "$lang" = en ]; then
    dir=$OUT/en
    args=(--lang en)
  fi
  mkdir -p "$dir"
  for tab in $(seq 1 9); do
    QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" timeout 60 "$BUILD/src/app/kdsp-control" --host 127.0.0.1 --port "$port" \
      --no-serial "${args[@]}" --screenshot "$dir/${tab}-${names[$((tab - 1))]}.png" --screenshot-tab "$tab" 2>/dev/null
  done
  # A/B with both slots taken, and the diff view of the two (10-compare-diff.png).
  QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" timeout 60 "$BUILD/src/app/kdsp-control" --host 127.0.0.1 --port "$port" \
    --no-serial "${args[@]}" --screenshot "$dir/10-compare.png" --screenshot-tab 1 \
    --screenshot-compare "$work/after.preset" 2>/dev/null
done
ls -R "$OUT"
