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

# Stages run in the background with their output kept until they are waited for, so the
# output reads in order and a failure still names its stage and test. Suites that share the
# display run one after another; a stage that needs neither the display nor the suites'
# port may run beside one.
background_pids=()
background_names=()
background_logs=()
in_background() {
  local name=$1 log start=$SECONDS
  shift
  log=$(mktemp)
  echo "== $name (running beside the next stages)"
  # Its own time, start to end, however long the foreground keeps it waiting afterwards.
  (
    status=0
    "$@" >"$log" 2>&1 || status=$?
    echo $((SECONDS - start)) >"$log.seconds"
    exit "$status"
  ) &
  background_pids+=($!)
  background_names+=("$name")
  background_logs+=("$log")
}

# Waits for the oldest background stage, prints its output, records the time it ran.
wait_background() {
  local status=0 pid=${background_pids[0]} name=${background_names[0]} log=${background_logs[0]}
  background_pids=("${background_pids[@]:1}")
  background_names=("${background_names[@]:1}")
  background_logs=("${background_logs[@]:1}")
  wait "$pid" || status=$?
  echo "== $name (finished)"
  cat "$log"
  local seconds
  seconds=$(cat "$log.seconds" 2>/dev/null) || seconds="?"
  rm -f "$log" "$log.seconds"
  if [ "$status" -ne 0 ]; then
    echo "FAILED stage: $name" >&2
    stage_summary >&2
    return "$status"
  fi
  stage_names+=("$name")
  stage_seconds+=("$seconds")
}

# Waits for every background stage, oldest first.
wait_all_background() {
  while [ ${#background_pids[@]} -gt 0 ]; do wait_background || return; done
}

stop_background() {
  [ ${#background_pids[@]} -gt 0 ] && kill "${background_pids[@]}" 2>/dev/null
  background_pids=()
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
