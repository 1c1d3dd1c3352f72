# The stages of scripts/test: builds, suites, analysers and the runs that need a build.
# Sourced after common.sh.
source fuzz/targets.sh

# The C++ sources of the tree, or only the programs' own (not tests, benchmarks or fuzz).
all_sources() { git ls-files '*.cpp' '*.h'; }
# The Windows sides of platform/ compile only with the cross compiler, so they are left out.
program_sources() {
  git ls-files 'core/*.cpp' 'units/*.cpp' 'net/*.cpp' 'view/*.cpp' 'server/*.cpp' 'launcher/*.cpp' \
    'platform/*.cpp' | grep -v '_windows\.cpp$'
}

# Fails on any source that clang-format would change.
check_format() {
  all_sources | xargs clang-format --dry-run -Werror
}

# Runs the tests of a test preset (CMakePresets.json), on a virtual display and a loopback
# network of its own, so that suites of different builds run side by side, with the given
# VARIABLE=VALUE settings in their environment.
run_suite() (
  local preset=$1 setting
  shift
  for setting in "$@"; do export "${setting?}"; done
  # errexit holds in this trap: nothing here may fail.
  trap 'stop_display' EXIT
  start_display
  in_private_network ctest --preset "$preset"
)

# clang-tidy with no finding allowed: every check of .clang-tidy over the programs' own
# sources; the naming rule alone over the tests and benchmarks (the build of the preset
# default) and the fuzz targets (preset fuzz, configured here if it is not yet). A file
# whose analysis passed is remembered by the hash of everything the result depends on
# (the tool's version, its settings, the file and every header of ours), so an unchanged
# file is not analysed again; any change to a header analyses everything anew.
check_tidy() {
  local cache=$quorvale_cache/tidy common build fuzz_build file key pending=()
  mkdir -p "$cache"
  # A settings file this clang-tidy cannot read leaves it on its own defaults, and every
  # file would still pass: the settings must read without a complaint.
  local complaint
  complaint=$(clang-tidy --dump-config 2>&1 >/dev/null)
  if [ -n "$complaint" ]; then
    echo "clang-tidy cannot read .clang-tidy: ${complaint%%$'\n'*}" >&2
    return 1
  fi
  build=$(preset_build_dir default)
  fuzz_build=$(preset_build_dir fuzz)
  [ -f "$fuzz_build/compile_commands.json" ] || configure_preset fuzz
  common=$({ release_codename; clang-tidy --version; cat .clang-tidy; git ls-files '*.h' | xargs cat; } | sha256sum)
  # A job a line: the file, what to check, and the build whose compile commands it takes.
  local jobs
  jobs=$({
    program_sources | sed "s|\$| all $build|"
    compiled_in "$build" | grep -E '^(tests|bench)/' | sed "s|\$| naming $build|"
    compiled_in "$fuzz_build" | grep '^fuzz/' | sed "s|\$| naming $fuzz_build|"
  })
  local what from
  while read -r file what from; do
    key=$({ echo "$common $what"; cat "$file"; } | sha256sum | cut -c1-32)
    [ -e "$cache/$key" ] || pending+=("$file $what $from $key")
  done <<<"$jobs"
  echo "${#pending[@]} files to analyse"
  [ ${#pending[@]} -eq 0 ] && return 0
  printf '%s\n' "${pending[@]}" | xargs -P2 -L1 sh -c '
    if [ "$2" = naming ]; then
      set -- "$@" --checks="-*,readability-identifier-naming" \
        --header-filter="^.*/(core|units|net|view|server|launcher|platform|tests|fuzz|bench)/.*\.h$"
    fi
    file=$1 from=$3 key=$4
    shift 4
    clang-tidy -p "$from" --quiet "$@" "$file" 2>/dev/null && touch "$0/$key"' "$cache"
}

# compiled_in BUILD: the tree's sources that BUILD's compile commands compile, relative to
# the tree's top, a line each.
compiled_in() {
  sed -n 's|^ *"file": "'"$PWD"'/\(.*\)",\{0,1\}$|\1|p' "$1/compile_commands.json" | sort -u
}

# The bit-exact motion and shot tests, built for x86-64-v3 (preset v3); skipped where this
# CPU can't run that code.
run_exact_motion() {
  local flag
  for flag in avx2 fma bmi2 movbe; do
    grep -qw "$flag" /proc/cpuinfo ||
      skip_stage "this CPU has no $flag, so x86-64-v3 code cannot run here"
  done
  "$(preset_build_dir v3)/tests/units/units_tests" --gtest_brief=1
}

# The whole client and server under ThreadSanitizer (preset tsan), on a virtual display of
# their own.
run_client_under_tsan() {
  local build
  build=$(preset_build_dir tsan)
  tests/hostile/tsan_client_run.sh "$build/quorvale" "$build/quorvale-server" 30
}

# Installs the Debian package that the rebuild stage built and checked (dist/), plays from
# it and purges it.
run_package_test() {
  skip_unless_root_or_sudo "installing the package"
  tests/package/install_test.sh
}
