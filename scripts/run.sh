#!/usr/bin/env bash
# Sets up, builds and starts the workbench on the bundled demo data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build/velmora-data
exec ../app/velmora demo.fsd demo.dtx "$@"
