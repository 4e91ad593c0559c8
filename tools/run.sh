#!/usr/bin/env bash
# Installs what is missing for building and running (nothing the tests
# alone use), builds Pinwell.exe and starts it under Wine.
# Without an X display it runs on a virtual one (Xvfb) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --run
. tools/wine-env.sh
cmake --preset windows -DPINWELL_TESTS=OFF
# Lanscout.exe lists the network for the send dialog, PinwellMail.dll and its
# set-up tool carry e-mail notes: they belong beside Pinwell.exe.
cmake --build --preset windows --target Pinwell Lanscout PinwellMail pinwell-mailsetup
# A prefix of its own: the notes a user makes here stay out of the prefix the
# tests copy for every run. PINWELL_PREFIX (relative to the repository)
# picks another, for a second user.
prefix=$(realpath -m "${PINWELL_PREFIX:-build/windows/user-prefix}")
ensure_wineprefix "$prefix"
export WINEPREFIX=$prefix
cd build/windows/bin
# Wine's own mail client cannot read mail and reports a mail it hands to a
# mailto: link as sent; PinwellMail.dll takes its place, and the first mail
# asks for the account. A mail client the user chose stays.
mail_client=$(wine reg query 'HKLM\Software\Clients\Mail' /ve 2>/dev/null | tr -d '\r' |
    sed -n 's/^.*REG_SZ[[:space:]]*//p')
if [ -z "$mail_client" ] || [ "$mail_client" = "Native Mail Client" ]; then
    wine regsvr32 /s /i:default PinwellMail.dll || echo "Could not make PinwellMail.dll the mail client of $prefix."
elif [ "$mail_client" = "Pinwell Mail" ]; then
    # Registered from another folder (a moved or second checkout): point
    # the mail client at this build.
    wine regsvr32 /s PinwellMail.dll || echo "Could not register PinwellMail.dll in $prefix."
fi
if [ -z "${DISPLAY:-}" ]; then
    # The steps above started the prefix's Wine session without a display;
    # Pinwell joining it could make no window and would end at once.
    wineserver -w
    echo "No X display: starting Pinwell on a virtual display (Xvfb, 1280x1024)."
    # shellcheck disable=SC2016
    run_on_display bash -c 'echo "Virtual display $DISPLAY; look at it with: DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY import -window root shot.png"; exec wine Pinwell.exe'
else
    wine Pinwell.exe
fi
