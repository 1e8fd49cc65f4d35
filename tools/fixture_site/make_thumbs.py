#!/usr/bin/env python3
"""Regenerates the sample channel thumbnails that the fixture site serves.

The pictures are committed, so the site itself needs nothing but Python; run
this only to change them (needs ImageMagick's `convert` and the DejaVu fonts):

    python3 tools/fixture_site/make_thumbs.py

Each picture is 320 x 180, a baseline JPEG, with its own hue, a darker band
and a big number, so a screenshot shows at a glance which one a row holds.
"""

import os
import subprocess
import sys

COUNT = 24
WIDTH, HEIGHT = 320, 180
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))
OUT_DIR = os.path.join(HERE, "thumbs")


def ThumbName(index):
    return "thumb%02d.jpg" % index


def ConvertCommand(index, target):
    hue = index * 360 // COUNT
    # Alternate the lightness so that neighbouring hues still differ clearly
    # in a grey-scale comparison.
    light = 38 if index % 2 == 0 else 55
    background = "hsl(%d,70%%,%d%%)" % (hue, light)
    band = "hsl(%d,60%%,%d%%)" % ((hue + 180) % 360, 25)
    return [
        "convert", "-size", "%dx%d" % (WIDTH, HEIGHT), "xc:" + background,
        "-fill", band, "-draw", "rectangle 0,%d %d,%d" % (HEIGHT - 36, WIDTH, HEIGHT),
        "-fill", "white", "-font", FONT, "-pointsize", "110",
        "-gravity", "center", "-annotate", "+0-14", "%d" % index,
        "-pointsize", "20", "-gravity", "south", "-annotate", "+0+7", "ТЕЛЕКАНАЛ",
        "-strip", "-interlace", "none", "-sampling-factor", "2x2",
        "-quality", "80", "jpeg:" + target,
    ]


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for index in range(COUNT):
        target = os.path.join(OUT_DIR, ThumbName(index))
        temporary = target + ".tmp"
        subprocess.run(ConvertCommand(index, temporary), check=True)
        os.replace(temporary, target)
        print("%s %d bytes" % (target, os.path.getsize(target)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
