# The builds for other systems and processors (Windows under Wine, arm64 under qemu),
# checked against this machine's: their programs print the same lines, and their server
# serves this machine's client. Sourced after common.sh.

# same_lines WHAT MIN_LINES REFERENCE OTHER BUILD: fails unless the file OTHER, what BUILD
# printed, holds the same lines as REFERENCE, what the x86-64 Linux build printed, and
# REFERENCE holds at least MIN_LINES; prints how many lines compared, or how many differ
# and the first differences.
same_lines() {
  local what=$1 min_lines=$2 reference=$3 other=$4 build=$5 lines differing added
  lines=$(wc -l <"$reference")
  if [ "$lines" -lt "$min_lines" ]; then
    echo "$what: the Linux build printed $lines lines, fewer than the $min_lines expected"
    return 1
  fi
  if ! cmp -s "$reference" "$other"; then
    # diff's status 1 says that the files differ, which is known here; 2 is trouble.
    diff "$reference" "$other" >"$other.diff" || [ $? -eq 1 ]
    differing=$(grep -c '^<' "$other.diff") || [ $? -eq 1 ]
    added=$(grep -c '^>' "$other.diff") || [ $? -eq 1 ]
    head -n 20 "$other.diff"
    echo "$what: $differing of the Linux build's $lines lines differ in the $build build's," \
      "which has $added lines of its own"
    return 1
  fi
  echo "$what: the Linux and $build builds print the same $lines lines"
}

# other_server_serves_client OUT NAME SIGNAL COMMAND...: COMMAND starts another build's
# quorvale-server in the process it is started as (Wine and qemu both run the program so),
# serving 6 units and recording into OUT/recorded.rec. Fails unless it says "serving on"
# within 60 s, this machine's client gets the 6 units, and SIGNAL ends the server within
# 10 s with status 0 and its recording whole. The game's port must be free: run it in a network
# of its own (in_private_network).
other_server_serves_client() {
  local out=$1 name=$2 signal=$3 server client units status=0 size
  shift 3
  "$@" >"$out/server.log" 2>&1 &
  server=$!
  wait_until 60 0.1 grep -qs "serving on" "$out/server.log" ||
    { echo "$name was not serving within 60 s: $(cat "$out/server.log")"; return 1; }
  SDL_VIDEODRIVER=dummy "$(preset_build_dir default)/quorvale" >"$out/client.log" 2>&1 &
  client=$!
  wait_until 30 0.1 units_arrived 6 "$out/client.log" || true
  kill -TERM "$client"
  wait "$client"
  units=$(grep -c "New entity added!" "$out/client.log") || [ $? -eq 1 ]
  kill "-$signal" "$server"
  if ! wait_until 10 0.1 process_ended "$server"; then
    kill -KILL "$server"
    echo "SIG$signal did not end $name within 10 s"
    return 1
  fi
  wait "$server" || status=$?
  size=$(stat -c %s "$out/recorded.rec")
  echo "$name served the x86-64 client $units units; SIG$signal ended it with status" \
    "$status and a recording of $size bytes"
  [ "$units" -ge 6 ] && [ "$status" -eq 0 ] && [ "$size" -gt 0 ] && [ $((size % 1024)) -eq 0 ]
}
