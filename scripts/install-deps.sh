#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, when any is
# missing. Usage: scripts/install-deps.sh [build|test]
set -euo pipefail

build_packages=(
  cmake g++ make pkg-config ccache python3
  qt6-base-dev libqt6opengl6-dev libgl1-mesa-dri
  libjpeg62-turbo-dev zlib1g-dev
  libavcodec-dev libswscale-dev libavformat-dev libavutil-dev libyuv-dev
  libgsm1-dev libsdl2-dev
  libgtest-dev libbenchmark-dev
  # zrvtool's command line and JSON output.
  libcli11-dev nlohmann-json3-dev
  fonts-dejavu-core fonts-liberation
  # Japanese texts of the recorders (camera names, events, captions).
  fonts-ipafont-gothic
)
test_packages=(
  xvfb xauth ffmpeg sox libjpeg-turbo-progs imagemagick poppler-utils
  # Whether a presentation video plays in a browser's <video>.
  chromium
  # A window manager under Xvfb for the tests of the real window (sizing,
  # taskbar, message boxes), with the tools that drive and inspect it.
  openbox x11-utils xdotool
  # The fuzz targets (fuzz/run.sh): clang with libFuzzer and the sanitizers.
  clang-14 libclang-rt-14-dev
)

packages=("${build_packages[@]}")
if [ "${1:-build}" = "test" ]; then packages+=("${test_packages[@]}"); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
