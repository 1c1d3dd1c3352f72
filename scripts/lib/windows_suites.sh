# The unit and subsystem suites cross-built for Windows and run by CTest under Wine, in a
# Wine prefix of their own. Sourced after common.sh; `run_windows_suites` is the entry point.

source scripts/lib/windows_package.sh
source scripts/lib/wine.sh

windows_suites_packages=(wine wine64 googletest)
windows_suites_prefix=$quorvale_cache/wine-suites

# Wine as the suites use it: a prefix of their own, made on first use, where a crash prints
# its backtrace instead of showing it.
windows_suites_wine() {
  wine_environment "$windows_suites_prefix"
  [ -f "$WINEPREFIX/.made" ] && return 0
  {
    wine_new_prefix "$windows_suites_prefix" &&
      "$wine_program" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      wineserver -w
  } >/dev/null 2>&1 || {
    echo "Windows suites: could not make the Wine prefix $WINEPREFIX" >&2
    return 1
  }
  touch "$WINEPREFIX/.made"
}

# Builds the preset windows with the suites and runs them all under Wine
# (windows_suites_under_wine): what a developer runs to try the suites alone.
run_windows_suites() {
  local start=$SECONDS
  ensure_packages "${windows_suites_packages[@]}"
  windows_build windows
  echo "Windows cross build: $((SECONDS - start)) s"
  windows_suites_under_wine
}

# Runs the built suites under Wine (test preset windows: in one prefix, two at a time as
# on Linux, each within 120 s, so that one waiting on something that never comes, a window
# say, fails rather than holding the run). Prints one line: the counts and
# the time; on a failure, the failed tests too, and the whole output stays in suites.log in
# its build folder.
windows_suites_under_wine() (
  local start=$SECONDS log status=0 failed="" total=""
  windows_suites_wine
  log=$(preset_build_dir windows)/suites.log
  # No display: a window that Wine could open there would wait for a click.
  unset DISPLAY WAYLAND_DISPLAY
  # One Wine server for the whole run rather than one started for each test, ended with it,
  # and the prefix's services started now, away from CTest: those that the first test
  # started would hold its output pipe open for as long as the server lives.
  # One already serving the prefix (left by a run interrupted) fails to start: that one serves.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
  "$wine_program" wineboot </dev/null >/dev/null 2>&1
  ctest --preset windows >"$log" 2>&1 || status=$?
  read -r failed total < <(sed -n \
    's/^[0-9]*% tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' "$log") || true
  if [ -z "$total" ]; then
    tail -n 20 "$log" >&2
    echo "Windows suites: CTest ran no test; its output is $log" >&2
    return 1
  fi
  echo "Windows suites under Wine: $((total - failed)) passed, $failed failed" \
    "(Wine run $((SECONDS - start)) s)"
  if [ "$status" -ne 0 ]; then
    sed -n '/^The following tests FAILED:/,$p' "$log" >&2
    echo "Windows suites: the whole output is $log" >&2
    return 1
  fi
)
