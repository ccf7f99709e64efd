#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need. A no-op when they
# are all there; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev libjpeg-dev
    clang libclang-rt-14-dev
    mdbtools nodejs
    xvfb xauth xdotool x11-utils imagemagick
    at-spi2-core python3-pyatspi dbus
    fonts-liberation2
    libx11-dev
    dpkg-dev file desktop-file-utils man-db
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
