# Shared by the scripts: packages, the build, a virtual display, stage timing.

# The tree's top, whatever folder the script that sources this runs in.
tree_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Where the scripts keep what outlives a tree (built libraries, sysroots, Wine prefixes,
# roots, clang-tidy's results): the user's cache.
quorvale_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvale

# The port the game connects to, as the program declares it.
game_port() {
  sed -n 's/^constexpr uint16_t game_port = \([0-9]*\);$/\1/p' "$tree_top/net/snapshot_format.h"
}

# The time every packaged file carries: SOURCE_DATE_EPOCH when set, else the time of the
# tree's last commit, so that a build of the same commit gives the same bytes.
source_date_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  else
    git -C "$tree_top" log -1 --format=%ct
  fi
}

# Writes dist/SHA256SUMS, the SHA-256 of each artifact in dist/: packages, archives and
# patches, not the .buildinfo records, which hold when and where a package was built.
write_checksums() {
  (cd "$tree_top/dist" && find . -maxdepth 1 -type f ! -name SHA256SUMS ! -name '*.buildinfo' \
    -printf '%P\n' | LC_ALL=C sort | xargs -r -d '\n' sha256sum -- >SHA256SUMS)
}

# The game's version, as CMakeLists.txt's project() declares it; scripts/package holds
# debian/changelog's newest entry to it.
project_version() {
  sed -n 's/^project(quorvale VERSION \([0-9.]*\).*/\1/p' "$tree_top/CMakeLists.txt"
}

# debian_package_file ARCH: the name scripts/package gives the Debian package of ARCH
# (amd64, arm64) in dist/.
debian_package_file() { echo "quorvale_$(project_version)_$1.deb"; }

# The release this runs on (bookworm, trixie, ...), from /etc/os-release.
release_codename() {
  local VERSION_CODENAME=""
  [ -r /etc/os-release ] && . /etc/os-release
  echo "${VERSION_CODENAME:-unknown}"
}

# Every name here exists on Debian 12 and Debian 13 alike: where a release has its own
# version of a tool (clang, its runtime), the release's default package is named.
play_packages=(build-essential cmake ninja-build pkg-config libsdl1.2-dev libsdl-image1.2-dev
  libsdl-gfx1.2-dev libboost-system-dev libboost-thread-dev)
display_packages=(xvfb x11-utils xdotool imagemagick)
test_packages=(ccache mold libgtest-dev libbenchmark-dev libboost-chrono-dev clang libclang-rt-dev
  clang-format clang-tidy valgrind iproute2 procps python3 git)
# The other SDL 1.2 beside the classic one, where the release ships both.
compat_sdl_packages=()
[ "$(release_codename)" = bookworm ] && compat_sdl_packages=(libsdl1.2-compat)
compat_sdl_dir=/usr/lib/x86_64-linux-gnu/sdl12-compat

# Installs those of the named Debian packages that are missing; one look at dpkg's
# database for them all (dpkg-query fails when it knows of one not at all).
ensure_packages() {
  local installed missing=() package
  installed=" $(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "$@" 2>/dev/null |
    sed -n 's/^ii *//p' | tr '\n' ' ')" || true
  for package in "$@"; do
    [[ $installed == *" $package "* ]] || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  apt_get update -qq >/dev/null
  apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# as_package_manager COMMAND ARG...: runs apt-get or dpkg as root, one at a time. Stages
# run side by side and each installs what it needs, and dpkg refuses a second caller
# rather than wait for the first.
as_package_manager() {
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive flock /run/lock/quorvale-packages "$@"
}

# apt_get ARG...: the machine's apt-get, as root, one at a time, and waiting for any other
# program that holds dpkg's lock (an unattended upgrade, say).
apt_get() { as_package_manager apt-get -o DPkg::Lock::Timeout=600 "$@"; }

# preset_build_dir PRESET: the build folder that CMakePresets.json declares for the
# configure preset, relative to the tree's top (the scripts run from there).
preset_build_dir() { cmake -P "$tree_top/cmake/preset_build_dir.cmake" "$1"; }

