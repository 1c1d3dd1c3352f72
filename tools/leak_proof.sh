#!/usr/bin/env bash
# Shows that the whole-run leak checks still catch a leak of ours, whatever the libraries'
# suppressions cover: in a scratch copy of the tree, World::clear drops its first Unit
# without freeing it, and the leak check of a run that ends with units listed must fail,
# naming that Unit. Exits 0 when the check caught the leak, 1 when it did not.
# Usage: tools/leak_proof.sh [VARIABLE=VALUE...]  (e.g. LD_LIBRARY_PATH= for sdl12-compat)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
ensure_packages "${play_packages[@]}" "${display_packages[@]}" "${test_packages[@]}"

scratch=$(mktemp -d)
trap 'stop_display; rm -rf "$scratch"' EXIT
git ls-files -z | xargs -0 cp --parents -t "$scratch"
cd "$scratch"
sed -i 's/^void World::clear() {$/&\n  if (!units.empty()) units.erase(units.begin());/' core/world.cpp
grep -q 'units.erase(units.begin());' core/world.cpp
cmake --preset default >/dev/null
cmake --build --preset default --target quorvale clean_exit_tests >/dev/null
start_display
for setting in "$@"; do export "${setting?}"; done
log=$(mktemp)
if in_private_network "$(preset_build_dir default)/tests/hostile/clean_exit_tests" \
  --gtest_filter='CleanExit.UnitsThatCameAndWentAndThoseStillListedLeaveNothingBehind' \
  >"$log" 2>&1; then
  echo "The leak check passed a client that leaks a Unit: it catches nothing" >&2
  exit 1
fi
if ! grep -q 'definitely lost in loss record.*' "$log" || ! grep -q 'apply_snapshot' "$log"; then
  tail -n 40 "$log" >&2
  echo "The leak check failed, but not on the leaked Unit" >&2
  exit 1
fi
grep -m1 -A6 'definitely lost in loss record' "$log"
echo "The leak check caught the Unit left behind"
