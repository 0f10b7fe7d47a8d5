#!/usr/bin/env bash
# Sets up, builds and runs every test headless; windows open on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build
xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j2 --timeout 600
