#!/usr/bin/env bash
# Installs the built package, plays the installed game from an unrelated folder as its menu
# entry starts it, alone and beside the service's server, then purges the package and
# checks that nothing of it is left.
# Needs root (or sudo without a password); without either it says so in one line and
# exits 77, as a skipped test, or 1 under CI=true, where a skip means something broke.
# Usage: tests/package/install_test.sh [dist/quorvale_<version>_<arch>.deb]
set -euo pipefail

self=$(realpath "$0")
# A virtual display of the test's own, and the wait for the game's window.
source "$(dirname "$self")/../../scripts/lib/common.sh"
installed_map=/usr/share/games/quorvale/gfx/map1.png

fail() {
  echo "install test: $*" >&2
  exit 1
}

# Sends SIGTERM and waits up to 10 s; sets exit_code, or fails if it does not end.
stop_process() {
  local pid=$1 name=$2
  kill -TERM "$pid" 2>/dev/null || true
  if ! wait_until 10 0.1 process_ended "$pid"; then
    kill -KILL "$pid"
    fail "$name did not end within 10 s of SIGTERM"
  fi
  exit_code=0
  wait "$pid" || exit_code=$?
}

# True when something takes connections on the game's port on localhost.
listening() {
  (: </dev/tcp/127.0.0.1/"$(game_port)") 2>/dev/null
}

# The running quorvale-server processes, a pid a line, found through /proc (a minimal root
# has no ps). One that has ended and waits to be reaped has no program any more. Where the
# kernel runs the package's programs through an emulator (qemu's binfmt handler, on a
# machine of another processor), the program is the emulator and the server's path is the
# argument after it. Read by the shell itself: this runs in polling loops, and a process
# started for each of the machine's processes would take seconds a call.
server_pids() {
  local process words server=/usr/games/quorvale-server
  for process in /proc/[0-9]*; do
    words=()
    mapfile -d '' -t words 2>/dev/null <"$process/cmdline" || true
    if [ "$process/exe" -ef "$server" ] ||
      [[ ${words[0]:-} == *qemu* && ${words[1]:-} == "$server" ]]; then
      echo "${process#/proc/}"
    fi
  done
}

no_server() { [ -z "$(server_pids)" ]; }

listening_or_ended() { listening || process_ended "$1"; }

# Waits up to $1 seconds for no quorvale-server to run; fails with $2 if one does.
expect_no_server() {
  wait_until "$1" 0.1 no_server ||
    fail "$2 (quorvale-server still running: $(server_pids | paste -sd' '))"
}

# start_menu_entry OUTPUT [VARIABLE=VALUE...]: starts the menu entry's command as a menu
# does, on the test's display, with its output in OUTPUT and those settings; sets client.
start_menu_entry() {
  local output=$1 exec_line
  shift
  exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/quorvale.desktop)
  read -ra exec_line <<<"$exec_line"
  env XDG_STATE_HOME="$folder/state" "$@" "${exec_line[@]}" >"$output" 2>&1 &
  client=$!
}

# Waits up to 20 s for the game's first unit in its output $1, or fails with $2.
expect_units() {
  wait_until 20 0.1 said_or_ended 'New entity added!' "$1" "$client" || true
  grep -q 'New entity added!' "$1" && return
  cat "$1" >&2
  fail "$2"
}

# The installed game as a player starts it, from a fresh folder: alone (a private server
# comes and goes with it), and beside the service's server (it joins). Run inside a
# network namespace of its own where possible, so the game's port is ours alone.
play() {
  [ "${1:-}" = private ] && ip link set lo up
  # Globals: the trap runs after play's own variables are gone.
  server="" client=""
  folder=$(mktemp -d)
  # errexit holds in the trap: a program already ended is no failure.
  trap 'if [ -n "$client" ]; then kill -KILL "$client" 2>/dev/null || true; fi
    if [ -n "$server" ]; then kill -KILL "$server" 2>/dev/null || true; fi
    rm -rf "$folder"' EXIT
  cd "$folder"

  getent hosts localhost >/dev/null ||
    fail "localhost does not resolve here, and the game connects to localhost; a machine" \
      "without /etc/hosts gets it from the Debian package netbase"
  local help
  help=$(/usr/games/quorvale-server --help)
  [[ $help == *"(default $installed_map)"* ]] ||
    fail "quorvale-server --help does not name $installed_map as the default map"
  [ -z "$(server_pids)" ] || fail "a quorvale-server runs already; this test needs none"

  start_menu_entry alone.log
  expect_units alone.log "the menu entry showed no unit within 20 s with no server running"
  [ "$(server_pids | wc -l)" -eq 1 ] || fail "the menu entry did not start one private server"
  grep -q 'serving on' "$folder/state/quorvale/server.log" ||
    fail "the private server's lines are not in its log"
  ! grep -q '^quorvale-server:' alone.log || fail "the private server's lines reach the game's output"
  local window
  window=$(client_window alone.log 20) || fail "the game opened no window on the display"
  xdotool mousemove --window "$window" 320 240 key Escape
  wait_until 10 0.1 process_ended "$client" || true
  stop_process "$client" quorvale
  client=""
  grep -q '^Goodbye!$' alone.log && [ "$exit_code" -eq 0 ] ||
    { cat alone.log >&2; fail "quorvale did not end cleanly on Escape (exit $exit_code)"; }
  expect_no_server 2 "the private server outlived the game's end by 2 s"
  echo "played alone: $(grep -c 'New entity added!' alone.log) units arrived from a private" \
    "server, which ended with the game on Escape"

  start_menu_entry killed.log SDL_VIDEODRIVER=dummy
  expect_units killed.log "the menu entry showed no unit within 20 s the second time"
  kill -KILL "$client"
  { wait "$client" || true; } 2>/dev/null
  client=""
  expect_no_server 2 "the private server outlived the game's kill -9 by 2 s"
  echo "kill -9 of the game: its private server was gone within 2 s"

  # The service's own command, as systemd would run it (it is not PID 1 here).
  local unit exec_start
  unit=$(dpkg -L quorvale | grep '/systemd/system/quorvale-server\.service$')
  exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
  read -ra exec_start <<<"$exec_start"
  "${exec_start[@]}" >server.log 2>&1 &
  server=$!
  wait_until 10 0.1 listening_or_ended "$server" || true
  process_ended "$server" && { cat server.log >&2; fail "quorvale-server ended at start"; }
  listening || fail "quorvale-server is not listening on port $(game_port)"

  start_menu_entry joined.log SDL_VIDEODRIVER=dummy
  expect_units joined.log "the menu entry showed no unit of the service's server within 20 s"
  [ "$(server_pids)" = "$server" ] ||
    fail "the menu entry started a server beside the service's: $(server_pids | paste -sd' ')"
  stop_process "$client" quorvale
  client=""
  grep -q '^Goodbye!$' joined.log && [ "$exit_code" -eq 0 ] ||
    { cat joined.log >&2; fail "quorvale did not end cleanly on SIGTERM (exit $exit_code)"; }
  stop_process "$server" quorvale-server
  server=""
  [ "$exit_code" -eq 0 ] || { cat server.log >&2; fail "quorvale-server exited $exit_code on SIGTERM"; }
  echo "joined the service's server: $(grep -c 'New entity added!' joined.log) units arrived," \
    "no second server started, both ended cleanly"
}

