#!/bin/bash
# A demonstration installation on this machine: the reader emulator serving three sites
# (two on loopback addresses, one on an emulated serial line when the emulator offers it)
# with a few readers each, one of them offline, and a data directory whose site.txt and
# clock.txt point at them. The readers hold enrolled users with hand templates and the punches
# and events they left (a type 15 group among them). Settings, data and state live under
# build/demo/ only, so the user's own settings and data are left alone.
#   scripts/demo.sh BUILD_DIR [zorvan32 parameters...]
# Without a display (or with one that cannot be opened), the program tests communications and
# polls every reader unattended (zorvan32 X P); the demo prints the log of the run, what the
# punch logs, Sys.Log, user.txt and user.idx received, and the run's summary. It ends with 0
# when only the reader that is offline by design failed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${1:?usage: scripts/demo.sh BUILD_DIR [parameters...]}
shift
case $BUILD in
  /*) APP=$BUILD/app ;;
  *) APP=$ROOT/$BUILD/app ;;
esac
EMU=$APP/rdremu
# ZV_DEMO_DIR: where the demo lives instead (the tests give it one of their own); it is
# emptied first.
DEMO=${ZV_DEMO_DIR:-$ROOT/build/demo}
DATA=$DEMO/data
STATE=$DEMO/emu.state
[ -x "$EMU" ] || { echo "demo: $EMU is not built" >&2; exit 1; }

rm -rf "$DEMO"
mkdir -p "$DATA" "$DEMO/config" "$DEMO/share" "$DEMO/run"
chmod 700 "$DEMO/run"
export XDG_CONFIG_HOME=$DEMO/config XDG_DATA_HOME=$DEMO/share XDG_RUNTIME_DIR=$DEMO/run
# A reader that does not answer is given up after a second per attempt (the library's
# default, for slow lines, is three).
export RDRDLL32_TIMEOUT_MS=${RDRDLL32_TIMEOUT_MS:-1000}
# The demo never reaches a real serial device.
for n in 1 2 3 4; do export RDRDLL32_COM$n=$DEMO/com$n; done
# ZV_DEMO_DELAY: the pause after each parameter (scripts/screenshot.sh takes its picture then).
printf '[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=%s\r\nSaveCommandLineLog=1\r\n' "$DATA" "${ZV_DEMO_DELAY:-1}" \
  > "$XDG_CONFIG_HOME/zorvan32.INI"

emu() { "$EMU" "$@" > /dev/null; }
emu init "$STATE"
emu add-site "$STATE" --site 1 --tcp 127.0.0.2:3001
emu add-site "$STATE" --site 2 --tcp 127.0.0.3:3001
emu add-reader "$STATE" --site 1 --addr 1 --model 2 --memory 1
emu add-reader "$STATE" --site 1 --addr 2 --model 1 --memory 0
emu add-reader "$STATE" --site 1 --addr 3 --model 0 --memory 2
emu set-offline "$STATE" --site 1 --addr 3
emu add-reader "$STATE" --site 2 --addr 1 --model 3 --memory 2
emu add-reader "$STATE" --site 2 --addr 4 --model 4 --memory 1
# Enrolled users with hand templates: 1001 and 1002 are in user.txt already, 1003 and 2001
# are not, so a poll adds them. Punches of today, a few events, a type 15 group.
TODAY=$(date +%Y-%m-%d)
emu add-user "$STATE" --site 1 --addr 1 --user 1001 --tz 0 --authority 3 --template 4A6F686E536D69746831 --comment "John Smith"
emu add-user "$STATE" --site 1 --addr 1 --user 1002 --tz 1 --template 4D61727920526F652020 --comment "Mary Roe"
emu add-user "$STATE" --site 1 --addr 1 --user 1003 --tz 0 --authority 4 --template 0A0B0C0D0E0F10111213 --comment "Ann Lee"
emu add-user "$STATE" --site 1 --addr 2 --user 1001 --tz 0 --authority 3 --template 4A6F686E536D69746831
emu add-user "$STATE" --site 2 --addr 1 --user 2001 --tz 2 --authority 1 --template 2001200120012001
emu add-punch "$STATE" --site 1 --addr 1 --user 1001 --code 1 --time "$TODAY 07:58"
emu add-punch "$STATE" --site 1 --addr 1 --user 1002 --code 1 --time "$TODAY 08:03" --count 3
emu add-event "$STATE" --site 1 --addr 1 --type 16 --user 1003 --time "$TODAY 08:10"
emu add-group "$STATE" --site 1 --addr 1 --subtype 21 --user 1001 --code 8 --value 5 --byte 30 --data 00000001 --time "$TODAY 09:00"
emu add-punch "$STATE" --site 1 --addr 1 --user 1003 --code 2 --data 00001234 --time "$TODAY 12:30"
emu add-punch "$STATE" --site 1 --addr 2 --user 1001 --code 3 --time "$TODAY 17:05"
emu add-event "$STATE" --site 1 --addr 2 --type 3 --time "$TODAY 17:06"
emu add-punch "$STATE" --site 2 --addr 1 --user 2001 --code 1 --time "$TODAY 06:00" --count 4
emu add-event "$STATE" --site 2 --addr 1 --type 1 --user 2001 --time "$TODAY 06:01"
serial=""
if "$EMU" --help 2>&1 | grep -q -- '--serial'; then
  emu add-site "$STATE" --site 3 --serial "$DEMO/com1"
  emu add-reader "$STATE" --site 3 --addr 0 --model 2 --memory 2
  emu add-reader "$STATE" --site 3 --addr 7 --model 1 --memory 1
  emu add-punch "$STATE" --site 3 --addr 0 --user 1002 --code 2 --time "$TODAY 11:45"
  serial=yes
fi

{
  printf '.site  port  baud  init    dial      phone     tza     ipaddress     description\r\n'
  printf '.----  ----  ----  -----  ------  -----------  ---  ---------------  -----------\r\n'
  printf '    1,     ,     ,      ,       ,            ,   0,       127.0.0.2, Head office\r\n'
  printf '    2,     ,     ,      ,       ,            ,   0,       127.0.0.3, Warehouse\r\n'
  [ -n "$serial" ] && printf '    3,    1, 9600,      ,       ,            ,   0,                , Workshop (serial line)\r\n'
} > "$DATA/site.txt"
{
  printf '.site  clock  menu        comment\r\n'
  printf '.----  -----  ----------  -----------\r\n'
  printf '    1,     1,           , Front door\r\n'
  printf '    1,     2,           , Back door\r\n'
  printf '    1,     3,           , Canteen (offline)\r\n'
  printf '    2,     1,           , Gate\r\n'
  printf '    2,     4,           , Loading bay\r\n'
  [ -n "$serial" ] && printf '    3,     0,           , Workshop\r\n    3,     7,           , Stores\r\n'
} > "$DATA/clock.txt"
{
  printf '.ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n'
  printf '.----------  ---  ---------  --------  ---------  -----------------\r\n'
  printf '       1001,   0,          0,         ,          3, John Smith\r\n'
  printf '       1002,   1,          0,         ,          0, Mary Roe\r\n'
} > "$DATA/user.txt"

"$EMU" serve "$STATE" > "$DEMO/emu.out" 2> "$DEMO/emu.err" &
EMU_PID=$!
trap 'kill $EMU_PID 2>/dev/null; wait $EMU_PID 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q ready "$DEMO/emu.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$DEMO/emu.out" || { echo "demo: the emulator did not start" >&2; cat "$DEMO/emu.err" >&2; exit 1; }
echo "demo: emulator serving sites 1 (127.0.0.2), 2 (127.0.0.3)${serial:+ and 3 (serial line $DEMO/com1)}; data in $DATA"

# The unattended demonstration: every reader tested and polled, then what the run left. Site 1's
# clock 3 is offline by design, so the run's status is 1 with that reader's lines alone; the
# demo ends with 0 when that is all that failed, and with the program's status otherwise.
unattended() {
  echo "demo: no display that can be opened; testing communications and polling every reader unattended (zorvan32 X P)"
  local status=0
  QT_QPA_PLATFORM=offscreen "$APP/zorvan32" X P > "$DEMO/summary.txt" 2> "$DEMO/zorvan32.err" || status=$?
  local log
  log=$(ls "$DATA"/*-*.log 2> /dev/null | tail -1)
  if [ -n "$log" ]; then
    echo "demo: the log of the run, $(basename "$log")"
    cat "$log"
  else
    echo "demo: the run saved no log"
  fi
  for f in Punch.Log "$(date +%Y%m%d).log" Sys.Log user.txt user.idx; do
    echo
    echo "demo: $f"
    cat "$DATA/$f" 2> /dev/null || echo "(missing)"
  done
  echo
  echo "demo: the summary of the run (exit status $status)"
  cat "$DEMO/summary.txt"
  if [ -s "$DEMO/zorvan32.err" ]; then
    echo "demo: zorvan32 said on standard error:"
    cat "$DEMO/zorvan32.err"
  fi
  if [ -z "$log" ] || [ ! -s "$DEMO/summary.txt" ]; then
    echo "demo: zorvan32 ended with status $status without its log or its summary" >&2
    return 1
  fi
  # Failure lines are indented by four blanks; all of them must be the offline reader's.
  local others
  others=$(grep '^    ' "$DEMO/summary.txt" | grep -v '^    Site 1, Clock 3: ' || true)
  if [ "$status" -eq 1 ] && [ -z "$others" ]; then
    echo "demo: status 1 because site 1, clock 3 is offline, as designed; everything else worked"
    return 0
  fi
  if [ "$status" -eq 0 ]; then
    echo "demo: site 1, clock 3 answered, though the emulator should keep it offline" >&2
    return 1
  fi
  echo "demo: zorvan32 ended with status $status, and not only the offline reader failed" >&2
  return "$status"
}

if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  unattended
else
  echo "demo: choose Zorvan > Test Communications, then All; then Poll, Get Database and Restore Database"
  # Standard error is shown as it comes, and kept to be looked at afterwards.
  set +e
  { "$APP/zorvan32" "$@" 2>&1 1>&3 3>&- | tee "$DEMO/zorvan32.err" >&2; status=${PIPESTATUS[0]}; } 3>&1
  set -e
  # A display that is named but cannot be opened (a session that has ended): as without one.
  if [ $# -eq 0 ] && [ "$status" -eq 2 ] && grep -q 'cannot be opened' "$DEMO/zorvan32.err"; then
    unattended
  else
    exit "$status"
  fi
fi
