#!/usr/bin/env bash
# Proves the stage machinery of scripts/lib/common.sh (stage, in_background, wait_background,
# skip_stage) in a few tenths of a second: in a child bash set up as scripts/test is, a
# stage whose FIRST command fails and whose last succeeds must stop the run, non-zero,
# naming the stage, both in the foreground and in the background (when it is waited for);
# so must a failure inside a command substitution, a failure of a pipeline's first command
# and an unset variable; a background stage still running then ends with every process it
# started; a skipped stage is counted as skipped, and fails under CI=true; and a passing
# stage must pass. Exits non-zero, saying what broke, if any of that ever stops being
# true. scripts/test runs it first, on its own, before any stage.
set -euo pipefail
cd "$(dirname "$0")/../.."
# For wait_until: the machinery under test is sourced afresh in each check's own bash.
source scripts/lib/common.sh

work=$(mktemp -d)
# A lingering stage's process, should a check fail, is ended here.
trap 'if [ -s "$work/lingering" ]; then kill "$(cat "$work/lingering")" 2>/dev/null || true; fi
  rm -rf "$work"' EXIT

# The stages under test, in a library the stages' processes source, as scripts/test's are.
cat >"$work/stages.sh" <<'EOF'
# Fails at its first command; its last, were it reached, would pass.
fails_first() {
  false
  echo "REACHED the command after the failure"
}
# Fails inside a command substitution, which then passes on what it printed.
fails_in_substitution() {
  local words
  words=$(false; echo "some words")
  echo "REACHED the command after the failure: $words"
}
# Fails in a pipeline's first command, which a pipeline's status hides without pipefail.
fails_in_pipeline() {
  false | true
  echo "REACHED the command after the failure"
}
# Reads a variable never set, which is an empty word without nounset.
reads_unset() {
  echo "the word is: $never_set_anywhere"
  echo "REACHED the command after the failure"
}
passes() {
  true
  echo "passed to its end"
}
skips() {
  skip_stage "nothing here to run"
  echo "REACHED the command after the skip"
}
# Runs on until stopped; its process's id goes to the file named.
lingers() {
  sleep 30 &
  echo "$!" >"$1"
  wait "$!"
}
EOF

failures=0
checks=0
# check DESCRIPTION EXPECTED_STATUS(zero|nonzero) SCRIPT [PATTERN...]: runs SCRIPT as
# scripts/test runs its stages, then checks its status and its output: a PATTERN is a grep
# pattern that must be found, or !PATTERN one that must not.
check() {
  local description=$1 expected=$2 script=$3 status=0 pattern
  shift 3
  checks=$((checks + 1))
  bash -c '
    set -euo pipefail
    stage_libraries=(scripts/lib/common.sh "$1")
    for library in "${stage_libraries[@]}"; do source "$library"; done
    trap stop_background EXIT
    work=$3
    eval "$2"' selftest "$work/stages.sh" "$script" "$work" >"$work/out" 2>&1 || status=$?
  local wrong=""
  if [ "$expected" = zero ] && [ "$status" -ne 0 ]; then
    wrong="exited $status, not 0"
  elif [ "$expected" = nonzero ] && [ "$status" -eq 0 ]; then
    wrong="exited 0: the run went on past a failed stage"
  fi
  # A stage's function missing also fails it, but not as it should.
  for pattern in "$@" '!command not found'; do
    if [ "${pattern:0:1}" = '!' ]; then
      if grep -q -- "${pattern:1}" "$work/out"; then wrong+="${wrong:+; }printed \"${pattern:1}\""; fi
    elif ! grep -q -- "$pattern" "$work/out"; then
      wrong+="${wrong:+; }did not print \"$pattern\""
    fi
  done
  if [ -n "$wrong" ]; then
    echo "stage self-test: FAILED: $description: $wrong. Its output:" >&2
    sed 's/^/  | /' "$work/out" >&2
    failures=$((failures + 1))
  fi
}

check "a foreground stage whose first command fails" nonzero '
  stage "First fails" fails_first
  echo "REACHED the next stage"' \
  'FAILED stage: First fails' '!REACHED'
check "a foreground stage failing in a command substitution" nonzero '
  stage "Fails in a substitution" fails_in_substitution
  echo "REACHED the next stage"' \
  'FAILED stage: Fails in a substitution' '!REACHED'
