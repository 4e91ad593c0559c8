#!/usr/bin/env bash
# E-mail note end-to-end cases: the real Pinwell.exe under Wine mailing notes
# and collecting them from the Inbox, driven from outside.
#
#   mail_e2e.sh <case>     run one case        mail_e2e.sh all    every case
#   mail_e2e.sh list       name the cases
#
# no_mail_system runs with MAPI32 switched off in Wine. two_instances starts
# Postfix and Dovecot on loopback (tests/mail/mailservers.sh) and two
# Pinwells, each in a prefix of its own whose mail client is PinwellMail.dll:
# A with the account alice@pinwell.test, B with bob@pinwell.test.
set -uo pipefail

CASES="no_mail_system two_instances full_inbox file_full"

case_name=${1:-}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../net/lib.sh"
E2E_TMP_TAG=mail
# No note goes over the wire here: pinwell-send is not needed.
E2E_PROGRAMS+=" PinwellMail.dll pinwell-mailsetup.exe"
check_programs() { require_programs; }


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

ID_CHECK_EMAIL_NOTES=32901
ID_EXIT=32773
NO_NOTES_FOUND="Checking for email notes finished. No email notes found in your Inbox !  "
servers=${PINWELL_MAILSERVERS:-$root/tests/mail/mailservers.sh}

winpath() { echo "Z:${1//\//\\}"; }
mailsetup() { wine "$bin/pinwell-mailsetup.exe" "$@" >>"$tmp/pinwell-mailsetup.log" 2>&1; }

# start_mail_servers: this run's Postfix and Dovecot on free ports, stopped
# at the end; their settings (MAIL_*) in the environment.
start_mail_servers() {
    late_steps+=("'$servers' stop '$tmp/srv' >/dev/null 2>&1")
    # The daemons run as their own users: they must reach the folder.
    mkdir -p "$tmp/srv"
    chmod a+rx "$tmp" "$tmp/srv"
    "$servers" start "$tmp/srv" >"$tmp/pinwell-servers.log" 2>&1 ||
        die "the mail servers did not start: $(cat "$tmp/srv/state/log/start.log" 2>/dev/null)"
    . "$tmp/srv/servers.env"
    bob_maildir=$MAIL_DIR/state/mail/pinwell.test/bob/Maildir
}

# mail_prefix DIR ADDRESS PASSWORD: a prefix in DIR whose default mail client
# is PinwellMail.dll with that account, trusting the test servers' CA.
mail_prefix() {
    new_prefix "$1"
    wine regsvr32 /s /i:default "$(winpath "$bin/PinwellMail.dll")" >/dev/null 2>&1 || die "regsvr32 failed"
    mailsetup --trust-ca "$(winpath "$MAIL_CA_DER")" || die "pinwell-mailsetup --trust-ca failed"
    mailsetup --address "$2" --password "$3" --smtp "localhost:$MAIL_SMTP_PORT" --smtp-security starttls \
        --imap "localhost:$MAIL_IMAP_PORT" --inbox-security starttls || die "pinwell-mailsetup (account) failed"
}

# use A|B: the prefix and data file the next driver commands work on.
use() {
    if [ "$1" = A ]; then WINEPREFIX=$prefix_a ini=$ini_a; else WINEPREFIX=$prefix_b ini=$ini_b; fi
    export WINEPREFIX
}

