#!/bin/bash
# The long form of the kill test: emulated readers with PUNCHES punches in all (default 5000)
# of 50 enrolled users each, `zorvan32 P` killed with SIGKILL at random moments KILLS times
# (default 10), then polled to the end. Every punch must be in Punch.Log, with at most one
# second copy per line and kill; the user of every punch in Punch.Log must be in user.txt or
# users.pending after each kill, and in user.txt and user.idx at the end. With LINES > 1
# (default 1) there are LINES sites, each on a loopback address of its own (a line), and the
# poll works them all at once (`--parallel-lines LINES`).
#   scripts/killpoll.sh BUILD_DIR [PUNCHES] [KILLS] [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:?usage: scripts/killpoll.sh BUILD_DIR [PUNCHES] [KILLS] [LINES]}
PUNCHES=${2:-5000}
KILLS=${3:-10}
LINES=${4:-1}
[ "$LINES" -ge 1 ] && [ "$LINES" -le 64 ] && [ "$PUNCHES" -ge "$LINES" ] ||
  { echo "killpoll: LINES from 1 to 64, and no more than PUNCHES" >&2; exit 1; }
APP=$PWD/$BUILD/app
[ -x "$APP/zorvan32" ] && [ -x "$APP/rdremu" ] || { echo "killpoll: build $BUILD first" >&2; exit 1; }

T=$(mktemp -d /tmp/killpoll-XXXXXX)
mkdir -p "$T/data" "$T/run"
chmod 700 "$T/run"
export XDG_CONFIG_HOME=$T XDG_DATA_HOME=$T XDG_RUNTIME_DIR=$T/run QT_QPA_PLATFORM=offscreen
for n in 1 2 3 4; do export RDRDLL32_COM$n=$T/nocom$n; done
NET=127.$(( $$ / 250 % 250 + 1 )).$(( $$ % 250 + 1 ))
printf '[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n' "$T/data/" > "$T/zorvan32.INI"
printf '.site\r\n' > "$T/data/site.txt"
printf '.site clock\r\n' > "$T/data/clock.txt"

S=$T/emu.state
"$APP/rdremu" init "$S" > /dev/null
USERS=0
for s in $(seq "$LINES"); do
  # Site s: its share of the punches, by users s*1000.. (up to 50) of its own.
  p=$(( PUNCHES / LINES + (s <= PUNCHES % LINES ? 1 : 0) ))
  users=50
  [ "$p" -ge "$users" ] || users=$p
  USERS=$((USERS + users))
  "$APP/rdremu" add-site "$S" --site "$s" --tcp "$NET.$((s + 1)):3001" > /dev/null
  "$APP/rdremu" add-reader "$S" --site "$s" --addr 1 > /dev/null
  "$APP/rdremu" add-user "$S" --site "$s" --addr 1 --user $((s * 1000)) --count "$users" > /dev/null
  for u in $(seq 0 $((users - 1))); do
    n=$(( p / users + (u < p % users ? 1 : 0) ))
    "$APP/rdremu" add-punch "$S" --site "$s" --addr 1 --user $((s * 1000 + u)) --time '2026-01-01 00:00' --count "$n" > /dev/null
  done
  printf '%d, , , , , , 0, %s, killpoll\r\n' "$s" "$NET.$((s + 1))" >> "$T/data/site.txt"
  printf '%d, 1\r\n' "$s" >> "$T/data/clock.txt"
done
"$APP/rdremu" serve "$S" > "$T/emu.out" 2> "$T/emu.err" &
EMU=$!
trap 'kill $EMU 2>/dev/null; wait $EMU 2>/dev/null || true; rm -rf "$T"' EXIT
for _ in $(seq 100); do grep -q ready "$T/emu.out" && break; sleep 0.1; done

lines() { [ -f "$T/data/Punch.Log" ] && wc -l < "$T/data/Punch.Log" || echo 0; }
# Users of Punch.Log whose numbers are not among those on standard input (one a line).
unkept() {
  cat > "$T/kept"
  awk -F, -v k="$T/kept" 'BEGIN { while ((getline l < k) > 0) kept[l + 0] = 1 }
                          $4 != "" { punched[$4 + 0] = 1 }
                          END { for (u in punched) if (!(u in kept)) print u }' "$T/data/Punch.Log" |
    sort -n | tr '\n' ' '
}
ids_of() {  # FILE FIELD
  if [ -f "$1" ]; then awk -F, -v f="$2" '$1 !~ /^\./ && NF >= f { print $f }' "$1"; fi
}
kills=0
for k in $(seq "$KILLS"); do
  "$APP/zorvan32" --parallel-lines "$LINES" P 2> /dev/null &
  Z=$!
  # A random moment after the poll has started: between one and a few hundred more lines.
  start=$(lines)
  want=$(( start + 1 + RANDOM % (PUNCHES / KILLS + 1) ))
  while kill -0 $Z 2> /dev/null && [ "$(lines)" -lt "$want" ]; do sleep 0.005; done
  if kill -9 $Z 2> /dev/null; then kills=$((kills + 1)); fi
  wait $Z 2> /dev/null || true
  echo "killpoll: kill $k at $(lines) lines"
  lost=$( { ids_of "$T/data/user.txt" 1; ids_of "$T/data/users.pending" 3; } | unkept)
  [ -z "$lost" ] || { echo "killpoll: users punched, in neither user.txt nor users.pending: $lost" >&2; exit 1; }
done
"$APP/zorvan32" --parallel-lines "$LINES" P 2> /dev/null
total=$(lines)
distinct=$(sort -u "$T/data/Punch.Log" | wc -l)
echo "killpoll: $PUNCHES punches, $LINES lines, $kills kills: $total lines, $distinct distinct, $((total - distinct)) second copies"
[ "$distinct" -eq "$PUNCHES" ] || { echo "killpoll: punches lost" >&2; exit 1; }
[ -z "$(awk 'NF' "$T/data/Punch.Log" | awk 'length($0) != 93')" ] || { echo "killpoll: a torn line in Punch.Log" >&2; exit 1; }
# Second copies of each site (each a line of its own): at most one a kill.
worst=$(sort "$T/data/Punch.Log" | uniq -d -c | awk -F, '{ split($1, a, " "); d[a[2]] += a[1] - 1 }
                                                   END { m = 0; for (s in d) if (d[s] > m) m = d[s]; print m }')
[ "$worst" -le "$kills" ] || { echo "killpoll: a line has $worst second copies for $kills kills" >&2; exit 1; }
missing=$(ids_of "$T/data/user.txt" 1 | unkept)
[ -z "$missing" ] || { echo "killpoll: users punched, not in user.txt: $missing" >&2; exit 1; }
missing=$(ids_of "$T/data/user.idx" 1 | unkept)
[ -z "$missing" ] || { echo "killpoll: users punched, not in user.idx: $missing" >&2; exit 1; }
[ ! -s "$T/data/users.pending" ] || { echo "killpoll: users still pending after the last poll" >&2; exit 1; }
echo "killpoll: nothing lost, every user of a punch kept ($USERS users, $LINES lines)"
