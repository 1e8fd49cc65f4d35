#!/bin/bash
# Installs the Debian 12 packages the program, its build and its tests need.
# Idempotent: apt-get runs only when something is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config
  libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev libjpeg62-turbo-dev
  # tests
  googletest libgtest-dev python3
  xvfb xauth openbox xdotool wmctrl x11-utils imagemagick fonts-dejavu-core
  clang libclang-rt-14-dev
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
