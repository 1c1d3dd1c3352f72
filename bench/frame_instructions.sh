#!/bin/bash
# Instructions per frame of draw_frame and of the bare library calls, at each screen depth,
# counted by callgrind: the same on every run. Each case runs twice, drawing few frames and
# more; the difference over the extra frames leaves out the first frame's one-off work
# (symbol binding, the run-length encoding of persistent pictures). From the repository root:
#
#   bench/frame_instructions.sh [build/bench/draw_frame_bench]
#   LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu/sdl12-compat bench/frame_instructions.sh
set -euo pipefail
bench=${1:-build/bench/draw_frame_bench}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Prints "instructions frames" for one benchmark case, counted inside one function.
count() {
  local name=$1 function=$2 min_time=$3
  valgrind --tool=callgrind --callgrind-out-file="$scratch/out" --toggle-collect="$function" \
    "$bench" --benchmark_filter="^$name\$" --benchmark_min_time="$min_time" \
    >/dev/null 2>"$scratch/err"
  local instructions frames
  instructions=$(sed -n 's/^totals: //p' "$scratch/out")
  frames=$(sed -n 's/.*frames drawn: draw_frame \([0-9]*\), library calls alone \([0-9]*\)$/\1 \2/p' \
    "$scratch/err" | awk '{print $1 + $2}')
  echo "$instructions $frames"
}

per_frame() {
  local few more
  few=$(count "$1" "$2" 0.01)
  more=$(count "$1" "$2" 1)
  awk -v a="$few" -v b="$more" 'BEGIN {
    split(a, f, " "); split(b, m, " ");
    if (m[2] <= f[2]) { print "n/a"; exit }
    printf "%.3f", (m[1] - f[1]) / (m[2] - f[2]) / 1e6 }'
}

echo "| depth | shots | draw_frame (M instructions) | library calls alone (M) | ratio |"
echo "|---|---|---|---|---|"
for args in depth:8/shots:100 depth:16/shots:100 depth:24/shots:100 depth:32/shots:100 \
  depth:32/shots:500; do
  ours=$(per_frame "draw_frame_whole/$args" 'draw_frame(*')
  floor=$(per_frame "library_calls_alone/$args" '*draw_with_library_calls_alone*')
  depth=${args%%/*}
  shots=${args##*:}
  ratio=$(awk -v a="$ours" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')
  echo "| ${depth#depth:} | $shots | $ours | $floor | $ratio |"
done
