#!/bin/bash
# Renders data/icons/quillan.svg into the PNG sizes the program and the launchers use. The PNGs
# are committed, so building needs no SVG renderer; rerun this after changing the SVG
# (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" quillan.svg -o "quillan-$size.png"
done
