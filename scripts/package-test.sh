#!/bin/bash
# The Debian package end to end: builds it from a build directory (cpack), checks it with
# lintian (no errors), installs it (dpkg -i, then apt-get -f install for what it lacks), runs
# the installed `zorvan32 X` without a display against the installed emulator, and removes it.
#   scripts/package-test.sh [BUILD_DIR]        (default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/ci}
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo

echo "-- package"
rm -f "$BUILD"/zorvan32_*.deb
(cd "$BUILD" && cpack -G DEB > cpack.log 2>&1) || { cat "$BUILD/cpack.log"; exit 1; }
DEB=$(ls "$BUILD"/zorvan32_*.deb)
dpkg-deb -I "$DEB" | grep -E '^ (Package|Version|Depends):'
echo "-- lintian"
lrc=0
lintian --fail-on error "$DEB" > "$BUILD/lintian.log" 2>&1 || lrc=$?
grep -v 'running with root privileges' "$BUILD/lintian.log" || true
[ "$lrc" -eq 0 ] || { echo "package-test: lintian found errors" >&2; exit 1; }

T=$(mktemp -d)
EMU_PID=""
cleanup() {
  [ -n "$EMU_PID" ] && { kill "$EMU_PID" 2>/dev/null; wait "$EMU_PID" 2>/dev/null || true; }
  if dpkg-query -W -f='${Status}' zorvan32 2>/dev/null | grep -q "install ok installed"; then
    $SUDO dpkg -r zorvan32 > /dev/null
  fi
  rm -rf "$T"
}
trap cleanup EXIT

echo "-- install"
$SUDO dpkg -i "$DEB" > "$T/dpkg.log" 2>&1 || {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -f install -y -qq > "$T/apt.log" 2>&1 \
    || { cat "$T/dpkg.log" "$T/apt.log"; exit 1; }
}
[ -x /usr/bin/zorvan32 ] && [ -x /usr/bin/rdremu ] || { echo "package-test: not installed" >&2; exit 1; }
man -w zorvan32 > /dev/null && man -w rdremu > /dev/null

echo "-- run the installed zorvan32 X against the installed emulator, without a display"
mkdir -p "$T/config" "$T/share" "$T/run" "$T/data"
chmod 700 "$T/run"
export XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/share XDG_RUNTIME_DIR=$T/run
export RDRDLL32_TIMEOUT_MS=500
for n in 1 2 3 4; do export RDRDLL32_COM$n=$T/no-port$n; done
# A loopback address of this run alone.
ADDR=127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$(($$ % 250 + 1))
rdremu init "$T/emu.state" > /dev/null
rdremu add-site "$T/emu.state" --site 1 --tcp "$ADDR:3001" > /dev/null
rdremu add-reader "$T/emu.state" --site 1 --addr 1 --model 2 --memory 1 > /dev/null
rdremu serve "$T/emu.state" > "$T/emu.out" 2> "$T/emu.err" &
EMU_PID=$!
for _ in $(seq 100); do grep -q ready "$T/emu.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$T/emu.out" || { echo "package-test: the emulator did not start" >&2; cat "$T/emu.err"; exit 1; }
printf '[Zorvan32]\r\nDataPath=%s\r\nInterCommandDelay=1\r\n' "$T/data" > "$T/config/zorvan32.INI"
printf '    1,     ,     ,      ,       ,            ,   0, %15s, packaged\r\n' "$ADDR" > "$T/data/site.txt"
printf '    1,     1,           , door\r\n' > "$T/data/clock.txt"
rc=0
(cd "$T" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 /usr/bin/zorvan32 X) > "$T/out" 2>&1 || rc=$?
log=$(ls "$T"/data/*-*.log 2>/dev/null | head -1)
if [ "$rc" -ne 0 ] || [ -z "$log" ] || ! grep -q "^Site 1, Clock 1: " "$log" \
   || grep -q "Clock is not responding\|RDRDLL32.DLL" "$log"; then
  echo "package-test: the installed program did not reach the emulator (exit $rc)" >&2
  cat "$T/out" >&2; [ -n "$log" ] && cat "$log" >&2
  exit 1
fi
grep "^Site 1, Clock 1: " "$log" | tr -d '\r'

echo "-- remove"
$SUDO dpkg -r zorvan32 > /dev/null
[ ! -e /usr/bin/zorvan32 ] && [ ! -e /usr/bin/rdremu ] || { echo "package-test: files left after removal" >&2; exit 1; }
echo "package-test: built, lintian clean, installed, ran and removed"
