#!/bin/bash
# Installs, builds and runs every test: the normal build (warnings are errors),
# the sanitizer build, and a short run of each fuzz target (a fixed seed, so that a run
# can be repeated; longer runs to hunt for new findings are for development).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
mkdir -p build
bash scripts/install-deps.sh
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
# A fixed number of runs from a fixed seed: the same inputs on every machine, so that a run
# that passed here passes in CI; the time limit only guards against a hang.
FUZZ_RUNS=${FUZZ_RUNS:-20000}

echo "== build (release, -Werror)"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WERROR=ON > /dev/null
cmake --build build/ci -j "$JOBS"
echo "== tests"
ctest --test-dir build/ci -j "$JOBS" --output-on-failure --timeout 300 | tee build/ci-ctest.log
echo "== reliability (short)"
# A fixed seed, as for the fuzzers, so that a CI run can be repeated; runs by hand vary it.
bash scripts/reliability.sh --short --seed 1 build/ci

echo "== the Debian package: built, checked, installed, run and removed"
bash scripts/package-test.sh build/ci

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZV_WERROR=ON -DZV_SANITIZE=ON -DZV_BENCH=OFF > /dev/null
cmake --build build/asan -j "$JOBS"
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$ROOT/scripts/lsan.supp \
  ctest --test-dir build/asan -j "$JOBS" --output-on-failure --timeout 600 | tee build/asan-ctest.log

echo "== build (ThreadSanitizer): the tests of lines worked at once"
# Only what those tests need, and only those tests: a few minutes at most.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WERROR=ON -DZV_TSAN=ON \
  -DZV_GUI=OFF -DZV_BENCH=OFF > /dev/null
cmake --build build/tsan -j "$JOBS" --target rdrlink_tests rdremu
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan -j "$JOBS" --output-on-failure --timeout 300 -R "LibraryThreads|ParallelWalk"

echo "== fuzz targets (${FUZZ_RUNS} runs each)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZV_FUZZ=ON -DZV_GUI=OFF -DZV_BENCH=OFF -DZV_WERROR=OFF > /dev/null
cmake --build build/fuzz -j "$JOBS"
fuzzers=$(find build/fuzz -maxdepth 3 -type f -executable -name '*_fuzz' | sort)
nf=0
for f in $fuzzers; do
  name=$(basename "$f")
  corpus=build/fuzz/corpus/$name; mkdir -p "$corpus"
  seeds=$(dirname "$(find . -path ./build -prune -o -type d -name "${name}_seeds" -print | head -1)")/${name}_seeds
  [ -d "$seeds" ] || seeds=""
  echo "-- $name"
  "$f" -seed=1 -runs="$FUZZ_RUNS" -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       "$corpus" $seeds > "build/fuzz/$name.log" 2>&1 || { tail -50 "build/fuzz/$name.log"; exit 1; }
  nf=$((nf+1))
done
echo "fuzz: $nf targets ran without a finding"

# One closing line for both test runs.
total=0
for f in build/ci-ctest.log build/asan-ctest.log; do
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$f" | tail -1)
  total=$((total + ${n:-0}))
done
echo "tests: $total passed, 0 failed"