# Every name under the system's folders that mentions quorvale.
quorvale_names() {
  { find /etc /usr /var/lib /opt -xdev -name '*quorvale*' 2>/dev/null || true; } | sort
}

main() {
  if [ "$(id -u)" -ne 0 ]; then
    sudo -n true 2>/dev/null && exec sudo -n -- "$self" "$@"
    echo "install test skipped: installing a package needs root or sudo, and neither is here"
    [ "${CI:-}" = true ] && fail "a skip fails under CI=true"
    exit 77
  fi
  cd "$(dirname "$0")/../.."
  local deb=${1:-}
  if [ -z "$deb" ]; then
    deb=dist/$(debian_package_file "$(dpkg --print-architecture)")
  fi
  [ -f "$deb" ] || fail "no package at $deb; build it with scripts/package"
  deb=$(realpath "$deb")
  dpkg-query -W -f='${Status}' quorvale 2>/dev/null | grep -q 'ok installed' &&
    fail "quorvale is already installed here, and this test would remove it; dpkg --purge it first"
  # A root that only ever installs this package has none of these yet.
  ensure_packages systemd iproute2 "${display_packages[@]}"

  # Globals: the trap runs after main's own variables are gone.
  before=$(mktemp) after=$(mktemp) contents=$(mktemp)
  trap 'if dpkg-query -W quorvale >/dev/null 2>&1; then as_package_manager dpkg --purge quorvale >/dev/null || true; fi
    stop_display
    rm -f "$before" "$after" "$contents"' EXIT
  # A display of its own: no other test's window takes the keys it sends.
  start_display
  quorvale_names >"$before"
  # The package's paths, and whether each was there before it.
  dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's:/$::' | grep . |
    while read -r path; do
      if [ -e "$path" ]; then echo "there $path"; else echo "new $path"; fi
    done >"$contents"

  echo "== Installing $(basename "$deb")"
  apt_get install -y -qq "$deb" >/dev/null 2>&1 || {
    apt_get update -qq >/dev/null
    apt_get install -y -qq "$deb" >/dev/null
  }
  local unit
  unit=$(dpkg -L quorvale | grep '/systemd/system/quorvale-server\.service$')
  # verify reads the unit's Documentation= page with man, which a machine may not have.
  if command -v man >/dev/null; then
    systemd-analyze verify "$unit"
    echo "systemd-analyze verify $unit: passed"
  else
    systemd-analyze verify --man=no "$unit"
    echo "systemd-analyze verify $unit: passed (its man page unchecked: no man here)"
  fi
  if systemctl is-enabled quorvale-server.service >/dev/null 2>&1; then
    fail "installing enabled quorvale-server.service; it must only be installed"
  fi

  if command -v ip >/dev/null && unshare --net true 2>/dev/null; then
    unshare --net "$self" --play private
  else
    echo "(no private network here: playing on this machine's own port $(game_port))"
    "$self" --play
  fi

  echo "== Purging"
  as_package_manager dpkg --purge quorvale >/dev/null
  quorvale_names >"$after"
  local left
  left=$(comm -13 "$before" "$after")
  [ -z "$left" ] || fail "left after purge: $left"
  left=$(awk '$1 == "new" { print $2 }' "$contents" | while read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
  done)
  [ -z "$left" ] || fail "left after purge: $left"
  echo "purged: nothing of quorvale is left"
}

if [ "${1:-}" = --play ]; then
  play "${2:-}"
else
  main "$@"
fi
