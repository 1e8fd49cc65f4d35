#!/bin/sh
# Draws the program's own pictures into assets/. The results are committed, so
# this only needs running again after a change of look; the build just copies them.
#
# Needs ImageMagick's convert and identify and the DejaVu fonts (fonts-dejavu-core).
# Usage: tools/make_assets.sh [repository root]
set -eu

root=${1:-$(dirname "$0")/..}
cd "$root"
assets=assets
mkdir -p "$assets/img"

# The window's background; the strip and the logo blend into it, so it is the
# anchor every picture is drawn against.
window='rgb(20,20,20)'
accent='rgb(253,2,2)'
bold=DejaVu-Sans-Bold
plain=DejaVu-Sans

# Every picture is written the same way: baseline, three-channel sRGB (a grey
# picture would otherwise come out as a one-channel JPEG, which a loader that
# expects RGB rows would misread), no metadata, so the files stay small and load
# with any libjpeg.
save() {
  convert "$1" -colorspace sRGB -type TrueColor -strip -interlace none -quality 88 \
    -sampling-factor 4:2:0 "$2"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- Strip background, 315 x 2800 -----------------------------------------
# Almost flat: the title links paint an exact RGB(20,20,20) box, so anything
# brighter would outline them. Only a hairline between rows and a faint rail on
# the left give the strip some depth. Rows repeat every 126 pixels; the title of
# row i ends at 125 + 126 i and the next picture starts at 136 + 126 i, so the
# hairline goes at 130 + 126 i.
lines=""
i=0
while [ "$i" -le 20 ]; do
  y=$((130 + 126 * i))
  lines="$lines line 10,$y 222,$y"
  i=$((i + 1))
done
convert -size 315x2800 gradient:'rgb(22,22,22)-rgb(19,19,19)' \
  -fill 'rgb(31,31,31)' -draw "$lines" \
  -fill 'rgb(27,27,27)' -draw 'rectangle 2,0 2,2799' \
  "$tmp/skrol.png"
save "$tmp/skrol.png" "$assets/skrol.jpg"

# --- Logo, 162 x 43 ---------------------------------------------------------
# A small red television with antennae, then the name: "Зирта" light, "TV" red.
convert -size 162x43 "xc:$window" \
  -fill none -stroke "$accent" -strokewidth 2 \
  -draw 'line 22,14 14,5' -draw 'line 22,14 30,5' \
  -stroke none -fill "$accent" -draw 'roundrectangle 5,14 40,38 4,4' \
  -fill "$window" -draw 'roundrectangle 9,18 30,34 2,2' \
  -fill 'rgb(236,236,236)' -draw 'circle 35,22 35,24' \
  -fill 'rgb(236,236,236)' -draw 'circle 35,30 35,31' \
  -fill 'rgb(120,120,120)' -draw 'rectangle 12,22 27,23' -draw 'rectangle 12,26 23,27' \
  -draw 'rectangle 12,30 25,31' \
  -font "$bold" -pointsize 22 -fill 'rgb(236,236,236)' \
  -annotate +47+33 'Зирта' \
  -fill "$accent" -annotate +124+33 'TV' \
  "$tmp/logo.png"
save "$tmp/logo.png" "$assets/лого.jpg"

# --- Thumbnail placeholder, 207 x 116 ---------------------------------------
# The title link covers rows 100 to 115 with a box of the window's colour, so
# those rows are painted that colour too and the placeholder reads as a card
# with its title beneath, like a real thumbnail; glyph and caption stay above.
convert -size 207x116 "xc:$window" \
  -fill 'rgb(30,30,30)' -stroke 'rgb(44,44,44)' -draw 'rectangle 0,0 206,99' \
  -fill none -stroke 'rgb(92,92,92)' -strokewidth 2 \
  -draw 'roundrectangle 82,18 124,48 3,3' \
  -draw 'line 96,56 110,56' -draw 'line 103,49 103,55' \
  -stroke 'rgb(70,70,70)' -strokewidth 2 -draw 'line 90,26 116,42' \
  -stroke none -font "$plain" -pointsize 11 -fill 'rgb(118,118,118)' \
  -gravity north -annotate +0+66 'нет изображения' \
  "$tmp/placeholder.png"
save "$tmp/placeholder.png" "$assets/img/фон.jpg"

# The window places these at fixed sizes; a wrong size would shift nothing but
# would show gaps or cut edges, so fail loudly instead.
check() {
  got=$(identify -format '%wx%h' "$1")
  if [ "$got" != "$2" ]; then
    echo "make_assets: $1 is $got, expected $2" >&2
    exit 1
  fi
}
check "$assets/skrol.jpg" 315x2800
check "$assets/лого.jpg" 162x43
check "$assets/img/фон.jpg" 207x116
echo "make_assets: pictures written to $assets/"