# configure_preset NAME [ARG...]: configures the build folder of the configure preset NAME.
# A folder that another generator made (make's, before the presets named Ninja) cannot be
# configured again as it stands: it is configured afresh instead, once, and a failure that
# has another cause shows itself there.
configure_preset() {
  cmake --preset "$@" >/dev/null 2>&1 || cmake --preset "$@" --fresh >/dev/null
}

# build_preset NAME: configures and builds with the configure and build presets of that
# name (CMakePresets.json: each build folder's options are declared there, once).
build_preset() {
  configure_preset "$1"
  cmake --build --preset "$1"
}

# Builds just the two programs (preset play), for playing.
build_programs() { build_preset play; }

# Runs a command with a loopback network of its own where the system allows it (root), so
# tests on the client's fixed port meet no other program listening there; else as it is.
in_private_network() {
  if command -v ip >/dev/null && unshare --net true 2>/dev/null; then
    unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    "$@"
  fi
}

# wait_until SECONDS INTERVAL COMMAND...: runs COMMAND, then again every INTERVAL seconds,
# until it succeeds (status 0) or SECONDS (whole) have passed since the first run; then
# returns 1, and the caller says what never came: `wait_until 10 0.1 ready || fail "..."`.
wait_until() {
  local seconds=$1 interval=$2 deadline
  shift 2
  deadline=$((${EPOCHREALTIME/[.,]/} + seconds * 1000000))
  until "$@"; do
    [ "${EPOCHREALTIME/[.,]/}" -lt "$deadline" ] || return 1
    sleep "$interval"
  done
}

# Starts Xvfb on a free display and exports DISPLAY; stop_display ends it. -noreset: a
# server that resets when its last client leaves refuses the next test's connection.
start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # A display of another root or namespace has no file here, but answers.
    xdpyinfo -display ":$n" >/dev/null 2>&1 && continue
    Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    # Stages start displays side by side: the display is ours only if the lock that the
    # server which took it wrote names ours.
    wait_until 5 0.1 display_answers "$n" && display_locked_by "$n" "$xvfb_pid" && return 0
    # Gone already when another server took the display first.
    end_child "$xvfb_pid"
  done
  echo "Could not start a virtual X server (Xvfb)" >&2
  return 1
}

# display_answers N: the X server of display :N takes connections, or has made its socket.
display_answers() { xdpyinfo -display ":$1" >/dev/null 2>&1 || [ -e "/tmp/.X11-unix/X$1" ]; }

# display_locked_by N PID: the X server's lock of display :N names process PID.
display_locked_by() { [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ]; }

# units_arrived N OUTPUT: the client's output names at least N units added.
units_arrived() {
  local count
  count=$(grep -cs 'New entity added!' "$2") || true
  [ "${count:-0}" -ge "$1" ]
}

# process_ended PID: no process has that id any more.
process_ended() { ! kill -0 "$1" 2>/dev/null; }

# said_or_ended PATTERN FILE PID: FILE, a program's output, holds PATTERN (grep), or the
# program, process PID, has ended: what a wait for a program's line stops at, so that one
# that died is not waited for to the deadline.
said_or_ended() { grep -qs "$1" "$2" || process_ended "$3"; }

# end_child PID: ends a child of this shell and reaps it; an empty PID, or a child already
# ended, is no failure. For clean-up traps, where errexit holds.
end_child() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

stop_display() {
  end_child "${xvfb_pid:-}"
  xvfb_pid=""
}

# client_window OUTPUT [SECONDS]: prints the id of the client's window, once it is the one
# that stays; OUTPUT is the file the client's standard output goes to. sdl12-compat opens a
# first window and replaces it while it sets up the screen, so the title alone can name a
# window about to go; the client prints "Main game has begun!" once its screen is made.
client_window() {
  wait_until "${2:-60}" 0.1 client_window_now "$1"
}

