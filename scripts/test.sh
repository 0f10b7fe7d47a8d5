#!/usr/bin/env bash
# Sets up, builds and runs every test headless; windows open on a virtual X display. The
# cases of each suite run in a shuffled order, so that none leans on another's leftovers;
# the seed is printed, and VELMORA_TEST_SEED=n runs that order again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build
seed="${VELMORA_TEST_SEED:-$(( $(date +%s) % 99999 + 1 ))}"
echo "test order: GTEST_SHUFFLE=1 GTEST_RANDOM_SEED=$seed (again: VELMORA_TEST_SEED=$seed scripts/test.sh)"
GTEST_SHUFFLE=1 GTEST_RANDOM_SEED="$seed" \
  xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j2 --timeout 600
