#!/usr/bin/env bash
# Soak: the real client against our snapshot server with 63 units (units come and go) on a
# virtual display, with scripted input: take a unit, hold w and the left mouse button,
# change unit now and then. Reports the client's memory (VmRSS) at the start and the end,
# once a minute between, and its frames per second (counted as the frame loop's 20 ms
# waits, which strace sees as clock_nanosleep calls of the main thread).
# Usage: tools/soak.sh [minutes] (default 10). Output also goes to soak.log in the build
# folder (preset play).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
minutes=${1:-10}

ensure_packages "${play_packages[@]}" "${display_packages[@]}" strace
build_programs >/dev/null
build=$(preset_build_dir play)
if [ ! -x "$build/quorvale-server" ]; then
  echo "The soak needs our snapshot server, $build/quorvale-server (the server/ folder)" >&2
  exit 1
fi

# Another program on this machine may hold the game's port: soak in a network of our own.
if [ -z "${QUORVALE_SOAK_NETWORK:-}" ]; then
  export QUORVALE_SOAK_NETWORK=private
  in_private_network "$0" "$@"
  exit
fi

server_pid=""
client_pid=""
cleanup() {
  xdotool keyup w 2>/dev/null || true
  xdotool mouseup 1 2>/dev/null || true
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null && wait "$client_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  stop_display
  return 0
}
trap cleanup EXIT
exec > >(tee "$build/soak.log") 2>&1

start_display
"$build/quorvale-server" --units 63 --seed 7 --quiet --duration $((minutes * 60 + 120)) &
server_pid=$!
sleep 1
"$build/quorvale" >"$build/soak-client.out" 2>"$build/soak-client.err" &
client_pid=$!

window=$(client_window "$build/soak-client.out" 10) || { echo "The client opened no window" >&2; exit 1; }

# VmRSS of the client in kB.
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$client_pid/status"; }

# Frames per second over the next 10 seconds: the main thread's 20 ms waits.
fps() {
  local calls
  calls=$(timeout -s INT 10 strace -c -e trace=clock_nanosleep,nanosleep -p "$client_pid" 2>&1 |
    awk '$NF ~ /nanosleep$/ { n += $4 } END { print n + 0 }')
  awk -v n="$calls" 'BEGIN { printf "%.1f", n / 10 }'
}

# The pointer over the map, a unit taken, throttle and fire held from here to the end.
xdotool mousemove --window "$window" 420 300
xdotool keydown 1
sleep 0.5
xdotool keydown w
xdotool mousedown 1
sleep 10

echo "Soak: ${minutes} min, client against quorvale-server --units 63, input scripted"
start_rss=$(rss)
start_fps=$(fps)
echo "minute 0: VmRSS ${start_rss} kB, ${start_fps} frames/s"
held=1
for minute in $(seq 1 "$minutes"); do
  # Let go of the unit and take another now and then; the pointer moves too.
  for step in 1 2 3; do
    sleep 16
    next=$(((held % 5) + 1))
    xdotool keyup "$held"
    xdotool keydown "$next"
    held=$next
    xdotool mousemove --window "$window" $((200 + 80 * step)) $((150 + 60 * step))
  done
  rate=$(fps)
  echo "minute ${minute}: VmRSS $(rss) kB, ${rate} frames/s"
  end_fps=$rate
done
end_rss=$(rss)
import -window root -crop 640x480+0+0 "$build/soak-screenshot.png"

xdotool keyup "$held"
kill -TERM "$client_pid"
status=0
wait "$client_pid" || status=$?
client_pid=""
echo "VmRSS at start ${start_rss} kB, at end ${end_rss} kB ($((end_rss - start_rss)) kB)"
echo "Frames per second at start ${start_fps}, at end ${end_fps}"
echo "Units that joined: $(grep -c 'New entity added!' "$build/soak-client.out")," \
  "position warnings: $(grep -c 'HAXXOR DETEKTED!' "$build/soak-client.out")"
echo "Client exit status ${status}; last line: $(tail -n 1 "$build/soak-client.out")"
echo "Screenshot at the end: $build/soak-screenshot.png"
[ "$status" -eq 0 ] && [ "$(tail -n 1 "$build/soak-client.out")" = "Goodbye!" ]
