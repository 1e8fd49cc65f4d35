#!/bin/bash
# Installs the Debian 12 packages the program, its build and its tests need.
# Idempotent: apt-get runs only when something is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config
  libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev libjpeg62-turbo-dev
  # playback: the browser plays video through GStreamer (WebM, MP4, HLS);
  # gst-launch-1.0 of gstreamer1.0-tools remakes the sample site's video
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-libav gstreamer1.0-gl gstreamer1.0-tools
  # tests
  googletest libgtest-dev python3 python3-gi gir1.2-webkit2-4.1
  xvfb xauth openbox xdotool wmctrl x11-utils imagemagick fonts-dejavu-core
  clang libclang-rt-14-dev
  # packaging
  dpkg-dev desktop-file-utils file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
