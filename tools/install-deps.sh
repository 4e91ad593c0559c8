#!/usr/bin/env bash
# Installs what Pinwell needs on Debian 12, and only what is missing. Run as
# root (or through sudo).
#   install-deps.sh --run   building Pinwell.exe and running it under Wine
#   install-deps.sh         that and everything the tests use
set -euo pipefail
run_packages=(
    cmake ninja-build
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libstb-dev
    wine wine64 xvfb xauth fonts-dejavu-core util-linux
)
test_packages=(
    g++ make googletest libgtest-dev libbenchmark-dev
    imagemagick procps netcat-openbsd iproute2 xdotool python3
    postfix dovecot-pop3d dovecot-imapd openssl
    clang libclang-rt-14-dev
)
# The mail servers are only for the tests, which start private instances of
# them: installed, they must neither start now nor at the next boot.
mail_services=(postfix dovecot)

packages=("${run_packages[@]}")
case ${1:-} in
--run) ;;
"") packages+=("${test_packages[@]}") ;;
*) echo "usage: install-deps.sh [--run]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "Installing: ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -q
echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
# No service started by the packages: a policy-rc.d that refuses every start,
# unless one exists.
policy=
if [ ! -e /usr/sbin/policy-rc.d ]; then
    policy=/usr/sbin/policy-rc.d
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod 755 "$policy"
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
[ -z "$policy" ] || $SUDO rm -f "$policy"
if command -v systemctl >/dev/null; then
    for s in "${mail_services[@]}"; do
        [[ " ${missing[*]} " == *" $s"* ]] && $SUDO systemctl disable "$s" >/dev/null 2>&1 || true
    done
fi
