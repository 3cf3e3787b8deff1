# Sourced by the demo and screenshot scripts: starts kdsp-sim on a free loopback
# port, sets sim_pid and port, and stops the simulator by pid when the script exits.
# Arguments after the simulator's path are passed on to it.
start_sim() {
  local sim=$1 out
  shift
  out=$(mktemp)
  "$sim" --listen 127.0.0.1:0 "$@" >"$out" 2>/dev/null &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "'"$out"'"' EXIT
  port=""
  for _ in $(seq 100); do
    port=$(awk '/^listen/{print $3}' "$out")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "kdsp-sim did not start" >&2
  exit 1
}
