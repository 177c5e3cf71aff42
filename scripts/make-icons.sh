#!/usr/bin/env bash
# Regenerates the application icon's PNG files (16 to 256 pixels) and the
# multi-size Windows icon from their source, resources/icons/qmr-rebuilder.svg.
# The results are committed; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh librsvg2-bin imagemagick

icons=resources/icons
pngs=()
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --format png "$icons/qmr-rebuilder.svg" \
    --output "$icons/qmr-rebuilder-$size.png"
  pngs+=("$icons/qmr-rebuilder-$size.png")
done
# One .ico holding every size (the 256-pixel image stored as PNG, as Windows
# expects); no time stamps or other metadata in the PNG files.
convert "${pngs[@]}" -define png:exclude-chunks=date,time "$icons/qmr-rebuilder.ico"
for png in "${pngs[@]}"; do
  convert "$png" -define png:exclude-chunks=date,time "$png"
done
identify "$icons/qmr-rebuilder.ico"
