#!/usr/bin/env bash
# Installs what is missing for building and running (nothing the tests
# alone use), builds Pinwell.exe and starts it under Wine.
# Without an X display it runs on a virtual one (Xvfb) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --run
. tools/wine-env.sh
cmake --preset windows -DPINWELL_TESTS=OFF
# Lanscout.exe lists the network for the send dialog; it belongs beside Pinwell.exe.
cmake --build --preset windows --target Pinwell Lanscout
# A prefix of its own: the notes a user makes here stay out of the prefix the
# tests copy for every run. PINWELL_PREFIX (relative to the repository)
# picks another, for a second user.
prefix=$(realpath -m "${PINWELL_PREFIX:-build/windows/user-prefix}")
ensure_wineprefix "$prefix"
export WINEPREFIX=$prefix
cd build/windows/bin
if [ -z "${DISPLAY:-}" ]; then
    echo "No X display: starting Pinwell on a virtual display (Xvfb, 1280x1024)."
    # shellcheck disable=SC2016
    run_on_display bash -c 'echo "Virtual display $DISPLAY; look at it with: DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY import -window root shot.png"; exec wine Pinwell.exe'
else
    wine Pinwell.exe
fi
