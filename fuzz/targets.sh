# Shared by fuzz/run, fuzz/regress and fuzz/campaign: the targets, their libFuzzer flags,
# and their build (preset fuzz), whose folder is fuzz_build. Sourced from the repository root.

source scripts/lib/common.sh
fuzz_build=$(preset_build_dir fuzz)

fuzz_targets=(snapshot_stream replay_file server_options map_picture picture_file)

# The targets write each input as a file in their scratch folder; on a disk's file system
# creating those files cost the picture target 70 % of its time (ext4 looking for a free
# inode), in memory almost nothing. Called by the scripts that run the targets.
scratch_in_memory() {
  if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
  fi
}

# libFuzzer flags of one target: its longest input, and limits no input of ours nears.
target_flags() {
  local max_len
  case $1 in
    snapshot_stream | snapshot_stream_bytes | replay_file) max_len=16384 ;;
    server_options) max_len=4096 ;;
    map_picture | picture_file) max_len=65536 ;;
    *) echo "unknown fuzz target $1 (${fuzz_targets[*]})" >&2; return 1 ;;
  esac
  echo "-max_len=$max_len -timeout=10 -rss_limit_mb=2048 -print_final_stats=1"
}

# Configures the preset fuzz (clang++) and builds every target; quiet unless it fails.
build_fuzz_targets() {
  local log=$fuzz_build-build.log
  if ! { configure_preset fuzz && cmake --build --preset fuzz; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz: the targets did not build (whole log: $log)" >&2
    return 1
  fi
  rm -f "$log"
}

# The executions a libFuzzer log reports, summed over its processes.
executions_in() {
  awk '/^stat::number_of_executed_units:/ { n += $2 } END { print n + 0 }' "$@"
}
