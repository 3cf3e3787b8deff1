#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time and prints its executions.
# Usage: fuzz/run-smoke.sh BUILD_DIR SECONDS
# New inputs go to fuzz/corpus-work/<name> (not committed); the committed seeds
# in fuzz/corpus/<name> are only read.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-fuzz}"
seconds="${2:-60}"
total=0
failed=0
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if ((${#targets[@]} == 0)); then
  echo "no fuzz targets in $build/fuzz (run make fuzz)" >&2
  exit 1
fi
mkdir -p "$build/fuzz-artifacts"
for bin in "${targets[@]}"; do
  [ -x "$bin" ] || continue
  target="$(basename "$bin")"
  name="${target#fuzz_}"
  seeds="fuzz/corpus/$name"
  work="fuzz/corpus-work/$name"
  mkdir -p "$work"
  [ -d "$seeds" ] || seeds=""
  log="$build/fuzz-artifacts/$name.log"
  if "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -artifact_prefix="$build/fuzz-artifacts/$name-" "$work" $seeds >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  runs="${runs:-0}"
  total=$((total + runs))
  echo "$target: $status, $runs executions in ${seconds}s"
  if [ "$status" = FAILED ]; then
    grep -E "ERROR|invariant broken|SUMMARY|Test unit written" "$log" | head -20 >&2 || true
  fi
done
echo "fuzz-smoke: $total executions in all"
exit "$failed"
