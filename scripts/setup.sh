#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, and nothing when it is all there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite libxcb1-dev qt6-image-formats-plugins
    qt6-svg-dev desktop-file-utils appstream
    qt6-wayland qt6-wayland-dev qt6-base-private-dev libwayland-dev wl-clipboard mutter
    libxlsxwriter-dev zlib1g-dev libbenchmark-dev
    fonts-liberation2
    xvfb xauth xdotool xclip x11-utils libxfixes3
    xfce4-settings xfconf dbus-daemon dbus-bin
    at-spi2-core python3-pyatspi dbus-x11
    python3 python3-openpyxl
    sqlite3 xdg-utils file debootstrap
    clang libclang-rt-14-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
