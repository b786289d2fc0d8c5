#!/usr/bin/env bash
# Renders the committed PNG icons from orn-dsp.svg (needs rsvg-convert, Debian librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" orn-dsp.svg -o "orn-dsp-$size.png"
done
