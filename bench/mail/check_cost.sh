#!/usr/bin/env bash
# What one e-mail check costs the mail server, through PinwellMail.dll and
# real Dovecot on loopback: an Inbox of COUNT ordinary messages of SIZE_KB
# each and one note e-mail at the end, checked as Pinwell checks it.
#   check_cost.sh COUNT SIZE_KB [RUNS] [scan|scanwhole] [imap|pop3]
# Prints, per run, the bytes Dovecot sent (its out= / size figures at logout)
# and the milliseconds of the check, then min/median/max. Run it under
# flock /tmp/pinwell-wine.lock (it starts mail servers and Wine).
set -euo pipefail
count=$1 size_kb=$2 runs=${3:-3} mode=${4:-scan} proto=${5:-imap}
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${PINWELL_BIN_DIR:-$root/build/windows/bin}
base_prefix=${PINWELL_BASE_PREFIX:-$root/build/windows/wineprefix}
. "$root/tools/wine-env.sh"
work=$(mktemp -d /tmp/pinwell-checkcost.XXXXXX)
chmod 755 "$work"
servers="${PINWELL_MAILSERVERS:-$root/tests/mail/mailservers.sh}"
trap '"$servers" stop "$work/srv" || true; timeout 20 wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
ensure_wineprefix "$base_prefix"
cp -a "$base_prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
"$servers" start "$work/srv" --base "${PINWELL_MAIL_BASE:-14625}" >/dev/null
. "$work/srv/servers.env"
w() { wine "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
wine regsvr32 /s /i:default "Z:${bin//\//\\}\\PinwellMail.dll"
port=$MAIL_IMAP_PORT; [ "$proto" = pop3 ] && port=$MAIL_POP3_PORT
w "$bin/pinwell-mailsetup.exe" --address bob@pinwell.test --password bobpw --smtp "localhost:$MAIL_SMTP_PORT" \
    --smtp-security none --"$proto" "localhost:$port" --inbox-security none >/dev/null

maildir=$MAIL_DIR/state/mail/pinwell.test/bob/Maildir
mkdir -p "$maildir"/{new,cur,tmp}
body=$work/body
head -c $((size_kb * 1024 * 3 / 4)) /dev/urandom | base64 -w 76 >"$body"
fill() {
    local i
    for i in $(seq -w 1 "$count"); do
        { printf 'From: Someone <someone@example.org>\r\nTo: bob@pinwell.test\r\nSubject: Ordinary mail %s\r\n' "$i"
          printf 'Date: Tue, 04 Mar 2025 14:05:09 +0100\r\nMIME-Version: 1.0\r\nContent-Type: application/octet-stream\r\n'
          printf 'Content-Transfer-Encoding: base64\r\n\r\n'; cat "$body"; } >"$maildir/new/1000000000.M$i.bench"
    done
    printf 'From: Alice <alice@pinwell.test>\r\nTo: bob@pinwell.test\r\nSubject: Pinwell : Note from alice\r\n\r\nnote\r\n' \
        >"$maildir/new/1999999999.note.bench"
    chown -R 5000:5000 "$maildir"
}
log=$MAIL_DIR/state/log/dovecot.log
bytes=() times=()
for r in $(seq "$runs"); do
    rm -rf "$maildir"/{new,cur,tmp}/* "$maildir"/dovecot*
    fill
    : >"$log"
    out=$(w "$bin/mail_provider_test.exe" "$mode" "Pinwell : " 1)
    ms=$(sed -n 's/.* \([0-9]*\) ms$/\1/p' <<<"$out")
    sleep 0.5
    # IMAP logs out=BYTES at logout; POP3 logs size=BYTES of what it retrieved plus top/retr counts.
    b=$(grep -o 'out=[0-9]*' "$log" | cut -d= -f2 | paste -sd+ | bc)
    [ "$proto" = pop3 ] && b=$(grep -o 'Disconnected.*' "$log" | tail -1)
    echo "run $r: $out | dovecot sent: $b"
    bytes+=("$b") times+=("$ms")
done
stats() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print "min " a[1] " median " a[int((NR+1)/2)] " max " a[NR]}'; }
echo "$mode $proto, $count x $size_kb KB + 1 note, $runs runs: bytes $(stats "${bytes[@]}"); ms $(stats "${times[@]}")"
