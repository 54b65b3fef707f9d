#!/bin/sh
# Installs the Debian 12 packages Velkari needs to build, run and test.
# Safe to run again: when every package is present it does nothing.
set -e
PKGS="cmake g++ make pkg-config qtbase5-dev libqt5opengl5-dev qtmultimedia5-dev \
libqt5multimedia5-plugins libtinyxml-dev libglu1-mesa-dev libgl1-mesa-dri libbenchmark-dev \
xvfb xauth imagemagick python3 libqcustomplot-dev libxwiimote-dev libfcl-dev"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
