#!/bin/sh
# Draws the JPEG decoder's test pictures. The results are committed; run this
# again only to change a fixture, then check the tests that read it.
#
# Needs ImageMagick's convert and python3 (for the byte-level patches that no
# encoder would write on purpose).
# Usage: tests/data/jpeg/make_fixtures.sh
set -eu
cd "$(dirname "$0")"

# Four flat quadrants, 26 x 18: red and green above, blue and yellow below.
# Red against blue shows a swapped colour order, top against bottom a flipped
# row order, and 26 pixels make rows of 78 bytes that need padding to 80.
# Quality 100 without chroma subsampling keeps the centres within a few levels.
quadrants() {
  convert \( -size 13x9 xc:'#FF0000' -size 13x9 xc:'#00FF00' +append \) \
          \( -size 13x9 xc:'#0000FF' -size 13x9 xc:'#FFFF00' +append \) \
          -append -strip -colorspace sRGB -type TrueColor \
          -sampling-factor 1x1 -quality 100 "$@"
}
quadrants -interlace none colour.jpg
quadrants -interlace Plane progressive.jpg

# One-channel picture, 10 x 16: grey 200 above grey 50.
convert \( -size 10x8 xc:'gray(200)' -size 10x8 xc:'gray(50)' -append \) \
  -strip -colorspace Gray -type Grayscale -quality 100 grey.jpg

# Noise spreads the coded data evenly over the rows, so cutting the file at a
# given share cuts the picture at about that share. Each channel gets its own
# noise, so the colour planes carry data too, and 2x2 chroma subsampling makes
# 16-row MCUs and smooth upsampling that looks into the next MCU row.
noise() {
  convert -size 96x96 -seed 7 xc: -channel RGB -fx 'rand()' +channel -strip \
    -colorspace sRGB -type TrueColor -sampling-factor 2x2 -quality 90 "$@"
}
noise -interlace none noise.jpg
noise -interlace Plane noise_progressive.jpg
size=$(wc -c < noise.jpg)
head -c $((size / 2)) noise.jpg > truncated.jpg

convert -size 16x16 xc:'#FF8000' -strip -colorspace CMYK -quality 90 cmyk.jpg
convert -size 8x8 xc:'#FF0000' -strip png:not_jpeg.png

python3 - <<'PY'
import struct

def segments(data):
    """(marker, offset, length) of each marker segment up to the first SOS."""
    pos = 2
    while pos + 4 <= len(data):
        assert data[pos] == 0xFF, "marker expected at %d" % pos
        marker = data[pos + 1]
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        yield marker, pos, length
        if marker == 0xDA:
            return
        pos += 2 + length

def patch_sof(source, target, change):
    data = bytearray(open(source, "rb").read())
    for marker, pos, _ in segments(data):
        if marker in (0xC0, 0xC1, 0xC2):
            change(data, pos)
            break
    else:
        raise SystemExit("no SOF in " + source)
    open(target, "wb").write(data)

# The frame header claims 60000 x 60000 (3.6 gigapixels) over a tiny file.
def huge(data, pos):
    data[pos + 5:pos + 9] = struct.pack(">HH", 60000, 60000)
patch_sof("colour.jpg", "huge_header.jpg", huge)

# The frame header says two components while its length is for three.
def broken(data, pos):
    data[pos + 9] = 2
patch_sof("colour.jpg", "broken_header.jpg", broken)

# A progressive file whose last scan comes again and again, 150 scans in all:
# each repeat is one more pass over the whole picture.
data = open("progressive.jpg", "rb").read()
assert data.endswith(b"\xff\xd9")
last = data.rindex(b"\xff\xda")
scans = data.count(b"\xff\xda")
repeat = data[last:-2]
open("many_scans.jpg", "wb").write(data[:-2] + repeat * (150 - scans) + b"\xff\xd9")
PY
