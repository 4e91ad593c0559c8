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
    postfix dovecot-pop3d dovecot-imapd openssl
    clang libclang-rt-14-dev
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
    # The mail servers are only for the tests, which start private instances
    # of them: no system-wide configuration, and no service started by the
    # packages (a policy-rc.d that refuses every start, unless one exists).
    echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
    policy=
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        policy=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
        $SUDO chmod 755 "$policy"
    fi
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
    [ -z "$policy" ] || $SUDO rm -f "$policy"
fi