# inbox_count: messages in bob's Inbox as the server keeps them.
inbox_count() { find "$bob_maildir/new" "$bob_maildir/cur" -type f 2>/dev/null | wc -l; }
wait_inbox() { # COUNT MS
    local deadline=$(($(ms_now) + $2))
    until [ "$(inbox_count)" = "$1" ]; do
        [ "$(ms_now)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# maildir_fill COUNT BYTES: COUNT ordinary mails of about BYTES each, older
# than any mail delivered later, written straight into bob's Maildir (past
# Postfix's size limit); the server then takes them in.
maildir_fill() {
    python3 - "$bob_maildir/cur" "$1" "$2" <<'PY' || return 1
import os, sys
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(folder, exist_ok=True)
for i in range(count):
    head = "From: reports@example.test\nTo: bob@pinwell.test\nDate: Mon, 7 Sep 2020 10:00:00 +0000\nSubject: Report %d\n\n"
    with open("%s/%d.M%dP1.fill:2,S" % (folder, 1600000000 + i, i), "wb") as f:
        f.write((head % i + "Figures for your records.\n" * (size // 25)).encode())
PY
    chown -R 5000:5000 "$bob_maildir" &&
        doveadm -c "$MAIL_DIR/etc/dovecot/dovecot.conf" mailbox status -u bob@pinwell.test messages INBOX >/dev/null
}

# mail_facts FILE: what a stored note e-mail holds, one line each: the
# subject, "markers yes|no", the note data's field count, and one line per
# attachment "name type bytes first-two-bytes". Fails on a message that is
# not valid MIME.
mail_facts() {
    python3 - "$1" <<'PY'
import email, sys
from email import policy
raw = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(raw, policy=policy.strict)
if msg.defects: sys.exit("defects: %s" % msg.defects)
print(msg['subject'])
body = msg.get_body(('plain',)).get_content()
n = body.find('delete this email message.')
b, e = body.find('<BEGIN>', max(n, 0)), body.rfind('<END>')
print('markers', 'yes' if 0 <= b < e else 'no')
data = body[b + 7:e].replace('\r\n', '') if 0 <= b < e else ''
print('fields', data.count('~') if data.endswith('~') else -1)
for part in msg.iter_attachments():
    payload = part.get_payload(decode=True)
    print(part.get_filename(), part.get_content_type(), len(payload), payload[:2].hex())
PY
}

# smtp_inject SUBJECT BODY: a plain mail to bob, as another mail program
# would send it.
smtp_inject() {
    python3 - "$MAIL_SMTP_PORT" "$1" "$2" <<'PY'
import smtplib, sys
from email.message import EmailMessage
m = EmailMessage()
m['From'], m['To'], m['Subject'] = 'mallory@pinwell.test', 'bob@pinwell.test', sys.argv[2]
m.set_content(sys.argv[3])
with smtplib.SMTP('127.0.0.1', int(sys.argv[1]), timeout=20) as s:
    s.send_message(m)
PY
}

# note_mail TITLE TEXT [flowed]: a note e-mail to bob as another mail program
# (Python's email package) writes it; flowed: UTF-8 format=flowed DelSp=yes
# text in lines of about 50 characters, beside an HTML part.
note_mail() {
    python3 - "$MAIL_SMTP_PORT" "$@" <<'PY'
import re, smtplib, sys
from email.message import EmailMessage
body = ("Gr\u00fc\u00dfe, a note for you.\n\n<BEGIN>ANONYMOUS~{\\rtf1 %s|}~Verdana~~16777215~0~8~0~%s~Verdana~C~"
        "14847561~0~8~0~0~0~150~200~No~~~<END>\n" % (sys.argv[3], sys.argv[2]))
m = EmailMessage()
m['From'], m['To'], m['Subject'] = 'carol@pinwell.test', 'bob@pinwell.test', 'Pinwell : Note from ANONYMOUS'
if len(sys.argv) > 4:  # soft breaks only where the next line needs no stuffing
    m.set_content(re.sub(r"([^\n]{50})(?=[^\n >F])", r"\1 \n", body), charset="utf-8", cte="quoted-printable",
                  params={"format": "flowed", "delsp": "yes"})
    m.add_alternative("<p>Gr\u00fc\u00dfe</p>", subtype="html")
else:
    m.set_content(body)
smtplib.SMTP('127.0.0.1', int(sys.argv[1]), timeout=20).send_message(m)
PY
}

# send_to_other_anonymously NOTE-HWND ADDRESS: the body menu's "Send note to"
# > "Other ...", the address typed and added, "Anonymous" chosen as the
# sender, "Send note".
CB_SETCURSEL=0x014E
send_to_other_anonymously() {
    local vis l t w h dlg combo
    read -r vis l t w h <<<"$(note_rect "$1")"
    drv click $((l + w / 2)) $((t + h / 2 + 20)) right || { fail "could not right-click the body"; return 1; }
    drv wait-menu "$WAIT_MS" >/dev/null || { fail "no body menu after a right click in the body"; return 1; }
    ndrv menu-keys up up up up right return || { fail "could not pick \"Other ...\""; return 1; }
    dlg=$(wait_titled "Send note to other" 30) || { fail "the send dialog did not open"; return 1; }
    drv set-text "$dlg" 1007 "$2" >/dev/null && drv post "$dlg" "$WM_COMMAND" 6 0 ||
        { fail "could not add $2 to the recipients"; return 1; }
    combo=$(ndrv child "$dlg" 1056) && drv send "$combo" "$CB_SETCURSEL" 3 0 5000 >/dev/null &&
        drv post "$dlg" "$WM_COMMAND" $(((1 << 16) | 1056)) "$combo" || { fail "could not choose Anonymous"; return 1; }
    shot mail_send_dialog
    drv post "$dlg" "$WM_COMMAND" "$IDOK" 0 || { fail "could not press \"Send note\""; return 1; }
}

# expect_no_notes_found WHEN: B checks and is told the Inbox has no note
# e-mails, in an information box, which is then closed.
expect_no_notes_found() {
    check_email
    wait_box "$WAIT_MS" || { fail "$1: no message box after a check without note e-mails"; return; }
    [ "$box_says" = "$NO_NOTES_FOUND" ] || fail "$1: the check says $(printf %q "$box_says")"
    local icon
    icon=$(ndrv box-icon "$box")
    [ "$icon" = information ] || fail "$1: the box shows the '$icon' icon"
    [ "$1" = empty_inbox ] && shot mail_no_notes_found
    close_box
}

# check_email: B's "Check for Email notes", as the tray menu gives it, once
# the previous check has ended (its wait window closes then).
check_email() {
    use B
    local deadline=$((SECONDS + WAIT_MS / 1000))
    while drv windows | awk '$3 == 1' | grep -q 'Version Build 147'; do
        [ "$SECONDS" -ge "$deadline" ] && { fail "the previous check does not end"; break; }
        sleep 0.3
    done
    drv command "$ID_CHECK_EMAIL_NOTES" || fail "could not post \"Check for Email notes\""
}

# A mails two notes to bob, one through its group, one anonymously through
# the send dialog; the server keeps them as valid MIME with the picture; B's check
# turns them into received notes and empties the Inbox. Then a cut note
# e-mail is deleted without a note, a foreign mail is left alone, and an
# Inbox without note e-mails says so.
case_two_instances() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-$E2E_TMP_TAG.XXXXXX")
    start_mail_servers
    log "mail servers on SMTP $MAIL_SMTP_PORT, IMAP $MAIL_IMAP_PORT"
    mail_prefix "$tmp/a" alice@pinwell.test alicepw
    prefix_a=$WINEPREFIX ini_a=$ini
    {
        settings_section "$(free_port)"
        printf 'NumberOfNotes=2\nDefaultPictureFormat=jpg\n'
        stored_note 1 "Mail me" 700 400 'By \b mail\b0'
        stored_note 2 "Secret" 300 400 'Guess <END> who <BEGIN>'
        printf '[RECIPIENTS_LIST]\nListNames=Bob~\nBob=bob@pinwell.test~nobody@pinwell.test~\n'
    } | write_ini
    mail_prefix "$tmp/b" bob@pinwell.test bobpw
    prefix_b=$WINEPREFIX ini_b=$ini
    { settings_section "$(free_port)"; printf 'NumberOfNotes=1\n'; stored_note 1 Desk 900 750 'On the desk'; } | write_ini

    use A
    start_pinwell
    local named anonymous
    named=$(drv notes | awk '$NF == "me" { print $1; exit }')
    anonymous=$(drv notes | awk '$NF == "Secret" { print $1; exit }')
    [ -n "$named" ] && [ -n "$anonymous" ] || die "A's stored notes did not show"
    # The server refuses one address of the group: the other still gets the
    # note, and the refused one is named with the server's words.
    send_to_first_group "$named" || return
    wait_inbox 1 "$WAIT_MS" || die "the first note e-mail did not reach bob's Inbox"
    wait_box "$WAIT_MS" || die "no message box names the refused address"
    [[ "$box_says" == "nobody@pinwell.test : Note was not sent by email."$'\n'*"User unknown"* ]] ||
        fail "the error box says $(printf %q "$box_says")"
    close_box
    expect_status "$named" failed
    send_to_other_anonymously "$anonymous" Bob@Pinwell.test || return
    wait_inbox 2 "$WAIT_MS" || die "the anonymous note e-mail did not reach bob's Inbox"
    expect_status "$anonymous" sent
    [ -z "$(ndrv wait-box Pinwell 0 2>/dev/null)" ] || fail "A shows a message box after sending"

    # As the server stored them.
    local f facts subjects=
    for f in "$bob_maildir"/new/*; do
        facts=$(mail_facts "$f") || { fail "a stored note e-mail is not valid MIME: $facts"; continue; }
        subjects+="$(head -n1 <<<"$facts")|"
        grep -qx 'markers yes' <<<"$facts" || fail "no note data between the markers: $facts"
        grep -qx 'fields 22' <<<"$facts" || fail "the note data does not have 22 fields: $facts"
        grep -qE '^Note\.jpg image/jpeg [0-9]{3,} ffd8$' <<<"$facts" || fail "no JPEG picture attached: $facts"
    done
    local user computer
    user=$(whoami)
    [[ "$subjects" == *"|Pinwell : Note from ANONYMOUS|"* || "$subjects" == "Pinwell : Note from ANONYMOUS|"* ]] ||
        fail "no subject reads 'Pinwell : Note from ANONYMOUS': $subjects"
    [[ "$subjects" == *"Pinwell : Note from $user, "* ]] || fail "no subject names the user $user: $subjects"
    cp -r "$bob_maildir/new" "$tmp/sent-mail"

    use B
    start_pinwell
    local b_pid=$launched_pid
    start_watch rx 2 120000
    local before after
    before=$(hhmm)
    check_email
    wait_new rx 1 "$WAIT_MS" && wait_new rx 2 "$WAIT_MS" || die "B's check brought up $(new_count rx) note(s), expected 2"
    after=$(hhmm)
    wait_inbox 0 "$WAIT_MS" || fail "bob's Inbox still holds $(inbox_count) message(s) after the check"
    local h title named_rx= anon_rx=
    for h in $(grep -v '^ready ' "$tmp/watch-rx" | awk '{ print $2 }'); do
        title=$(drv child-text "$h" 1002)
        if [ "$title" = "Secret" ]; then anon_rx=$h; else named_rx=$h; fi
    done
    [ -n "$anon_rx" ] || fail "no received note is titled with the anonymous sender's title 'Secret'"
    if [ -n "$named_rx" ]; then
        expect_title "$named_rx" "$(uname -n | tr '[:lower:]' '[:upper:]')" "$before" "$after"
        expect_body "$named_rx" "By mail"
        expect_status "$named_rx" received
    fi
    [ -n "$anon_rx" ] && { expect_body "$anon_rx" "Guess <END> who <BEGIN>"; expect_status "$anon_rx" received; }
    sleep 1
    [ -z "$(ini_get EMAIL_NOTE_RECEIVED EmailNoteData)" ] || fail "EmailNoteData still holds a note"
    [ -z "$(ndrv wait-box Pinwell 0 2>/dev/null)" ] || fail "B shows a message box after a check that found notes"
    shot mail_note_received

    # The body menu stores the note: its rich text kept the bold word.
    if [ -n "$named_rx" ]; then
        local vis l t w hh id text
        read -r vis l t w hh <<<"$(note_rect "$named_rx")"
        drv click $((l + w / 2)) $((t + hh / 2 + 10)) right && drv wait-menu "$WAIT_MS" >/dev/null &&
            ndrv menu-keys escape || fail "could not open the received note's body menu"
        for id in 2 3; do
            text=$(ini_get "NOTE_ID_$id" EditText)
            [[ "$text" == *"mail"* ]] && break
        done
        [[ "$text" == *'\b mail\b0'* || "$text" == *'\b mail'* ]] || fail "the received note lost its bold word: $text"
    fi

    # An empty Inbox: said so.
    expect_no_notes_found empty_inbox

    # A note e-mail cut short and somebody's ordinary mail.
    smtp_inject "Pinwell : Note from MALLORY" $'<BEGIN>MALLORY~cut short' || die "could not mail bob"
    smtp_inject "Lunch?" "At noon." || die "could not mail bob"
    wait_inbox 2 "$WAIT_MS" || die "the two injected mails did not reach bob's Inbox"
    check_email
    wait_inbox 1 "$WAIT_MS" || fail "the cut note e-mail was not deleted ($(inbox_count) messages left)"
    sleep 2
    [ "$(new_count rx)" = 2 ] || fail "the cut note e-mail made a note"
    [ -z "$(ndrv wait-box Pinwell 0 2>/dev/null)" ] || fail "a message box came up although a note e-mail was found"

    # Only the ordinary mail left: said so, and the mail stays.
    expect_no_notes_found foreign_mail
    [ "$(inbox_count)" = 1 ] || fail "the ordinary mail did not stay in the Inbox"

    # With CheckEmailOnStart a note e-mail (here one made by hand) comes up
    # at the next start by itself.
    smtp_inject "Pinwell : Note from ANONYMOUS" $'Note for you.\n\n<BEGIN>ANONYMOUS~{\\rtf1 At start|}~Verdana~~16777215~0~8~0~Started~Verdana~C~14847561~0~8~0~0~0~150~200~No~~~<END>' ||
        die "could not mail bob"
    wait_inbox 2 "$WAIT_MS" || die "the hand-made note e-mail did not reach bob's Inbox"
    drv command "$ID_EXIT" || fail "could not post Exit"
    wait_exit "$b_pid" 60 || die "B did not exit"
    sed -i 's/^CheckEmailOnStart=No\r$/CheckEmailOnStart=Yes\r/' "$ini_b"
    start_pinwell
    local deadline=$((SECONDS + WAIT_MS / 1000))
    until drv notes | awk '$NF == "Started"' | grep -q .; do
        [ "$SECONDS" -ge "$deadline" ] && { fail "the check at start brought no note titled 'Started'"; break; }
        sleep 0.3
    done
    wait_inbox 1 "$WAIT_MS" || fail "the check at start left $(inbox_count) messages"
}

# A mail too big to fetch ahead of three note e-mails, the first from another
# mail program, and the program ended while the check hands them over: after
# a new start each note is there once and the big mail stays.
case_full_inbox() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-$E2E_TMP_TAG.XXXXXX")
    start_mail_servers
    mail_prefix "$tmp/b" bob@pinwell.test bobpw
    prefix_b=$WINEPREFIX ini_b=$ini
    { settings_section "$(free_port)"; printf 'NumberOfNotes=0\n'; } | write_ini
    local text="Flowed <END> over the lines of another mail program <BEGIN> kept whole" titles
    maildir_fill 1 $((70 << 20)) && note_mail First "$text" flowed && note_mail Second 2 && note_mail Third 3 &&
        wait_inbox 4 "$WAIT_MS" || die "could not fill bob's Inbox"
    use B
    start_pinwell
    start_watch rx 1 120000
    check_email
    wait_new rx 1 60000 || die "no note came up from behind the big mail"
    drv command "$ID_EXIT" && wait_exit "$launched_pid" 60 || die "B did not exit during the check"
    sed -i 's/^CheckEmailOnStart=No\r$/CheckEmailOnStart=Yes\r/' "$ini_b"
    start_pinwell
    wait_inbox 1 60000 || fail "$(inbox_count) messages left after the check at the new start"
    sleep 2
    # The first start made its own dated note, as every start with no notes does.
    titles=$(drv notes | awk '$NF !~ /^[0-9]+[.][0-9]+[.][0-9]+$/ { print $NF }' | sort | tr '\n' ' ')
    [ "$titles" = "First Second Third " ] || fail "the notes after the new start are: $titles"
    expect_body "$(drv notes | awk '$NF == "First" { print $1; exit }')" "$text"
    local box
    box=$(ndrv wait-box Pinwell 0 2>/dev/null)
    # The check at the start may find nothing left: that box is expected.
    [ -z "$box" ] || [[ "$box" == *"No email notes found in your Inbox"* ]] || fail "a message box came up: $box"
}

# A note e-mail the data file has no room for stays in the Inbox, told by a balloon, not by the
# list that makes the user delete notes; the small note e-mail behind it still comes up.
case_file_full() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-$E2E_TMP_TAG.XXXXXX")
    start_mail_servers
    mail_prefix "$tmp/b" bob@pinwell.test bobpw
    prefix_b=$WINEPREFIX ini_b=$ini
    { settings_section "$(free_port)"; printf 'NumberOfNotes=0\n[OLD]\nData=%s\n' "$(printf %50000s | tr ' ' o)"; } | write_ini
    note_mail Big "$(printf %20000s | tr ' ' b)" && note_mail Small fits && wait_inbox 2 "$WAIT_MS" || die "could not mail bob"
    start_pinwell
    start_watch rx 1 60000
    check_email
    wait_new rx 1 "$WAIT_MS" && expect_body "$new_hwnd" fits || fail "the note e-mail behind the refused one did not come up"
    wait_inbox 1 "$WAIT_MS" || fail "$(inbox_count) messages left, expected the refused one"
    expect_told_not_list mail_refused_balloon
    [ -z "$(ndrv wait-box Pinwell 0 2>/dev/null)" ] || fail "a message box came up after the check"
}

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

# Sourced with --lib by the mail benchmark for its helpers only.
[ "$case_name" = --lib ] || e2e_main "${BASH_SOURCE[0]}" "$case_name"