check "a foreground stage whose pipeline's first command fails" nonzero '
  stage "Fails in a pipeline" fails_in_pipeline
  echo "REACHED the next stage"' \
  'FAILED stage: Fails in a pipeline' '!REACHED'
check "a foreground stage reading an unset variable" nonzero '
  stage "Reads unset" reads_unset
  echo "REACHED the next stage"' \
  'FAILED stage: Reads unset' '!REACHED'
check "a background stage whose first command fails" nonzero '
  in_background "First fails, behind" fails_first
  stage "Passes meanwhile" passes
  wait_background
  echo "REACHED past the wait"' \
  'FAILED stage: First fails, behind' 'passed to its end' '!REACHED'
check "a background stage waited for by name, not the oldest" nonzero '
  in_background "Passes, behind" passes
  in_background "First fails, behind" fails_first
  wait_background "First fails, behind"
  echo "REACHED past the wait"' \
  'FAILED stage: First fails, behind' '!Passes, behind (finished)' '!REACHED'
check "a background stage found failed by wait_all_background" nonzero '
  in_background "Passes, behind" passes
  in_background "First fails, behind" fails_first
  wait_all_background
  echo "REACHED past the wait"' \
  'FAILED stage: First fails, behind' '!FAILED stage: Passes' '!REACHED'
# shellcheck disable=SC2016  # expanded in the run, not here
check "a background stage still running when the run fails" nonzero '
  in_background "Lingers" lingers "$work/lingering"
  wait_until 1 0.01 test -s "$work/lingering" || true
  stage "First fails" fails_first' \
  'FAILED stage: First fails' '!REACHED'
# Its processes end with the run.
if [ ! -s "$work/lingering" ]; then
  echo "stage self-test: FAILED: the lingering background stage never started" >&2
  failures=$((failures + 1))
fi
# Running: neither gone nor a zombie left for whoever adopted it to reap. From the kernel's
# own files: a minimal root may have no ps.
running() {
  local pid=$1 state
  kill -0 "$pid" 2>/dev/null || return 1
  read -r _ _ state _ <"/proc/$pid/stat" || return 1
  [ "$state" != Z ]
}
ended() { ! running "$1"; }
runs_sleep() { [ "$(cat "/proc/$1/comm")" = sleep ]; }
# The look is proven on a process that runs.
sleep 30 &
sleeper=$!
# Until it is sleep: a signal to the shell forked for it would run this script's trap there.
wait_until 1 0.01 runs_sleep "$sleeper" || true
if ! running "$sleeper"; then
  echo "stage self-test: FAILED: a running process was not seen running" >&2
  failures=$((failures + 1))
fi
kill "$sleeper"
wait "$sleeper" || true
wait_until 1 0.01 ended "$(cat "$work/lingering")" || true
if running "$(cat "$work/lingering")"; then
  echo "stage self-test: FAILED: a background stage's process outlived the run that failed" >&2
  failures=$((failures + 1))
fi
# shellcheck disable=SC2016  # expanded in the run, not here
check "a skipped stage, outside CI" zero '
  CI= stage "Skips" skips
  stage "Passes" passes
  stage_summary' \
  'Skipped: nothing here to run' 's  Skips (skipped: nothing here to run)$' 's  Passes$' \
  'stages: 1 passed, 1 skipped' '!REACHED' '!FAILED'
check "a skipped stage under CI=true" nonzero '
  CI=true stage "Skips" skips
  echo "REACHED the next stage"' \
  'FAILED stage: Skips' 'a skip fails under CI=true: nothing here to run' '!REACHED'
check "passing stages" zero '
  stage "Passes" passes
  in_background "Passes, behind" passes
  wait_all_background
  stage_summary
  echo "the run went on"' \
  'passed to its end' 's  Passes$' 's  Passes, behind$' 'the run went on' '!FAILED'

if [ "$failures" -gt 0 ]; then
  echo "stage self-test: $failures of $checks checks failed: a failing command might not fail" \
    "its stage; mend stage, in_background, skip_stage and stage_process in" \
    "scripts/lib/common.sh" >&2
  exit 1
fi
echo "stage self-test: $checks checks: a failing command fails its stage and the run, in the" \
  "foreground and the background, and ends the background stages; a skip is counted as" \
  "one, and fails under CI; passing stages pass"
