#!/bin/bash
# The README's picture of the main window after the demo's poll: the demo (scripts/demo.sh)
# runs `zorvan32 P` on a virtual display with a pause of a few seconds after the poll, and the
# window is captured again and again until it closes; the last picture, taken in that pause,
# is kept. Run it again whenever the window or the demo changes.
#   scripts/screenshot.sh [BUILD_DIR]      (default build/run; writes docs/main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/run}
OUT=${ZV_SCREENSHOT:-docs/main-window.png}
TITLE="Zorvan Utility - untitled.txt"

if [ "${ZV_UNDER_XVFB:-}" != 1 ]; then
  missing=()
  for t in xvfb-run:xvfb xauth:xauth import:imagemagick xwininfo:x11-utils; do
    command -v "${t%%:*}" > /dev/null || missing+=("${t##*:}")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if [ ! -x "$BUILD/app/zorvan32" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BENCH=OFF > /dev/null
    cmake --build "$BUILD" -j "$(nproc)" --target zorvan32 rdremu rdrdll32
  fi
  ZV_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
ZV_DEMO_DELAY=4 bash scripts/demo.sh "$BUILD" P > "$TMP/demo.log" 2>&1 &
DEMO=$!
while kill -0 "$DEMO" 2> /dev/null; do
  id=$(xwininfo -name "$TITLE" 2> /dev/null | awk '/Window id:/ {print $4}') || true
  # A picture counts only when the window was there before and after it was taken.
  if [ -n "$id" ] && timeout 5 import -window "$id" "$TMP/shot.png" 2> /dev/null \
     && xwininfo -id "$id" > /dev/null 2>&1; then
    mv "$TMP/shot.png" "$TMP/kept.png"
  fi
  sleep 0.3
done
wait "$DEMO" || { cat "$TMP/demo.log" >&2; echo "screenshot: the demo failed" >&2; exit 1; }
[ -s "$TMP/kept.png" ] || { echo "screenshot: the window never showed" >&2; exit 1; }
cp "$TMP/kept.png" "$OUT"
echo "screenshot: $OUT"
