# Sourced by the demo and screenshot scripts: starts kdsp-sim on a free loopback
# port (sets sim_pid and port) and builds the showcase preset. Whatever it starts
# or creates is stopped or removed, by pid and path, when the script exits: the
# last first, so a simulator saving its memory on the way out still has its folder.
cleanup=()
run_cleanup() {
  local i
  for ((i = ${#cleanup[@]} - 1; i >= 0; i--)); do eval "${cleanup[i]}"; done
}
trap run_cleanup EXIT

# Arguments after the simulator's path are passed on to it.
start_sim() {
  local sim=$1 out
  shift
  out=$(mktemp)
  "$sim" --listen 127.0.0.1:0 "$@" >"$out" 2>/dev/null &
  sim_pid=$!
  cleanup+=("stop_sim $sim_pid" "rm -f '$out'")
  port=""
  for _ in $(seq 100); do
    port=$(awk '/^listen/{print $3}' "$out")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "kdsp-sim did not start" >&2
  exit 1
}

# Once only: a pid that has been waited for may belong to another process later.
stopped=" "
stop_sim() {
  case "$stopped" in *" $1 "*) return 0 ;; esac
  stopped+="$1 "
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true  # it saves its --state memory on the way out
}

# showcase_preset BUILD FILE: the simulator's factory memory with EQ settings worth
# looking at (scripts/showcase.py) as a preset file, so a first look at the window
# shows shaped curves rather than flat lines.
showcase_preset() {
  local build=$1 file=$2 work
  work=$(mktemp -d)
  cleanup+=("rm -rf '$work'")
  start_sim "$build/src/sim/kdsp-sim" --state "$work/default.preset"
  stop_sim "$sim_pid"
  "$build/src/cli/kdsp" preset export "$work/default.preset" | python3 scripts/showcase.py >"$work/showcase.json"
  "$build/src/cli/kdsp" preset import "$work/showcase.json" -o "$file"
}
