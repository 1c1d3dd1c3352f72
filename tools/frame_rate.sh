#!/usr/bin/env bash
# Frames per second of the real client on SDL's dummy driver: with no server (the map
# alone) and against our snapshot server with 63 units. A frame is one pass of the loop,
# which waits 20 ms at its head; strace counts those waits (clock_nanosleep calls of the
# main thread) over 10 seconds after a 3-second warm-up.
# Usage: tools/frame_rate.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages "${play_packages[@]}" strace
build_programs >/dev/null
build=$(preset_build_dir play)

# Another program on this machine may hold the game's port: measure in a network of our own.
if [ -z "${QUORVALE_FPS_NETWORK:-}" ]; then
  export QUORVALE_FPS_NETWORK=private
  in_private_network "$0" "$@"
  exit
fi

# Frames per second of a client started now, with the server given as arguments (if any).
measure() {
  local server_pid="" client_pid calls
  if [ $# -gt 0 ]; then
    "$@" &
    server_pid=$!
    sleep 1
  fi
  SDL_VIDEODRIVER=dummy "$build/quorvale" >/dev/null &
  client_pid=$!
  sleep 3
  calls=$(timeout -s INT 10 strace -c -e trace=clock_nanosleep,nanosleep -p "$client_pid" 2>&1 |
    awk '$NF ~ /nanosleep$/ { n += $4 } END { print n + 0 }')
  kill -TERM "$client_pid"
  wait "$client_pid"
  if [ -n "$server_pid" ]; then
    kill "$server_pid"
    wait "$server_pid" || true
  fi
  awk -v n="$calls" 'BEGIN { printf "%.1f frames/s (%.2f ms a frame)\n", n / 10, 10000 / n }'
}

echo "No server, the map alone:      $(measure)"
if [ -x "$build/quorvale-server" ]; then
  echo "quorvale-server --units 63:    $(measure "$build/quorvale-server" --units 63 --quiet)"
fi
