#!/bin/bash
# One table of speed and memory ratios from the benchmarks of bench/, all measured in one run.
#   scripts/bench.sh [--short] [BUILD_DIR]   (default build/dev, configured with ZV_BENCH=ON)
# --short uses small sizes and ends in about a minute; the full run takes some minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 scripts/bench.py "$@"
