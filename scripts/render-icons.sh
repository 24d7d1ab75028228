#!/bin/bash
# Renders the program's icon (app/icons/zorvan32.svg) at every size the package installs. The
# PNGs are kept in the tree, so only whoever changes the drawing needs rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" zorvan32.svg -o "zorvan32-$size.png"
done
