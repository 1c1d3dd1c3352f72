# Shared by scripts/run and scripts/test: packages, the build, a virtual display.

build_packages=(build-essential cmake pkg-config libsdl1.2-dev libsdl-image1.2-dev
  libsdl-gfx1.2-dev libboost-system-dev libboost-thread-dev)
display_packages=(xvfb x11-utils xdotool imagemagick)
test_packages=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev valgrind iproute2)

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
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures and builds everything into the named folder; extra arguments go to cmake.
build_into() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVALE_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j2
}

# Builds just the two programs into build/, for playing.
build_programs() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  local targets=(--target quorvale)
  [ -f server/CMakeLists.txt ] && targets+=(--target quorvale-server)
  cmake --build build -j2 "${targets[@]}"
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
