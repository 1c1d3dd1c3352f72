#!/usr/bin/env bash
# Installs the built package, plays the installed game against the installed server from
# an unrelated folder, then purges the package and checks that nothing of it is left.
# Needs root (or sudo without a password); without either it says so in one line and
# exits 77, as a skipped test, or 1 under CI=true, where a skip means something broke.
# Usage: tests/package/install_test.sh [dist/quorvale_<version>_<arch>.deb]
set -euo pipefail

self=$(realpath "$0")
installed_map=/usr/share/games/quorvale/gfx/map1.png

fail() {
  echo "install test: $*" >&2
  exit 1
}

# Sends SIGTERM and waits up to 10 s; sets exit_code, or fails if it does not end.
stop_process() {
  local pid=$1 name=$2 tries
  kill -TERM "$pid" 2>/dev/null || true
  for tries in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "$name did not end within 10 s of SIGTERM"
  fi
  exit_code=0
  wait "$pid" || exit_code=$?
}

# True when something takes connections on localhost port 21000.
listening() {
  (: </dev/tcp/127.0.0.1/21000) 2>/dev/null
}

# The game against the server, both as installed, from a fresh folder; run inside a
# network namespace of its own where possible, so port 21000 is ours alone.
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

  /usr/games/quorvale-server >server.log 2>&1 &
  server=$!
  local tries
  for tries in $(seq 100); do
    listening && break
    kill -0 "$server" 2>/dev/null || { cat server.log >&2; fail "quorvale-server ended at start"; }
    sleep 0.1
  done
  listening || fail "quorvale-server is not listening on port 21000"

  SDL_VIDEODRIVER=dummy /usr/games/quorvale >client.log 2>&1 &
  client=$!
  for tries in $(seq 200); do
    grep -q 'New entity added!' client.log && break
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q 'New entity added!' client.log; then
    cat client.log server.log >&2
    fail "the installed game showed no unit of the installed server within 20 s"
  fi

  stop_process "$client" quorvale
  client=""
  grep -q '^Goodbye!$' client.log && [ "$exit_code" -eq 0 ] ||
    { cat client.log >&2; fail "quorvale did not end cleanly on SIGTERM (exit $exit_code)"; }
  stop_process "$server" quorvale-server
  server=""
  [ "$exit_code" -eq 0 ] || { cat server.log >&2; fail "quorvale-server exited $exit_code on SIGTERM"; }
  echo "played: $(grep -c 'New entity added!' client.log) units arrived, both ended cleanly"
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
    local version
    version=$(sed -n 's/^project(quorvale VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    deb=dist/quorvale_${version}_$(dpkg --print-architecture).deb
  fi
  [ -f "$deb" ] || fail "no package at $deb; build it with scripts/package"
  deb=$(realpath "$deb")
  dpkg-query -W -f='${Status}' quorvale 2>/dev/null | grep -q 'ok installed' &&
    fail "quorvale is already installed here, and this test would remove it; dpkg --purge it first"
  command -v systemd-analyze >/dev/null || fail "needs systemd-analyze (Debian package systemd)"

  # Globals: the trap runs after main's own variables are gone.
  before=$(mktemp) after=$(mktemp) contents=$(mktemp)
  trap 'if dpkg-query -W quorvale >/dev/null 2>&1; then dpkg --purge quorvale >/dev/null || true; fi
    rm -f "$before" "$after" "$contents"' EXIT
  quorvale_names >"$before"
  # The package's paths, and whether each was there before it.
  dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's:/$::' | grep . |
    while read -r path; do
      if [ -e "$path" ]; then echo "there $path"; else echo "new $path"; fi
    done >"$contents"

  echo "== Installing $(basename "$deb")"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null 2>&1 || {
    apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
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
    echo "(no private network here: playing on this machine's own port 21000)"
    "$self" --play
  fi

  echo "== Purging"
  dpkg --purge quorvale >/dev/null
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
