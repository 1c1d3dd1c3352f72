# Comparing what two builds of one program print, for the builds for other systems and
# processors: each prints the same lines as this machine's build, or it fails.

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