# client_window_now OUTPUT: client_window's one look.
client_window_now() {
  local window
  grep -qx 'Main game has begun!' "$1" 2>/dev/null || return 1
  window=$(xdotool search --name '^Quorvale$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && echo "$window"
}

# window_screenshot WINDOW FILE: import waits for a click on the screen when the window is
# gone; this gives up instead.
window_screenshot() { timeout 20 import -window "$1" "$2"; }

# --- Stages: scripts/test runs its steps as named, timed stages ---
#
# A stage runs in a bash process of its own with errexit, nounset and pipefail, so that any
# failing command in it fails the stage, wherever it is: bash ignores errexit in everything
# called from a condition (`if ! "$@"`, `"$@" || status=$?`), subshells included, so the
# stage cannot be called from one in this shell. inherit_errexit carries errexit into
# command substitutions. Only what a condition tests may fail: `if`, `||`, `&&` (not as a
# list's last command), `|| true` where a failure is truly fine. Errexit holds in an EXIT
# trap too: a clean-up trap ends in `|| true`. The stage's process sources
# stage_libraries, which the running script sets to the files it sourced; it sees this
# shell's exported variables (DISPLAY) but sets none here.
[ -n "${stage_libraries+set}" ] || stage_libraries=(scripts/lib/common.sh)

# stage_process COMMAND...: runs the command, a function of stage_libraries or a program,
# as a stage's process. A failure prints the command that failed, and where.
stage_process() {
  bash -c '
    set -euo pipefail
    shopt -s inherit_errexit
    for library in "${@:2:$1}"; do source "$library"; done
    shift $(($1 + 1))
    set -E
    trap '\''echo "stage: \`$BASH_COMMAND\` failed with status $? (${BASH_SOURCE[0]:-}:$LINENO)" >&2'\'' ERR
    "$@"' stage "${#stage_libraries[@]}" "${stage_libraries[@]}" "$@"
}

# skip_stage WHY: ends the running stage as skipped, saying why in one line; call it from
# the stage's own function, not from a subshell. Under CI=true, where the scripts install
# every tool they need, a skip can only mean that something broke: the stage fails.
skip_stage() {
  if [ "${CI:-}" = true ]; then
    echo "FAILED: a skip fails under CI=true: $*" >&2
    exit 1
  fi
  echo "Skipped: $*"
  echo "$*" >"${QUORVALE_STAGE_SKIPPED:-/dev/null}"
  exit 0
}

# skip_unless_root_or_sudo WHAT: skips the stage when WHAT, which needs root, can have
# neither root nor sudo without a password here.
skip_unless_root_or_sudo() {
  if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
    skip_stage "$1 needs root or sudo"
  fi
}

# stage NAME COMMAND... runs the command as one named stage, prints its heading, and
# records its time and outcome for stage_summary. A failing stage names itself on stderr.
stage_names=()
stage_seconds=()
stage_skips=()
stage() {
  local name=$1 start=$SECONDS status=0 skipped
  shift
  echo "== $name"
  skipped=$(mktemp)
  QUORVALE_STAGE_SKIPPED=$skipped stage_process "$@" || status=$?
  stage_finished "$name" "$status" $((SECONDS - start)) "$skipped"
}

# stage_finished NAME STATUS SECONDS SKIPPED_FILE: records a stage's end; a failure names
# the stage and prints the summary so far.
stage_finished() {
  local name=$1 status=$2 seconds=$3 skipped
  skipped=$(cat "$4" 2>/dev/null) || skipped=""
  rm -f "$4"
  if [ "$status" -ne 0 ]; then
    echo "FAILED stage: $name" >&2
    stage_summary >&2
    return "$status"
  fi
  stage_names+=("$name")
  stage_seconds+=("$seconds")
  stage_skips+=("$skipped")
}

# Stages run in the background with their output kept until they are waited for, so the
# output reads in order and a failure still names its stage and test. Suites that share the
# display run one after another; a stage that needs neither the display nor the suites'
# port may run beside one. A failed one fails the run when it is waited for.
background_pids=()
background_names=()
background_logs=()
in_background() {
  local name=$1 log start=$SECONDS
  shift
  log=$(mktemp)
  echo "== $name (running beside the next stages)"
  # Its own time, start to end, however long the foreground keeps it waiting afterwards.
  # A process group of its own (monitor mode for this one job), so that stop_background
  # ends the stage with every process it started.
  set -m
  (
    status=0
    QUORVALE_STAGE_SKIPPED=$log.skipped stage_process "$@" >"$log" 2>&1 </dev/null ||
      status=$?
    echo $((SECONDS - start)) >"$log.seconds"
    exit "$status"
  ) &
  set +m
  background_pids+=($!)
  background_names+=("$name")
  background_logs+=("$log")
}

# wait_background [NAME]: waits for the background stage NAME, or the oldest, prints its
# output, records the time it ran. A stage left out (stage_left_out) has nothing to wait for.
wait_background() {
  local i=0 status=0 pid name log left_out
  if [ $# -gt 0 ]; then
    for left_out in "${stage_left_out_names[@]}"; do
      [ "$left_out" != "$1" ] || return 0
    done
    while [ $i -lt ${#background_names[@]} ] && [ "${background_names[$i]}" != "$1" ]; do
      i=$((i + 1))
    done
    if [ $i -eq ${#background_names[@]} ]; then
      echo "wait_background: no stage \"$1\" runs in the background" >&2
      return 1
    fi
  fi
  pid=${background_pids[$i]} name=${background_names[$i]} log=${background_logs[$i]}
  background_pids=("${background_pids[@]:0:i}" "${background_pids[@]:i+1}")
  background_names=("${background_names[@]:0:i}" "${background_names[@]:i+1}")
  background_logs=("${background_logs[@]:0:i}" "${background_logs[@]:i+1}")
  wait "$pid" || status=$?
  echo "== $name (finished)"
  cat "$log"
  local seconds
  seconds=$(cat "$log.seconds" 2>/dev/null) || seconds="?"
  rm -f "$log" "$log.seconds"
  stage_finished "$name" "$status" "$seconds" "$log.skipped"
}

# Waits for every background stage, oldest first.
wait_all_background() {
  while [ ${#background_pids[@]} -gt 0 ]; do wait_background || return; done
}

# Ends the background stages still running, each with its process group (whatever its
# stage started); called from the EXIT trap: nothing may fail.
stop_background() {
  local pid
  for pid in "${background_pids[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  background_pids=()
}

# stage_left_out NAME WHY: a stage that the run's caller asked to leave out, which never
# starts; unlike a skip, it is the caller's choice, and the summary names it with why.
stage_left_out_names=()
stage_left_out_reasons=()
stage_left_out() {
  echo "== $1 (left out: $2)"
  stage_left_out_names+=("$1")
  stage_left_out_reasons+=("$2")
}

# Prints one line per finished stage with its time, a skipped one with why, then the stages
# left out, then the count of stages passed and skipped (and left out, if any).
stage_summary() {
  local i skipped=0 count
  echo "-- Time per stage"
  for i in "${!stage_names[@]}"; do
    if [ -n "${stage_skips[$i]}" ]; then
      printf '%5s s  %s (skipped: %s)\n' "${stage_seconds[$i]}" "${stage_names[$i]}" \
        "${stage_skips[$i]}"
      skipped=$((skipped + 1))
    else
      printf '%5s s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
    fi
  done
  for i in "${!stage_left_out_names[@]}"; do
    printf '    -    %s (left out: %s)\n' "${stage_left_out_names[$i]}" "${stage_left_out_reasons[$i]}"
  done
  count="stages: $((${#stage_names[@]} - skipped)) passed, $skipped skipped"
  [ ${#stage_left_out_names[@]} -eq 0 ] || count+=", ${#stage_left_out_names[@]} left out"
  echo "$count"
}
