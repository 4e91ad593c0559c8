#!/usr/bin/env bash
# Tries e-mail notes on one machine: private Postfix and Dovecot on 127.0.0.1
# with the accounts alice@pinwell.test and bob@pinwell.test, and PinwellMail.dll
# set up for alice in the start command's Wine prefix and for bob in a second
# prefix, so that two Pinwells can mail each other.
#
#   bash tools/try-mail.sh [start]   install, build, start the servers, set up both prefixes
#   bash tools/try-mail.sh check     alice mails bob through PinwellMail.dll; bob reads it
#   bash tools/try-mail.sh stop      stop the servers (the prefixes keep their accounts)
#
# Ports: PINWELL_TRY_MAIL_PORT (default 2525) to that plus 5.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
base=${PINWELL_TRY_MAIL_PORT:-2525}
state=$root/build/mail-try
bin=$root/build/windows/bin
alice_prefix=$root/build/windows/user-prefix
bob_prefix=$root/build/windows/bob-prefix
servers=$root/tests/mail/mailservers.sh
cmd=${1:-start}

# The daemons run as their own users and must reach their folder: when the
# checkout sits where they cannot (under /root, say), the servers live in /tmp.
server_dir() {
    if [ -f "$state/servers.path" ]; then
        cat "$state/servers.path"
        return
    fi
    local d=$state/servers
    mkdir -p "$d"
    chmod a+rx "$state"
    if ! runuser -u nobody -- test -x "$d" 2>/dev/null; then
        d=$(mktemp -d /tmp/pinwell-mail-try.XXXXXX)
    fi
    echo "$d" >"$state/servers.path"
    echo "$d"
}

winpath() { echo "Z:${1//\//\\}"; }
in_prefix() {
    local prefix=$1
    shift
    WINEPREFIX=$prefix wine "$@" 2>/dev/null | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# set_up PREFIX NAME PASSWORD: PinwellMail.dll as the default mail client,
# the test CA trusted and the account of NAME@pinwell.test.
set_up() {
    local prefix=$1 name=$2 password=$3
    ensure_wineprefix "$prefix"
    in_prefix "$prefix" regsvr32 /s /i:default "$(winpath "$bin/PinwellMail.dll")"
    in_prefix "$prefix" "$bin/pinwell-mailsetup.exe" --trust-ca "$(winpath "$MAIL_CA_DER")" >/dev/null
    in_prefix "$prefix" "$bin/pinwell-mailsetup.exe" --address "$name@pinwell.test" --name "${name^}" \
        --password "$password" --smtp "localhost:$MAIL_SMTP_PORT" --smtp-security starttls \
        --imap "localhost:$MAIL_IMAP_PORT" --inbox-security starttls
    echo "$name@pinwell.test, in $prefix:"
    in_prefix "$prefix" "$bin/pinwell-mailsetup.exe" --check | sed 's/^/  /'
    WINEPREFIX=$prefix wineserver -w
}

case $cmd in
start)
    bash tools/install-deps.sh
    . tools/wine-env.sh
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target Pinwell Lanscout PinwellMail pinwell-mailsetup mail_provider_test
    dir=$(server_dir)
    "$servers" start "$dir" --base "$base"
    . "$dir/servers.env"
    set_up "$alice_prefix" alice alicepw
    set_up "$bob_prefix" bob bobpw
    # Both Pinwells listen for notes from the network: bob's takes the next
    # port, unless his settings already name one.
    bob_ini=$bob_prefix/drive_c/users/$(id -un)/AppData/Roaming/Pinwell.ini
    if [ ! -f "$bob_ini" ]; then
        mkdir -p "$(dirname "$bob_ini")"
        printf '[PINWELL]\r\nCommunicationPort=2001\r\n' >"$bob_ini"
    fi
    cat <<X

Mail servers are up on 127.0.0.1 (SMTP $MAIL_SMTP_PORT, IMAP $MAIL_IMAP_PORT, POP3 $MAIL_POP3_PORT; all STARTTLS).
  alice@pinwell.test (password alicepw): Pinwell of the start command
      bash tools/run.sh
  bob@pinwell.test (password bobpw): a second Pinwell
      PINWELL_PREFIX=build/windows/bob-prefix bash tools/run.sh
Send a note to bob@pinwell.test from alice's Pinwell; in bob's, "Check for Email notes".
Check the mail path without Pinwell:  bash tools/try-mail.sh check
Bob's mailbox on disk:                $MAIL_DIR/state/mail/pinwell.test/bob/Maildir
Stop the servers:                     bash tools/try-mail.sh stop
X
    ;;
check)
    . tools/wine-env.sh
    dir=$(server_dir)
    [ -f "$dir/servers.env" ] || { echo "try-mail: the servers are not set up; run: bash tools/try-mail.sh" >&2; exit 1; }
    subject="try-mail check $(date +%H:%M:%S)"
    in_prefix "$alice_prefix" "$bin/mail_provider_test.exe" send bob@pinwell.test "$subject"
    in_prefix "$bob_prefix" "$bin/mail_provider_test.exe" take "$subject"
    WINEPREFIX=$alice_prefix wineserver -w
    WINEPREFIX=$bob_prefix wineserver -w
    ;;
stop)
    if [ -f "$state/servers.path" ]; then
        "$servers" stop "$(cat "$state/servers.path")"
        echo "Mail servers stopped."
    fi
    ;;
*)
    sed -n '2,11p' "$0" >&2
    exit 2
    ;;
esac
