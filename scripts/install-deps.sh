#!/usr/bin/env bash
# Installs everything fablecut needs to build, run and test on Debian 12.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake pkg-config ninja-build git
  qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev
  qtmultimedia5-dev libqt5multimedia5-plugins qttools5-dev-tools
  libtinyxml-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
  ffmpeg
  libgtest-dev libgmock-dev
  xvfb xauth x11-utils imagemagick
  usbutils dbus-daemon usb.ids libudev-dev
  libpango1.0-dev libcairo2-dev fonts-dejavu-core
  dvdauthor genisoimage time ccache
  qttools5-dev qttranslations5-l10n fonts-wqy-microhei
  pulseaudio
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
