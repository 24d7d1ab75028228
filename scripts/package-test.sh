#!/bin/bash
# The Debian package end to end: builds it from a build directory (cpack), checks it with
# lintian (no errors, no warnings, no hardening notes), checks the files a desktop reads (icons,
# menu entry, AppStream metainfo, systemd units), installs it (dpkg -i, then apt-get -f install
# for what it lacks), checks the installed programs' hardening, runs the installed
# `zorvan32 X` without a display against the installed emulator, and removes it.
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
# Informational tags shown too: the hardening ones are only that, and must not creep back.
lintian --fail-on error,warning --display-info "$DEB" > "$BUILD/lintian.log" 2>&1 || lrc=$?
grep -v 'running with root privileges' "$BUILD/lintian.log" || true
[ "$lrc" -eq 0 ] || { echo "package-test: lintian found errors or warnings" >&2; exit 1; }
if grep -q ' hardening-' "$BUILD/lintian.log"; then
  echo "package-test: lintian found programs without the hardening flags" >&2; exit 1
fi

echo "-- the desktop's files"
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|' > "$BUILD/package.files"
want=(/usr/share/icons/hicolor/scalable/apps/zorvan32.svg
      /usr/share/applications/zorvan32.desktop
      /usr/share/metainfo/org.example.zorvan32.metainfo.xml
      /usr/lib/systemd/user/zorvan32-poll.service /usr/lib/systemd/user/zorvan32-poll.timer
      /usr/share/doc/zorvan32/README.md /usr/share/doc/zorvan32/unattended.md
      /usr/share/doc/zorvan32/parallel-lines.md)
for s in 16 24 32 48 64 128 256; do want+=("/usr/share/icons/hicolor/${s}x${s}/apps/zorvan32.png"); done
for f in "${want[@]}"; do
  grep -qx "$f" "$BUILD/package.files" || { echo "package-test: $f is not in the package" >&2; exit 1; }
done
if grep -q '^/usr/share/doc/zorvan32/.*\(conventions\|reliability\)\.md' "$BUILD/package.files"; then
  echo "package-test: the developers' notes are in the package" >&2; exit 1
fi
X=$(mktemp -d)
dpkg-deb -x "$DEB" "$X"
for s in 16 24 32 48 64 128 256; do
  file "$X/usr/share/icons/hicolor/${s}x${s}/apps/zorvan32.png" | grep -q "PNG image data, $s x $s," \
    || { echo "package-test: the ${s}x${s} icon is not ${s} pixels square" >&2; rm -rf "$X"; exit 1; }
done
desktop-file-validate "$X/usr/share/applications/zorvan32.desktop"
appstreamcli validate --no-net "$X/usr/share/metainfo/org.example.zorvan32.metainfo.xml" > /dev/null \
  || { appstreamcli validate --no-net "$X/usr/share/metainfo/org.example.zorvan32.metainfo.xml"; rm -rf "$X"; exit 1; }
# The timer is shipped but not enabled: nothing of it under /etc.
if grep -q '^/etc/' "$BUILD/package.files"; then
  echo "package-test: the package enables something under /etc" >&2; rm -rf "$X"; exit 1
fi
rm -rf "$X"

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

echo "-- hardening of the installed programs"
for elf in /usr/bin/zorvan32 /usr/bin/rdremu /usr/lib/*/zorvan32/librdrdll32.so /usr/lib/zorvan32/librdrdll32.so; do
  [ -e "$elf" ] || continue
  d=$(readelf -dW "$elf"); l=$(readelf -lW "$elf"); h=$(readelf -hW "$elf"); sy=$(readelf -sW --dyn-syms "$elf")
  grep -q GNU_RELRO <<< "$l" || { echo "package-test: $elf has no RELRO" >&2; exit 1; }
  grep -qE 'BIND_NOW|FLAGS_1.* NOW' <<< "$d" || { echo "package-test: $elf is not bound now" >&2; exit 1; }
  grep -q 'Type:.*DYN' <<< "$h" || { echo "package-test: $elf is not position-independent" >&2; exit 1; }
  grep -q '__stack_chk_fail' <<< "$sy" || { echo "package-test: $elf has no stack protector" >&2; exit 1; }
  grep -q '_chk@' <<< "$sy" || { echo "package-test: $elf uses no fortified function" >&2; exit 1; }
done

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
echo "package-test: built, lintian clean, desktop files and hardening checked, installed, ran and removed"
