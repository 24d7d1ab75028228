#!/bin/bash
# Installs what is needed, builds, and starts the program.
#   scripts/run.sh                  a demonstration: the reader emulator with a demo
#                                   installation, and the program on its demo data (build/demo/)
#   scripts/run.sh DATA_DIRECTORY   the program on that data directory
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
bash scripts/install-deps.sh
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BENCH=OFF > /dev/null
cmake --build build/run -j "$(nproc)"
if [ $# -eq 0 ]; then
  exec bash scripts/demo.sh build/run
fi
if [ $# -ge 1 ]; then
  data=$(realpath -m "$1"); mkdir -p "$data"
  export XDG_CONFIG_HOME=$ROOT/build/run/config
  mkdir -p "$XDG_CONFIG_HOME"
  printf '[Zorvan32]\r\nDataPath=%s\r\n' "$data" > "$XDG_CONFIG_HOME/zorvan32.INI"
fi
exec build/run/app/zorvan32
