#!/usr/bin/env bash
# Installs what building and testing Pinwell needs on Debian 12, and only
# what is missing. Run as root (or through sudo).
set -euo pipefail
packages=(
    cmake ninja-build g++ make
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest libgtest-dev libbenchmark-dev libstb-dev
    wine wine64 xvfb xauth imagemagick fonts-dejavu-core
    procps util-linux netcat-openbsd iproute2 xdotool
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
