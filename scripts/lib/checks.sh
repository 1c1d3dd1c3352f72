# The stages of scripts/test: builds, suites, analysers and the runs that need a build.
# Sourced after common.sh.
source fuzz/targets.sh

quorvale_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvale

# The C++ sources of the tree, or only the programs' own (not tests, benchmarks or fuzz).
all_sources() { git ls-files '*.cpp' '*.h'; }
program_sources() { git ls-files 'core/*.cpp' 'units/*.cpp' 'net/*.cpp' 'view/*.cpp' 'server/*.cpp'; }

# Fails on any source that clang-format would change.
check_format() {
  all_sources | xargs clang-format --dry-run -Werror
}

# Configures and builds the named folder with compile commands for the analysers; extra
# arguments go to cmake, except --target NAME, which builds only that.
build_tree() {
  local dir=$1 targets=() options=()
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --target ]; then
      targets+=(--target "$2")
      shift 2
    else
      options+=("$1")
      shift
    fi
  done
  configure_into "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${options[@]}" || return 1
  cmake --build "$dir" -j2 "${targets[@]}"
}

# Runs every test of a built folder, on a loopback network of its own, with the given
# VARIABLE=VALUE settings in its environment.
run_suite() {
  (
    cd "$1" || exit 1
    shift
    for setting in "$@"; do export "${setting?}"; done
    in_private_network ctest --output-on-failure -j2
  )
}

# One stage at a time runs in the background, its output kept until it is waited for, so
# the output reads in order and a failure still names its stage and test.
background_pid=""
in_background() {
  background_name=$1
  shift
  background_log=$(mktemp)
  local start=$SECONDS
  echo "== $background_name (running beside the next stages)"
  # Its own time, start to end, however long the foreground keeps it waiting afterwards.
  (
    status=0
    "$@" >"$background_log" 2>&1 || status=$?
    echo $((SECONDS - start)) >"$background_log.seconds"
    exit "$status"
  ) &
  background_pid=$!
}

# Waits for the background stage, prints its output, records the time it ran.
wait_background() {
  local status=0
  wait "$background_pid" || status=$?
  background_pid=""
  echo "== $background_name (finished)"
  cat "$background_log"
  local seconds
  seconds=$(cat "$background_log.seconds" 2>/dev/null) || seconds="?"
  rm -f "$background_log" "$background_log.seconds"
  if [ "$status" -ne 0 ]; then
    echo "FAILED stage: $background_name" >&2
    stage_summary >&2
    return "$status"
  fi
  stage_names+=("$background_name")
  stage_seconds+=("$seconds")
}

stop_background() {
  [ -n "$background_pid" ] && kill "$background_pid" 2>/dev/null
  background_pid=""
}

# clang-tidy over the programs' own sources, with no finding allowed. A file whose
# analysis passed is remembered by the hash of everything the result depends on (the tool's
# version, its settings, the file and every header of ours), so an unchanged file is not
# analysed again; any change to a header analyses everything anew.
check_tidy() {
  local dir=$1 cache=$quorvale_cache/tidy common file key pending=()
  mkdir -p "$cache"
  common=$({ release_codename; clang-tidy --version; cat .clang-tidy; git ls-files '*.h' | xargs cat; } | sha256sum)
  for file in $(program_sources); do
    key=$({ echo "$common"; cat "$file"; } | sha256sum | cut -c1-32)
    [ -e "$cache/$key" ] || pending+=("$file:$key")
  done
  echo "${#pending[@]} files to analyse"
  [ ${#pending[@]} -eq 0 ] && return 0
  printf '%s\n' "${pending[@]}" | xargs -P2 -I{} sh -c '
    file=${1%:*}; key=${1##*:}
    clang-tidy -p "$2" --quiet "$file" 2>/dev/null && touch "$3/$key"' sh {} "$dir" "$cache"
}

# The game's library and its unit tests for a CPU with fused multiply-add (x86-64-v3).
build_exact_motion_tree() {
  build_tree "$1" -DQUORVALE_TESTS=ON -DQUORVALE_BENCH=OFF -DCMAKE_CXX_FLAGS=-march=x86-64-v3 \
    --target units_tests
}

# The bit-exact motion and shot tests, built for x86-64-v3; skipped where this CPU can't run
# that code.
run_exact_motion() {
  local flag
  for flag in avx2 fma bmi2 movbe; do
    if ! grep -qw "$flag" /proc/cpuinfo; then
      echo "Skipped: this CPU has no $flag, so x86-64-v3 code cannot run here"
      return 0
    fi
  done
  "$1/tests/units/units_tests" --gtest_brief=1
}

# The connection's hand-off tests under ThreadSanitizer.
run_handoff_under_tsan() {
  (cd "$1" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j2 -R '^SnapshotHandoff\.')
}

# The whole client and server under ThreadSanitizer, on a virtual display of their own.
run_client_under_tsan() {
  tests/hostile/tsan_client_run.sh "$1/quorvale" "$1/quorvale-server" 30
}

# Builds the Debian package and checks it, then installs it, plays from it and purges it.
run_package_test() {
  if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
    echo "Skipped: building and installing the package needs root or sudo"
    return 0
  fi
  QUORVALE_CCACHE=ON scripts/package && tests/package/install_test.sh
}
