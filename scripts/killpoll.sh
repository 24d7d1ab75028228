#!/bin/bash
# The long form of the kill test: an emulated reader with PUNCHES punches (default 5000),
# `zorvan32 P` killed with SIGKILL at random moments KILLS times (default 10), then polled to
# the end. Every punch must be in Punch.Log, with at most one second copy per kill.
#   scripts/killpoll.sh BUILD_DIR [PUNCHES] [KILLS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:?usage: scripts/killpoll.sh BUILD_DIR [PUNCHES] [KILLS]}
PUNCHES=${2:-5000}
KILLS=${3:-10}
APP=$PWD/$BUILD/app
[ -x "$APP/zorvan32" ] && [ -x "$APP/rdremu" ] || { echo "killpoll: build $BUILD first" >&2; exit 1; }

T=$(mktemp -d /tmp/killpoll-XXXXXX)
mkdir -p "$T/data" "$T/run"
chmod 700 "$T/run"
export XDG_CONFIG_HOME=$T XDG_DATA_HOME=$T XDG_RUNTIME_DIR=$T/run QT_QPA_PLATFORM=offscreen
for n in 1 2 3 4; do export RDRDLL32_COM$n=$T/nocom$n; done
ADDR=127.0.$(( $$ / 250 % 250 + 1 )).$(( $$ % 250 + 1 ))
printf '[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n' "$T/data/" > "$T/zorvan32.INI"
printf '.site\r\n1, , , , , , 0, %s, killpoll\r\n' "$ADDR" > "$T/data/site.txt"
printf '.site clock\r\n1, 1\r\n' > "$T/data/clock.txt"

S=$T/emu.state
"$APP/rdremu" init "$S" > /dev/null
"$APP/rdremu" add-site "$S" --site 1 --tcp "$ADDR:3001" > /dev/null
"$APP/rdremu" add-reader "$S" --site 1 --addr 1 > /dev/null
"$APP/rdremu" add-punch "$S" --site 1 --addr 1 --user 42 --time '2026-01-01 00:00' --count "$PUNCHES" > /dev/null
"$APP/rdremu" serve "$S" > "$T/emu.out" 2> "$T/emu.err" &
EMU=$!
trap 'kill $EMU 2>/dev/null; wait $EMU 2>/dev/null || true; rm -rf "$T"' EXIT
for _ in $(seq 100); do grep -q ready "$T/emu.out" && break; sleep 0.1; done

lines() { [ -f "$T/data/Punch.Log" ] && wc -l < "$T/data/Punch.Log" || echo 0; }
kills=0
for k in $(seq "$KILLS"); do
  "$APP/zorvan32" P 2> /dev/null &
  Z=$!
  # A random moment after the poll has started: between one and a few hundred more lines.
  start=$(lines)
  want=$(( start + 1 + RANDOM % (PUNCHES / KILLS + 1) ))
  while kill -0 $Z 2> /dev/null && [ "$(lines)" -lt "$want" ]; do sleep 0.005; done
  if kill -9 $Z 2> /dev/null; then kills=$((kills + 1)); fi
  wait $Z 2> /dev/null || true
  echo "killpoll: kill $k at $(lines) lines"
done
"$APP/zorvan32" P 2> /dev/null
total=$(lines)
distinct=$(sort -u "$T/data/Punch.Log" | wc -l)
echo "killpoll: $PUNCHES punches, $kills kills: $total lines, $distinct distinct, $((total - distinct)) second copies"
[ "$distinct" -eq "$PUNCHES" ] || { echo "killpoll: punches lost" >&2; exit 1; }
[ $((total - distinct)) -le "$kills" ] || { echo "killpoll: more second copies than kills" >&2; exit 1; }
echo "killpoll: nothing lost"
