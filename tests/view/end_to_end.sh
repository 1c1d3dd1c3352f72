#!/usr/bin/env bash
# The client in a real window on $DISPLAY against snapshot_test_server: select the tank,
# drive it, fire at the pointer, quit. Screenshots are kept in the output folder.
#   end_to_end.sh QUORVALE SNAPSHOT_SERVER OUTPUT_DIR       (run from the folder with gfx/)
# Exits 77 (skipped) without a display, its tools or a free loopback port 21000; under
# CI=true, where every tool is installed, that fails instead.
set -euo pipefail
quorvale=$1 server=$2 out=$3
source scripts/lib/common.sh

skip() {
  [ "${CI:-}" = true ] && { echo "FAILED: a skip fails under CI=true: $*"; exit 1; }
  echo "skipped: $*"
  exit 77
}
fail() { echo "FAILED: $*"; exit 1; }

# Inside the (private) network: the server, then the client in the foreground.
if [ "${E2E_INSIDE:-}" = 1 ]; then
  ip link set lo up 2>/dev/null
  "$server" --snapshots 5 >"$out/server.log" 2>&1 &
  server_pid=$!
  wait_until 5 0.1 grep -q listening "$out/server.log" || true
  status=0
  "$quorvale" >"$out/client.log" 2>&1 || status=$?
  # The server may have ended on its own; its end is not the test's.
  end_child "$server_pid"
  exit $status
fi

[ -n "${DISPLAY:-}" ] || skip "DISPLAY is not set"
for tool in xdotool import convert compare xdpyinfo; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
# The checks below compare exact colours, which only a 24-bit display keeps.
# (grep reads it all: an early exit of grep -q would fail the pipe under pipefail.)
xdpyinfo | grep 'depth of root window: *24 planes' >/dev/null || skip "the display is not 24 bits deep"
mkdir -p "$out" && rm -f "$out"/*.png "$out"/*.log

# A network namespace of our own keeps port 21000 free of anyone else's server.
if unshare -rn true 2>/dev/null; then
  E2E_INSIDE=1 unshare -rn bash "$0" "$@" &
elif ss -ltn 2>/dev/null | grep -q ':21000 '; then
  skip "port 21000 is taken and no private network namespace is available"
else
  E2E_INSIDE=1 bash "$0" "$@" &
fi
run_pid=$!
# What the test holds is let go too: a failure must not leave a key or button held on the
# display for the tests after it.
# errexit holds in the trap: nothing here may fail.
# The client and the server go first: the shell that started them, killed while it waits,
# would leave them running, the server on its port.
cleanup() {
  xdotool keyup 0 w q mouseup 1 2>/dev/null || true
  pkill -P "$run_pid" 2>/dev/null || true
  kill "$run_pid" 2>/dev/null || true
}
trap cleanup EXIT

window=$(client_window "$out/client.log" 20) ||
  fail "no Quorvale window appeared; client log: $(cat "$out/client.log")"
# Focus helps where a window manager would give it elsewhere; without one, none is needed.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool mousemove --window "$window" 380 240

shot() {
  window_screenshot "$window" "$out/$1.png" ||
    fail "no screenshot of the window for $1; client log: $(cat "$out/client.log")"
}
# compare exits 1 when the pictures differ, which is what is measured; 2 is an error.
count_unlike() { compare -metric AE "$1" "$2" null: 2>&1 || [ $? -eq 1 ]; }
# Pixels of the screenshot that differ from the map seen through a view at (x, y).
unlike_map() {
  convert gfx/map1.png -crop "640x480+$2+$3" +repage "$out/map-$2-$3.png"
  count_unlike "$out/$1.png" "$out/map-$2-$3.png"
}
# Pixels that differ between the 12 x 12 centres of two screenshots.
unlike_centre() {
  convert "$out/$1.png" -crop 12x12+314+234 +repage "$out/centre-$1.png"
  convert "$out/$2.png" -crop 12x12+314+234 +repage "$out/centre-$2.png"
  count_unlike "$out/centre-$1.png" "$out/centre-$2.png"
}
# Pixels of exactly this colour in the screenshot.
colour_count() {
  convert "$out/$1.png" -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]' info:
}
hold_key() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }

# The units and the first frame may take a while where the client runs slowly (under an
# emulator, on SDL2 through sdl12-compat, beside other stages): up to 30 s for each.
wait_until 30 0.1 units_arrived 5 "$out/client.log" || true
# The view at the map's corner, in a screenshot taken now.
shows_the_corner() {
  shot 1-no-unit
  [ "$(unlike_map 1-no-unit 0 0)" -lt 50 ]
}
wait_until 30 0.5 shows_the_corner ||
  fail "without a unit the view is not the map's corner" \
    "($(unlike_map 1-no-unit 0 0) pixels unlike it; client log: $(cat "$out/client.log"))"

hold_key 0 0.3
sleep 0.2
shot 2-selected
# The tank at (620, 660) puts the view at (300, 420); only the units differ from the map.
selected=$(unlike_map 2-selected 300 420)
[ "$selected" -gt 300 ] && [ "$selected" -lt 6000 ] ||
  fail "after 0 the view is not over the tank ($selected pixels unlike the map there)"

hold_key w 0.8
hold_key q 0.5
shot 3-driven
[ "$(unlike_map 3-driven 300 420)" -gt 50000 ] || fail "the view did not follow the tank"
[ "$(unlike_centre 2-selected 3-driven)" -eq 0 ] || fail "the tank is not at the screen's centre after driving"

# Fire at the pointer, 60 pixels east of the tank, for two seconds.
xdotool mousedown 1
shots=0 explosions=0
for n in $(seq 8); do
  sleep 0.2
  shot "4-firing-$n"
  [ "$(colour_count "4-firing-$n" '#FF0000')" -ge 4 ] && shots=$((shots + 1))
  [ "$(colour_count "4-firing-$n" '#F06E0A')" -ge 20 ] && explosions=$((explosions + 1))
done
xdotool mouseup 1
[ "$(colour_count 3-driven '#FF0000')" -eq 0 ] || fail "red on the screen before firing"
[ "$shots" -gt 0 ] || fail "no shot seen while firing"
[ "$explosions" -gt 0 ] || fail "no explosion seen while firing"

xdotool key Escape
wait_until 5 0.1 process_ended "$run_pid" || fail "the client did not end on Escape"
status=0
wait "$run_pid" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "the client ended with status $status: $(cat "$out/client.log")"
[ "$(tail -1 "$out/client.log")" = "Goodbye!" ] || fail "the client's last line is not Goodbye!"
echo "passed: shots in $shots, explosions in $explosions of 8 screenshots; see $out"
