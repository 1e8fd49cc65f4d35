#!/bin/bash
# Regenerates tools/fixture_site/demo.webm, the sample channel's video that
# the fixture site serves at /video/demo.webm. The file is committed, so the
# site and the tests need nothing of this; run it only to change the video
# (needs gst-launch-1.0 from gstreamer1.0-tools, and the videotestsrc, vp8enc
# and webmmux elements of gstreamer1.0-plugins-base and -good):
#
#     tools/fixture_site/make_demo_video.sh
#
# 8 s of 320 x 180 VP8 at 30 frames a second, no sound. The whole frame is
# one solid colour that changes every half second, going twice through the
# eight colours below, so two screenshots taken a moment apart tell whether
# the video plays, and which part of it shows. A white bar moves across each
# frame as well, so the picture also moves within one colour.
# The end-to-end playback test knows these colours: change them together.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
target="$here/demo.webm"

# ARGB, fully opaque: red, green, blue, yellow, magenta, cyan, orange, grey.
colours=(0xffdc2828 0xff28c828 0xff283cdc 0xffe6d228 0xffc828c8 0xff28c8c8 0xfff08c00 0xff808080)
rounds=2
frames_per_colour=15     # half a second at 30 frames a second
caps="video/x-raw,format=I420,width=320,height=180,framerate=30/1,pixel-aspect-ratio=1/1"

# One short source per colour, played one after another by concat.
sources=()
for ((round = 0; round < rounds; round++)); do
  for colour in "${colours[@]}"; do
    sources+=(videotestsrc pattern=bar foreground-color=0xffffffff "background-color=$colour"
              horizontal-speed=-6 "num-buffers=$frames_per_colour" '!' "$caps" '!' join.)
  done
done

# Written beside the target and moved over it only when whole.
partial="$(mktemp "$here/.demo.webm.XXXXXX")"
trap 'rm -f "$partial"' EXIT
# A key frame every half second, so a player can start or seek anywhere
# without a long wait.
gst-launch-1.0 -q concat name=join \
  ! vp8enc keyframe-max-dist=15 target-bitrate=150000 \
  ! webmmux ! filesink "location=$partial" \
  "${sources[@]}"
chmod 644 "$partial"
mv "$partial" "$target"
trap - EXIT
echo "wrote $target ($(stat -c %s "$target") bytes)"
