# The Windows build proven under Wine, on the virtual display scripts/test started: the
# suites (windows_suites.sh), the exact motion and shot results against the Linux build's,
# the game from the zip against a Linux server, the zip's quorvale.exe playing with its
# private server, the Windows server serving the Linux client and stopping on Ctrl+C, and
# the installer's round trip, its Start-menu shortcut played the same way. Sourced after common.sh and
# windows_suites.sh.

windows_test_packages=(wine wine64 unzip xvfb xdotool imagemagick iproute2)

source scripts/lib/wine.sh

source scripts/lib/other_builds.sh

# windows_same_output WHAT MIN_LINES LINUX_PROGRAM WINDOWS_PROGRAM OUT: runs a program of
# the Linux build and the same program of the Windows build from the tree's top, where
# gfx/ is, and fails unless the two print the same lines, at least MIN_LINES of them.
# The game keeps each runtime library's sin, cos and atan2, and each SDL_gfx's rotation,
# so this is where the two builds would part.
windows_same_output() {
  local what=$1 min_lines=$2 linux=$3 windows=$4 deps
  local on_linux=$5/${1// /-}-linux.txt on_windows=$5/${1// /-}-windows.txt
  deps=$(windows_deps_prefix)
  SDL_VIDEODRIVER=dummy "$linux" >"$on_linux"
  # The build tree has no SDL.dll beside the program: Wine finds it in the prefix.
  SDL_VIDEODRIVER=dummy WINEPATH="Z:$deps/bin" "$wine_program" "$windows" | tr -d '\r' \
    >"$on_windows"
  same_lines "$what" "$min_lines" "$on_linux" "$on_windows" Windows
}

# The game program from the unpacked zip, under Wine, through the end-to-end test in a real
# window.
# The game writes its lines as Windows does, each ending in CR LF; the test reads them as
# Linux's.
windows_game_end_to_end() {
  local game=$1 out=$2 launcher
  # Wine's server makes the programs' sockets: one left running by an earlier check would
  # make them outside the private network that the test enters.
  wineserver -w
  launcher=$out/quorvale-under-wine
  printf '#!/bin/bash\nset -o pipefail\ncd "%s" && "%s" quorvale-game.exe 2>&1 | sed -u "s/\\r$//"\n' \
    "$game" "$wine_program" >"$launcher"
  chmod +x "$launcher"
  tests/view/end_to_end.sh "$launcher" "$(preset_build_dir default)/tests/view/snapshot_test_server" \
    "$out/end-to-end"
}

# windows_click_plays FOLDER OUT PROGRAM ARGUMENT...: what a player's click starts, PROGRAM in
# FOLDER under Wine on the virtual display, in a network of its own with no server: units
# arrive, Escape ends the game, and no quorvale-server.exe is left within 2 s.
windows_click_plays() {
  local folder=$1 out=$2
  shift 2
  # As in windows_game_end_to_end: the programs' sockets in the private network, not here.
  wineserver -w
  in_private_network bash -euo pipefail -c 'source scripts/lib/common.sh
    source scripts/lib/windows_tests.sh
    windows_click_plays_here "$@"' bash "$folder" "$out" "$wine_program" "$@"
}

# windows_click_plays_here FOLDER OUT WINE PROGRAM ARGUMENT...: windows_click_plays' run,
# inside its network.
windows_click_plays_here() {
  local folder=$1 out=$2 wine_program=$3 clicked game first_unit window
  shift 3
  clicked=$(date +%s%N)
  (cd "$folder" && exec "$wine_program" "$@") >"$out/click.log" 2>&1 &
  game=$!
  wait_until 30 0.05 said_or_ended "New entity added!" "$out/click.log" "$game" || true
  if ! grep -q "New entity added!" "$out/click.log"; then
    tr -d "\r" <"$out/click.log"
    echo "$*: no unit arrived within 30 s"
    return 1
  fi
  first_unit=$((($(date +%s%N) - clicked) / 1000000))
  if [ -z "$(windows_servers)" ]; then
    # What the launcher said, first: why it started no server of its own, or gave up on it.
    sed -n '1,20{s/\r$//;p}' "$out/click.log"
    echo "$*: no quorvale-server.exe runs while the game plays"
    return 1
  fi
  window=$(xdotool search --name "^Quorvale$" | head -n 1)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool mousemove --window "$window" 320 240 key Escape
  wait_until 10 0.1 process_ended "$game" || { echo "$*: the game did not end on Escape"; return 1; }
  wait_until 2 0.1 no_windows_server || { echo "$*: quorvale-server.exe outlived the game by 2 s"; return 1; }
  echo "$*: the first unit $first_unit ms after the click; after Escape no server is left"
}

# The running quorvale-server.exe processes, a pid a line. Wine runs a program in a process
# of its own whose command line is the Windows one: a server is found by its first word
# (a script that names the program does so in a later word).
windows_servers() {
  local line first
  for line in /proc/[0-9]*/cmdline; do
    # The command line's first word, read by the shell itself: this runs in polling loops,
    # and a process started for each of the machine's processes would take seconds a call.
    first=""
    IFS= read -r -d '' first 2>/dev/null <"$line" || true
    if [[ ${first,,} == *quorvale-server.exe ]]; then
      line=${line#/proc/}
      echo "${line%/cmdline}"
    fi
  done
}

no_windows_server() { [ -z "$(windows_servers)" ]; }

# The working folder, target and arguments of a shortcut (.lnk), a line each, read as
# Windows' shell reads the file.
windows_shortcut() { python3 scripts/lib/windows_shortcut.py "$1"; }

# quorvale-server.exe under Wine: its help, then serving the Linux client (units arrive),
# then Ctrl+C (SIGINT, which Wine gives the program as the console's Ctrl+C) ending it with
# status 0 and its recording whole.
windows_server_serves_linux_client() {
  local game=$1 out=$2
  (cd "$game" && "$wine_program" quorvale-server.exe --help) | tr -d '\r' >"$out/server-help.txt"
  grep -q -- '--record FILE' "$out/server-help.txt" || {
    echo "quorvale-server.exe --help: $(cat "$out/server-help.txt")"
    return 1
  }
  # As in windows_game_end_to_end: the server's socket in the private network, not here.
  wineserver -w
  # Wine gives the program SIGINT as the console's Ctrl+C.
  in_private_network bash -euo pipefail -c 'source scripts/lib/common.sh
    source scripts/lib/other_builds.sh
    other_server_serves_client "$@"' bash "$out" quorvale-server.exe INT \
    env -C "$game" "$wine_program" quorvale-server.exe --units 6 --record "Z:$out/recorded.rec"
}

# The installer's round trip: silent install, the files and shortcuts and the entry in the
# installed programs, silent uninstall, and then the prefix's files and registry exactly as
# before, and this machine's own menus and icons, in the user's home, as they were too.
windows_installer_round_trip() {
  local setup=$1 out=$2 folder='C:\Program Files\Quorvale' drive=$WINEPREFIX/drive_c
  local share=$HOME/.local/share
  local menus=("$share/applications" "$share/desktop-directories" "$share/icons" "$share/mime"
    "$HOME/.config/menus")
  snapshot() {
    wineserver -w
    # Windows' own folder changes with every start; the uninstaller's emptied folder in
    # Temp is one Windows removes at the restart, and Wine's restart does not.
    {
      (cd "$drive" && find . | grep -v -e '^\./windows/' -e '^\./users/.*/Temp/~nsu[^/]*\.tmp$')
      find "${menus[@]}" 2>/dev/null || true
    } | sort >"$out/files-$1.txt"
    # The registry as Wine keeps it once it has ended (HKLM and HKCU), without when each key
    # was last written: what lives only for a session (the display's state, the services
    # it started) is never kept, and whether a session had come to write it when a snapshot
    # was taken is a race. Kept, but Wine's own: the network cards it sees, those of the
    # network it started in (the other checks' private networks have loopback alone); the
    # display adapter's driver date, written anew by each session that draws; and the fonts
    # it sets up for the code page of the last program that drew (the game's is UTF-8, the
    # installer's the system's).
    cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
      sed -e '/^#time=/d' -e 's/^\(\[.*\]\) [0-9]*$/\1/' |
      awk '/^\[/ { wine = index($0, "\\\\NetworkCards\\\\") || /(^\[|\\\\)Software\\\\(Wine\\\\)?Fonts\]$/ }
        !wine && !/^"DriverDateData"=/' >"$out/registry-$1.txt"
  }
  snapshot before
  # The default folder: /D= takes no quotes, and Wine quotes an argument with spaces.
  "$wine_program" "$setup" /S
  wineserver -w
  local installed=$drive/Program\ Files/Quorvale
  for file in quorvale.exe quorvale-game.exe quorvale-server.exe SDL.dll gfx/map1.png README.txt uninstall.exe; do
    [ -e "$installed/$file" ] || { echo "the installer put no $file in $folder"; return 1; }
  done
  local shortcut=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quorvale/Quorvale.lnk
  [ -e "$shortcut" ] || { echo "no Start-menu shortcut to the game"; return 1; }
  # What the shortcut starts, and where, played as the zip's file is.
  local link start_in target arguments
  link=$(windows_shortcut "$shortcut")
  start_in=$(sed -n 1p <<<"$link") target=$(sed -n 2p <<<"$link")
  arguments=$(sed -n 3p <<<"$link")
  [ -n "$target" ] || { echo "the Start-menu shortcut names no program"; return 1; }
  read -ra arguments <<<"$arguments"
  windows_click_plays "$("$wine_program" winepath -u "${start_in:-${target%\\*}}" | tr -d '\r')" "$out" \
    "$target" "${arguments[@]}"
  "$wine_program" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvale' /v UninstallString \
    2>/dev/null | grep -q uninstall.exe || { echo "no uninstaller registered"; return 1; }
  "$wine_program" "$installed/uninstall.exe" /S
  wineserver -w
  # The uninstaller runs from a copy of itself in the user's Temp, which Windows deletes at
  # the next restart, as it was asked to.
  "$wine_program" wineboot -r
  wineserver -w
  snapshot after
  diff "$out/files-before.txt" "$out/files-after.txt" >"$out/files.diff" ||
    { echo "uninstalling left files behind:"; cat "$out/files.diff"; return 1; }
  diff "$out/registry-before.txt" "$out/registry-after.txt" >"$out/registry.diff" ||
    { echo "uninstalling left the registry changed:"; head -n 40 "$out/registry.diff"; return 1; }
  echo "installer: installed into $folder with shortcuts and an uninstaller; uninstalling left" \
    "the $(wc -l <"$out/files-after.txt") files of drive_c and this machine's menus, and the" \
    "registry, as they were"
}

# The three upstream archives the Windows build needs that Debian does not serve, or a
# line that names what is missing.
windows_archives_missing() {
  local folder name missing=()
  folder=$(windows_deps_third_party)
  for name in $(windows_deps_upstream_archives); do
    [ -f "$folder/$name" ] || missing+=("$name")
  done
  [ ${#missing[@]} -eq 0 ] && return 1
  echo "the Windows build's upstream archives are not in $folder (${missing[*]}; see" \
    "packaging/windows/sources.sha256, or set QUORVALE_THIRD_PARTY)"
}

# The stage of scripts/test: the programs and the suites cross-built and the package built
# as a user builds it; then the suites under Wine (in their prefix, with no display) and the
# package rebuilt and compared (rebuild_windows_package) run beside every other check,
# which run under Wine on a virtual display of the stage's own (what other stages' windows
# hold down is not its), in a fresh prefix and in networks of their own. Skipped in one line
# where the upstream archives are missing (a failure under CI).
run_windows_stage() {
  local why start=$SECONDS
  if why=$(windows_archives_missing); then
    skip_stage "$why"
  fi
  ensure_packages "${windows_test_packages[@]}" "${windows_suites_packages[@]}"
  windows_build windows
  scripts/package windows
  echo "Windows cross build and package: $((SECONDS - start)) s"
  (
    out=$(mktemp -d)
    name=$(windows_package_name)
    linux=$(preset_build_dir default)
    windows=$(preset_build_dir windows)
    # Each in a process group of its own, which a failure of the checks ends whole.
    set -m
    windows_suites_under_wine >"$out/suites.log" 2>&1 &
    suites=$!
    rebuild_windows_package >"$out/rebuilt.log" 2>&1 &
    rebuilt=$!
    set +m
    # errexit holds in this trap: nothing here may fail.
    trap 'kill -- -"$suites" -"$rebuilt" 2>/dev/null || true; stop_display
      wineserver -k >/dev/null 2>&1 || true; rm -rf "$out"' EXIT
    start_display
    (cd "$out" && unzip -q "$OLDPWD/dist/$name.zip")
    # A prefix of the checks' own, made afresh.
    wine_new_prefix "$out/wine"
    # Every heading x speed and the shot grid: 72,360 steps and more.
    windows_same_output "exact results" 70000 "$linux/tests/units/exact_table" \
      "$windows/tests/units/exact_table.exe" "$out"
    # Nine pictures x 360 headings, a line each and one a pixel.
    windows_same_output "turned pictures" 3000000 "$linux/tests/units/turned_pictures" \
      "$windows/tests/units/turned_pictures.exe" "$out"
    windows_game_end_to_end "$out/$name" "$out"
    windows_click_plays "$out/$name" "$out" quorvale.exe
    windows_server_serves_linux_client "$out/$name" "$out"
    windows_installer_round_trip "dist/$name-setup.exe" "$out"
    status=0
    wait "$suites" || status=$?
    cat "$out/suites.log"
    wait "$rebuilt" || status=$?
    cat "$out/rebuilt.log"
    exit "$status"
  )
}
