#!/usr/bin/env bash
# Installs what the Windows build needs on Debian 12, and nothing when it is all there: the
# MinGW-w64 cross compiler, Wine to run the program and its tests, NSIS for the installer, the
# host's Qt for the build's own tools, and a deb-src entry so that the sources of Qt, SQLite and
# libxlsxwriter come from Debian too.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config dpkg-dev tcl
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6sql6-sqlite
    libxlsxwriter-dev zlib1g-dev
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    wine wine64 fonts-wine nsis fonts-liberation2
    xvfb xauth imagemagick
)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

sources=/etc/apt/sources.list.d/dialroster-deb-src.sources
updated=false
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    "${sudo[@]}" tee "$sources" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    "${sudo[@]}" apt-get update -qq
    updated=true
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
$updated || "${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
