#!/bin/bash
# The reliability suite: zorvan32 killed during every operation that writes, a full disk during
# polls and saves, every fault the reader emulator can play against every operation, a failing
# file call at every moment of every operation and save, and a power cut at every moment of a
# recorded run. Prints a table of what was tried and what held; exits 1 when anything did not hold.
#   scripts/reliability.sh [--short] [--jobs N] [--seed N] [--keep] [--ops LETTERS] [--faults REGEX]
#                          [--io-only] [BUILD_DIR]   (default build/dev)
# See docs/reliability.md.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 scripts/reliability.py "$@"
