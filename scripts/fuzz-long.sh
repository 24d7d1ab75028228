#!/bin/bash
# Runs every fuzz target for a given time each, keeping its corpus between runs, and prints
# the executions per target. A finding stops the run with the crashing input kept beside the
# corpus; copy it into the target's *_fuzz_seeds folder once fixed, so CI replays it.
#   scripts/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET_NAME_PATTERN]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-600}
PATTERN=${2:-}
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZV_FUZZ=ON -DZV_GUI=OFF -DZV_BENCH=OFF -DZV_WERROR=OFF > /dev/null
cmake --build build/fuzz -j "$(nproc)"
KEEP=build/fuzz-long
mkdir -p "$KEEP"
printf '%-24s %12s %10s %s\n' target executions corpus result
for f in $(find build/fuzz -maxdepth 3 -type f -executable -name '*_fuzz' | sort); do
  name=$(basename "$f")
  [ -n "$PATTERN" ] && [[ $name != *$PATTERN* ]] && continue
  corpus=$KEEP/corpus/$name
  mkdir -p "$corpus" "$KEEP/findings/$name"
  seeds=$(find . -path ./build -prune -o -type d -name "${name}_seeds" -print | head -1)
  log=$KEEP/$name.log
  result=ok
  "$f" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$KEEP/findings/$name/" "$corpus" $seeds > "$log" 2>&1 || result="FINDING (see $log)"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%-24s %12s %10s %s\n' "$name" "${runs:-?}" "$(ls "$corpus" | wc -l)" "$result"
done
