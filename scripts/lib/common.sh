# Shared by the scripts: packages, the build, a virtual display, stage timing.

# The release this runs on (bookworm, trixie, ...), from /etc/os-release.
release_codename() {
  local VERSION_CODENAME=""
  [ -r /etc/os-release ] && . /etc/os-release
  echo "${VERSION_CODENAME:-unknown}"
}

# Every name here exists on Debian 12 and Debian 13 alike: where a release has its own
# version of a tool (clang, its runtime), the release's default package is named.
play_packages=(build-essential cmake pkg-config libsdl1.2-dev libsdl-image1.2-dev
  libsdl-gfx1.2-dev libboost-system-dev libboost-thread-dev)
display_packages=(xvfb x11-utils xdotool imagemagick)
test_packages=(ccache libgtest-dev libbenchmark-dev libboost-chrono-dev clang libclang-rt-dev
  clang-format clang-tidy valgrind iproute2 procps python3 git)
# The other SDL 1.2 beside the classic one, where the release ships both.
compat_sdl_packages=()
[ "$(release_codename)" = bookworm ] && compat_sdl_packages=(libsdl1.2-compat)
compat_sdl_dir=/usr/lib/x86_64-linux-gnu/sdl12-compat

# Installs those of the named Debian packages that are missing.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# Configures the named build folder; extra arguments go to cmake.
configure_into() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Builds just the two programs into build/, for playing.
build_programs() {
  configure_into build
  cmake --build build -j2 --target quorvale quorvale-server
}

# Runs a command with a loopback network of its own where the system allows it (root), so
# tests on the client's fixed port meet no other program listening there; else as it is.
in_private_network() {
  if command -v ip >/dev/null && unshare --net true 2>/dev/null; then
    unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    "$@"
  fi
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
    local tries
    for tries in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
  done
  echo "Could not start a virtual X server (Xvfb)" >&2
  return 1
}

stop_display() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}

# client_window OUTPUT [SECONDS]: prints the id of the client's window, once it is the one
# that stays; OUTPUT is the file the client's standard output goes to. sdl12-compat opens a
# first window and replaces it while it sets up the screen, so the title alone can name a
# window about to go; the client prints "Main game has begun!" once its screen is made.
client_window() {
  local output=$1 tries window
  for tries in $(seq $((${2:-60} * 10))); do
    if grep -qx 'Main game has begun!' "$output" 2>/dev/null; then
      window=$(xdotool search --name '^Quorvale$' 2>/dev/null | head -n 1)
      [ -n "$window" ] && echo "$window" && return 0
    fi
    sleep 0.1
  done
  return 1
}

# window_screenshot WINDOW FILE: import waits for a click on the screen when the window is
# gone; this gives up instead.
window_screenshot() { timeout 20 import -window "$1" "$2"; }

# Stage timing: stage NAME COMMAND... runs the command as one named stage, prints its
# heading, and records its time for stage_summary. A failing stage names itself on stderr.
stage_names=()
stage_seconds=()
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  if ! "$@"; then
    echo "FAILED stage: $name" >&2
    stage_summary >&2
    return 1
  fi
  stage_names+=("$name")
  stage_seconds+=($((SECONDS - start)))
}

# Prints one line per finished stage with its time.
stage_summary() {
  local i
  echo "-- Time per stage"
  for i in "${!stage_names[@]}"; do
    printf '%5s s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
  done
}
