#!/usr/bin/env bash
# The whole client under ThreadSanitizer: a ThreadSanitizer build of quorvale runs on a
# virtual display against quorvale-server at its fastest rate (100 snapshots a second)
# with 63 units, which leave and are replaced under fresh ids as the world runs, while
# xdotool holds and changes keys and mouse buttons: units taken and let go with the
# number keys, w, s, q, a and d held in turn, both buttons fired, the pointer moving.
# Escape then ends the game. Passes only if the server was serving within 10 s, neither
# program printed a ThreadSanitizer report, at least the 63 units joined, the client exited
# with status 0 and its last line is "Goodbye!", and the server, stopped after it, with 0.
# Ends with one line. Usage (from anywhere): tests/hostile/tsan_client_run.sh QUORVALE QUORVALE_SERVER [seconds]
set -euo pipefail
client=$(realpath "$1")
server=$(realpath "$2")
seconds=${3:-30}
cd "$(dirname "$0")/../.."
source scripts/lib/common.sh

# The client's port is fixed: run in a network of our own where the system allows it.
if [ -z "${QUORVALE_TSAN_NETWORK:-}" ]; then
  export QUORVALE_TSAN_NETWORK=private
  in_private_network "$0" "$client" "$server" "$seconds"
  exit
fi

work=$(mktemp -d)
server_pid=""
client_pid=""
# errexit holds in the trap: nothing here may fail.
cleanup() {
  for held in w s q a d 1 2 3 4 5; do xdotool keyup "$held" 2>/dev/null || true; done
  xdotool mouseup 1 2>/dev/null || true
  xdotool mouseup 3 2>/dev/null || true
  end_child "$client_pid"
  end_child "$server_pid"
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "tsan_client_run: FAILED: $1"
  for log in "$work"/client.err "$work"/server.err; do
    [ -s "$log" ] && { echo "--- $log"; head -n 60 "$log"; }
  done
  exit 1
}

# halt_on_error=0: a report does not stop the run, so the whole run is checked.
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 suppressions=$PWD/tests/hostile/tsan.supp"
start_display
"$server" --units 63 --rate 100 --seed 11 --duration $((seconds + 60)) \
  >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
# Ours, listening: another program on the port would leave it refused and ended.
wait_until 10 0.1 said_or_ended 'serving on' "$work/server.err" "$server_pid" || true
grep -q 'serving on' "$work/server.err" || fail "quorvale-server was not serving within 10 s"
"$client" >"$work/client.out" 2>"$work/client.err" &
client_pid=$!

window=$(client_window "$work/client.out") || fail "the client opened no window"
xdotool mousemove --window "$window" 320 240

# Every 0.4 s one change of what is held; ThreadSanitizer slows the client, so each
# state lasts several frames.
steering=(w s q a d)
end=$((SECONDS + seconds))
step=0
held_unit=""
while [ "$SECONDS" -lt "$end" ]; do
  kill -0 "$client_pid" 2>/dev/null || fail "the client ended early"
  key=${steering[$((step % 5))]}
  case $((step % 4)) in
    0)
      [ -n "$held_unit" ] && xdotool keyup "$held_unit"
      held_unit=$((step % 5 + 1))
      xdotool keydown "$held_unit"
      ;;
    1) xdotool keydown "$key" mousedown 1 ;;
    2) xdotool mousemove --window "$window" $((100 + 37 * step % 440)) $((80 + 23 * step % 320)) \
      mousedown 3 ;;
    3) xdotool keyup "$key" mouseup 1 mouseup 3 ;;
  esac
  step=$((step + 1))
  sleep 0.4
done
[ -n "$held_unit" ] && xdotool keyup "$held_unit"

xdotool keydown Escape
sleep 0.5
xdotool keyup Escape
wait_until 30 0.1 process_ended "$client_pid" || fail "the client did not end within 30 s of Escape"
status=0
wait "$client_pid" || status=$?
client_pid=""
kill -0 "$server_pid" 2>/dev/null || fail "quorvale-server ended before the client"
kill "$server_pid"
server_status=0
wait "$server_pid" || server_status=$?
server_pid=""

reports=$(cat "$work/client.err" "$work/server.err" | grep -c '^WARNING: ThreadSanitizer' || true)
[ "$reports" -eq 0 ] || fail "$reports ThreadSanitizer reports"
[ "$status" -eq 0 ] || fail "the client exited with status $status"
[ "$server_status" -eq 0 ] || fail "quorvale-server exited with status $server_status"
last=$(tail -n 1 "$work/client.out")
[ "$last" = "Goodbye!" ] || fail "the client's last line is \"$last\", not \"Goodbye!\""
joined=$(grep -c 'New entity added!' "$work/client.out" || true)
[ "$joined" -ge 63 ] || fail "only $joined units joined; the server serves 63"
echo "tsan_client_run: no ThreadSanitizer report in ${seconds} s, $step input changes," \
  "$joined units joined, the client said Goodbye!"
