#!/bin/sh
# Draws the program's icon: the red television of the logo (assets/лого.jpg)
# on a dark tile of the window's colour. The PNGs are committed; this only
# needs running again after a change of look.
#
# Needs ImageMagick's convert. Usage: packaging/make_icon.sh [repository root]
set -eu

root=${1:-$(dirname "$0")/..}
out="$root/packaging/icons"

# The logo's colours, so the icon and the window read as one program.
window='rgb(20,20,20)'
edge='rgb(48,48,48)'
accent='rgb(253,2,2)'
light='rgb(236,236,236)'
line='rgb(120,120,120)'

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Drawn once at 1024 pixels and scaled down, so every size gets smooth edges
# from the same shapes.
convert -size 1024x1024 xc:none \
  -fill "$window" -stroke "$edge" -strokewidth 12 \
  -draw 'roundrectangle 40,40 983,983 190,190' \
  -stroke "$accent" -strokewidth 46 -fill none \
  -draw 'line 512,318 356,150' -draw 'line 512,318 668,150' \
  -stroke none -fill "$accent" \
  -draw 'circle 356,150 356,184' -draw 'circle 668,150 668,184' \
  -draw 'roundrectangle 140,300 884,838 84,84' \
  -fill "$window" -draw 'roundrectangle 212,372 704,766 44,44' \
  -fill "$light" -draw 'circle 794,478 794,516' -draw 'circle 794,612 794,640' \
  -fill "$line" \
  -draw 'rectangle 276,470 612,500' \
  -draw 'rectangle 276,554 540,584' \
  -draw 'rectangle 276,638 580,668' \
  "$tmp/master.png"

# No time stamps or other metadata: the same drawing gives the same bytes.
for size in 256 48; do
  mkdir -p "$out/${size}x${size}"
  convert "$tmp/master.png" -filter Lanczos -resize "${size}x${size}" -depth 8 -strip \
    -define png:exclude-chunks=date,time -define png:color-type=6 \
    "$out/${size}x${size}/zirta-tv.png"
done
