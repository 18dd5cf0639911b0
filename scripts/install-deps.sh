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
  qttools5-dev qttranslations5-l10n fonts-wqy-microhei
  pulseaudio
  dvdauthor genisoimage libbluray-bin time ccache
  openssl clang-format-14 universal-ctags
  locales
  xdotool openbox
  valgrind
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  gstreamer1.0-plugins-bad x264 x265 mkvtoolnix
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A locale with a decimal comma, for the tests that show stored numbers do not
# depend on the user's locale. Generated once; a second run finds it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ -f /etc/locale.gen ] && grep -q '^# *de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen
fi
