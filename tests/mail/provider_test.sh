#!/usr/bin/env bash
# PinwellMail.dll against real Postfix and Dovecot on loopback, in a prefix of
# its own: registered with regsvr32 as the default mail client, the test CA
# trusted, and mail_provider_test calling it through MAPI32. Covers IMAP and
# POP3 with STARTTLS, implicit TLS, a wrong password, a certificate the system
# does not trust and a stopped server. Starts and stops its own servers.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=${PINWELL_BIN_DIR:-$root/build/windows/bin}
base_prefix=${PINWELL_BASE_PREFIX:-$root/build/windows/wineprefix}
. "$root/tools/wine-env.sh"

work=$(mktemp -d /tmp/pinwell-mailprov.XXXXXX)
chmod 755 "$work"  # the mail daemons run as their own users
servers="$root/tests/mail/mailservers.sh"
cleanup() {
    local rc=$?
    if [ $rc != 0 ]; then
        echo "-- the servers' logs:"
        tail -n 40 "$work/srv/state/log/"*.log 2>/dev/null || true
    fi
    "$servers" stop "$work/srv" || true
    [ -z "${WINEPREFIX:-}" ] || timeout 20 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

ensure_wineprefix "$base_prefix"
cp -a "$base_prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
w() { wine "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
setup() { w "$bin/pinwell-mailsetup.exe" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

"$servers" start "$work/srv"
. "$work/srv/servers.env"
convert -seed 7 -size 400x300 plasma: -quality 90 "$work/note.jpg"

step() { echo "== $*"; }
step "registration: regsvr32 leaves the prefix's mail client alone, /i:default makes us the default"
wine regsvr32 /s "$(winpath "$bin/PinwellMail.dll")"
wine reg query 'HKLM\Software\Clients\Mail' /ve 2>/dev/null | tr -d '\r' | grep -q "Native Mail Client"
wine regsvr32 /s /i:default "$(winpath "$bin/PinwellMail.dll")"
wine reg query 'HKLM\Software\Clients\Mail' /ve 2>/dev/null | tr -d '\r' | grep -q "Pinwell Mail"
setup --trust-ca "$(winpath "$MAIL_CA_DER")"

account() { setup --address bob@pinwell.test --password bobpw --smtp "localhost:$MAIL_SMTP_PORT" \
    --smtp-security starttls --inbox-security starttls "$@"; }

step "IMAP with STARTTLS"
account --imap "localhost:$MAIL_IMAP_PORT"
w "$bin/mail_provider_test.exe" sendread "$(winpath "$work/note.jpg")"
# The password is stored protected, never in clear.
! grep -q bobpw "$WINEPREFIX/user.reg"

step "POP3 with STLS"
account --pop3 "localhost:$MAIL_POP3_PORT"
w "$bin/mail_provider_test.exe" sendread "$(winpath "$work/note.jpg")"

# Messages put straight into bob's Maildir, as another program's mail arrives.
maildir=$MAIL_DIR/state/mail/pinwell.test/bob/Maildir
drop() { mkdir -p "$maildir"/{new,cur,tmp}; cat >"$maildir/new/$1"; chown -R 5000:5000 "$maildir"; }
{ printf 'From: x@example.org\r\nSubject: big\r\nContent-Type: application/octet-stream\r\n'
  printf 'Content-Transfer-Encoding: base64\r\n\r\n'; head -c 54000000 /dev/zero | base64 -w 76; } >"$work/big.eml"
step "a 70 MB mail ahead of a note e-mail: the check reads envelopes, takes the note, refuses the big one whole"
drop 1000000000.big <"$work/big.eml"
printf 'Subject: Pinwell : Note from alice\r\n\r\nnote\r\n' | drop 1000000001.note
account --imap "localhost:$MAIL_IMAP_PORT"
w "$bin/mail_provider_test.exe" scan "Pinwell : " 1 1
step "the same over POP3, in one login"
printf 'Subject: Pinwell : Note from alice\r\n\r\nnote\r\n' | drop 1000000002.note
account --pop3 "localhost:$MAIL_POP3_PORT"
logins() { grep -c 'pop3-login: .*Login' "$MAIL_DIR/state/log/dovecot.log" || true; }
before=$(logins)
w "$bin/mail_provider_test.exe" scan "Pinwell : " 1 1
[ "$(logins)" = $((before + 1)) ]
rm -f "$maildir"/*/*big*

step "a refused recipient is named; the accepted one gets the note"
w "$bin/mail_provider_test.exe" refusedrcpt bob@pinwell.test nobody@pinwell.test
w "$bin/mail_provider_test.exe" take "Pinwell : Note for some"

step "implicit TLS (SMTP, IMAP)"
setup --smtp "localhost:$MAIL_SMTPS_PORT" --smtp-security tls --imap "localhost:$MAIL_IMAPS_PORT" --inbox-security tls
w "$bin/mail_provider_test.exe" sendread "$(winpath "$work/note.jpg")"

step "wrong password"
account --imap "localhost:$MAIL_IMAP_PORT" --password wrong
w "$bin/mail_provider_test.exe" refused 3

step "a certificate the system does not trust"
"$servers" stop "$work/srv"
"$servers" start "$work/srv" --base "$MAIL_BASE_PORT" --untrusted
account --imap "localhost:$MAIL_IMAP_PORT"
w "$bin/mail_provider_test.exe" refused 2
rc=0; out=$(setup --check) || rc=$?
echo "$out"
[ "$rc" = 4 ] && grep -q "not issued by an authority this computer trusts" <<<"$out"

step "a Cyrillic system (code page 1251): another mail program reads the note, and so does Pinwell"
mkdir -p "$work/locale"
localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" 2>/dev/null || true
ru() { LOCPATH=$work/locale LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$@"; }
"$servers" stop "$work/srv"
"$servers" start "$work/srv" --base "$MAIL_BASE_PORT"
ru setup --name "Иван"
ru w "$bin/mail_provider_test.exe" cyrillic send
for i in $(seq 50); do [ -n "$(ls "$maildir/new" 2>/dev/null)" ] && break; sleep 0.1; done
python3 - "$maildir"/new/* <<'PY'
import email, email.policy, sys
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
assert m['Subject'] == 'Pinwell : Заметка', m['Subject']
assert m['From'].addresses[0].display_name == 'Иван', m['From']
assert m.get_body(('plain',)).get_content() == 'Привет, мир\n'
PY
ru w "$bin/mail_provider_test.exe" cyrillic read

step "stopped servers"
"$servers" stop "$work/srv"
w "$bin/mail_provider_test.exe" down
echo "mail provider: all passed"
