#!/usr/bin/env bash
# E-mail note end-to-end cases: the real Pinwell.exe under Wine mailing notes
# and collecting them from the Inbox, driven from outside.
#
#   mail_e2e.sh <case>     run one case        mail_e2e.sh all    every case
#   mail_e2e.sh list       name the cases
#
# no_mail_system runs with MAPI32 switched off in Wine.
set -uo pipefail

CASES="no_mail_system"

case_name=${1:-}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../net/lib.sh"
E2E_TMP_TAG=mail
# No note goes over the wire here: pinwell-send is not needed.
check_programs() { require_programs; }

WM_COMMAND=0x0111
IDOK=1

# box_text MS: waits for a message box captioned Pinwell; its handle in box,
# its text (carriage returns dropped) in box_says.
box= box_says=
wait_box() {
    local out
    out=$(ndrv wait-box Pinwell "$1") || return 1
    box=$(head -n1 <<<"$out")
    box_says=$(tail -n +2 <<<"$out" | tr -d '\r')
}
close_box() { drv post "$box" "$WM_COMMAND" "$IDOK" 0 || fail "could not close the message box"; }

# Without a mail system an address in a group is never reached: the sender
# hears so, the note shows the send-failed icon and AfterSend "DeleteNote"
# keeps it; no picture is left behind.
case_no_mail_system() {
    new_prefix
    port=$(free_port) || die "no free port"
    {
        settings_section "$port"
        printf 'NumberOfNotes=1\nAfterSend=DeleteNote\n'
        stored_note 1 "Mail me" 700 500 'By mail'
        printf '[RECIPIENTS_LIST]\nListNames=Mail~\nMail=bob@pinwell.test~\n'
    } | write_ini
    local overrides=$WINEDLLOVERRIDES
    export WINEDLLOVERRIDES="$overrides;mapi32="
    launch_pinwell
    wait_box "$START_MS" || die "no message box at the start without MAPI32"
    [ "$box_says" = "Unable to load mail system support." ] || fail "the start says $(printf %q "$box_says")"
    close_box
    drv wait-main "$START_MS" >/dev/null || die "the main dialog did not come up"
    export WINEDLLOVERRIDES=$overrides

    local original
    original=$(drv notes | awk '$NF == "me" { print $1; exit }')
    [ -n "$original" ] || die "the stored note did not show"
    send_to_first_group "$original" || return
    wait_box "$WAIT_MS" || die "no message box after sending to an address without a mail system"
    [ "$box_says" = "bob@pinwell.test : Note was not sent by email. Mail system support is not available." ] ||
        fail "the error box says $(printf %q "$box_says")"
    close_box
    expect_status "$original" failed
    drv notes | grep -q "^$original " || fail "the note was deleted although nothing was mailed"
    [ -n "$(ini_get NOTE_ID_1 TitleText)" ] || fail "the note's record is gone"
    local left
    left=$(ls "$(dirname "$ini")" | grep -i '^note.*\.\(bmp\|jpg\)$')
    [ -z "$left" ] || fail "picture files left in the data folder: $left"
}

e2e_main "${BASH_SOURCE[0]}" "$case_name"
