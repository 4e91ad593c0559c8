#!/usr/bin/env bash
# Private Postfix (SMTP) and Dovecot (IMAP, POP3) on 127.0.0.1 for the e-mail
# tests and for trying e-mail notes on one machine. Everything lives under one
# folder; nothing system-wide is configured or started.
#
#   mailservers.sh start DIR [--base PORT] [--ca CADIR] [--untrusted]
#   mailservers.sh stop DIR
#   mailservers.sh wipe-mail DIR        (empties both mailboxes; servers stay up)
#
# Accounts: alice@pinwell.test / alicepw and bob@pinwell.test / bobpw.
# Ports from PORT (default: six free ones in a row, from a random start, so
# that runs at the same time and servers already on this machine keep theirs):
#   PORT    SMTP with STARTTLS      PORT+1  SMTP over implicit TLS
#   PORT+2  IMAP with STARTTLS      PORT+3  IMAP over implicit TLS
#   PORT+4  POP3 with STLS          PORT+5  POP3 over implicit TLS
# The server certificate (CN and name mail.pinwell.test, also 127.0.0.1 and
# localhost) is signed by a test CA kept in CADIR (default DIR/ca, made once
# and reused, so a Wine prefix that trusts it keeps trusting it). With
# --untrusted the servers present a self-signed certificate that chains to
# nothing, for the refusal tests.
# After start, DIR/servers.env holds the ports and paths for scripts.
set -euo pipefail

usage() { sed -n '2,20p' "$0" >&2; exit 2; }
[ $# -ge 2 ] || usage
cmd=$1; D=$(mkdir -p "$2" && cd "$2" && pwd); shift 2
base=; cadir=$D/ca; untrusted=0
while [ $# -gt 0 ]; do
    case $1 in
        --base) base=$2; shift 2 ;;
        --ca) cadir=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
        --untrusted) untrusted=1; shift ;;
        *) usage ;;
    esac
done
PATH=$PATH:/usr/sbin:/sbin
trap 'echo "mailservers: failed at line $LINENO" >&2' ERR

# Stops one daemon by the PID in its file, after checking the process is it.
stop_pid() {
    local file=$1 name=$2 pid i
    [ -f "$file" ] || return 0
    pid=$(tr -d ' \n' <"$file")
    [ -n "$pid" ] && [ -d "/proc/$pid" ] || return 0
    grep -q "$name" "/proc/$pid/comm" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for i in $(seq 100); do
        [ -d "/proc/$pid" ] || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
}

stop_all() {
    stop_pid "$D/state/postfix/pid/master.pid" master
    stop_pid "$D/state/dovecot/master.pid" dovecot
}

# True when every given port is listening on 127.0.0.1 (probing by connecting
# would leave Dovecot login processes behind).
listening() {
    local p hex
    for p in "$@"; do
        hex=$(printf '0100007F:%04X' "$p")
        awk -v a="$hex" '$2 == a && $4 == "0A" { f = 1 } END { exit !f }' /proc/net/tcp || return 1
    done
}

free_base() {
    local b i
    for _ in $(seq 100); do
        b=$((20000 + RANDOM % 40000))
        for i in 0 1 2 3 4 5; do [ -z "$(ss -Htan "sport = :$((b + i))")" ] || continue 2; done
        echo "$b" && return 0
    done
    echo "mailservers: no six free ports in a row" >&2 && return 1
}

# RSA rather than ECDSA: Wine's crypt32 refuses an ECDSA signature whose r or s
# is shorter than the curve (about one certificate in a hundred), which made
# the e-mail tests fail at random with TRUST_E_CERT_SIGNATURE.
make_certs() {
    local c=$D/etc/certs
    mkdir -p "$c" "$cadir"
    if [ ! -f "$cadir/ca.pem" ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 \
            -subj "/CN=Pinwell Test Mail CA" -keyout "$cadir/ca.key" -out "$cadir/ca.pem" \
            -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
            2>/dev/null
        openssl x509 -in "$cadir/ca.pem" -outform DER -out "$cadir/ca.der"
    fi
    cat >"$c/ext.cnf" <<X
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:mail.pinwell.test,DNS:localhost,IP:127.0.0.1
X
    openssl req -new -newkey rsa:2048 -nodes \
        -subj /CN=mail.pinwell.test -keyout "$c/key.pem" -out "$c/req.pem" 2>/dev/null
    if [ $untrusted = 1 ]; then
        openssl x509 -req -in "$c/req.pem" -signkey "$c/key.pem" -days 30 \
            -extfile "$c/ext.cnf" -out "$c/cert.pem" 2>/dev/null
    else
        openssl x509 -req -in "$c/req.pem" -CA "$cadir/ca.pem" -CAkey "$cadir/ca.key" \
            -CAcreateserial -days 30 -extfile "$c/ext.cnf" -out "$c/cert.pem" 2>/dev/null
    fi
    chmod 644 "$c/cert.pem"; chmod 600 "$c/key.pem"
}

write_config() {
    local smtp=$base smtps=$((base + 1)) imap=$((base + 2)) imaps=$((base + 3))
    local pop=$((base + 4)) pops=$((base + 5))
    mkdir -p "$D/etc/postfix" "$D/etc/dovecot"
    cat >"$D/etc/postfix/main.cf" <<X
compatibility_level = 3.6
queue_directory = $D/state/postfix
data_directory = $D/state/postfix-data
maillog_file = $D/state/log/postfix.log
maillog_file_prefixes = $D/state/log
myhostname = mail.pinwell.test
mydomain = pinwell.test
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
smtpd_relay_restrictions = reject_unauth_destination
default_transport = error:outbound mail is disabled in this test setup
alias_maps =
alias_database =
virtual_mailbox_domains = pinwell.test
virtual_mailbox_base = $D/state/mail
virtual_mailbox_maps = texthash:$D/etc/postfix/vmailbox
virtual_uid_maps = static:5000
virtual_gid_maps = static:5000
smtpd_sasl_auth_enable = yes
smtpd_sasl_type = dovecot
smtpd_sasl_path = $D/state/dovecot/auth-postfix
smtpd_tls_security_level = may
smtpd_tls_cert_file = $D/etc/certs/cert.pem
smtpd_tls_key_file = $D/etc/certs/key.pem
message_size_limit = 20480000
X
    cat >"$D/etc/postfix/master.cf" <<X
127.0.0.1:$smtp inet n - n - - smtpd
127.0.0.1:$smtps inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
pickup    unix  n - n 60    1 pickup
cleanup   unix  n - n -     0 cleanup
qmgr      unix  n - n 300   1 qmgr
tlsmgr    unix  - - n 1000? 1 tlsmgr
rewrite   unix  - - n -     - trivial-rewrite
bounce    unix  - - n -     0 bounce
defer     unix  - - n -     0 bounce
trace     unix  - - n -     0 bounce
flush     unix  n - n 1000? 0 flush
proxymap  unix  - - n -     - proxymap
showq     unix  n - n -     - showq
error     unix  - - n -     - error
retry     unix  - - n -     - error
anvil     unix  - - n -     1 anvil
virtual   unix  - n n -     - virtual
postlog   unix-dgram n - n - 1 postlogd
X
    cat >"$D/etc/postfix/vmailbox" <<X
alice@pinwell.test pinwell.test/alice/Maildir/
bob@pinwell.test pinwell.test/bob/Maildir/
X
    cat >"$D/etc/dovecot/users" <<X
alice@pinwell.test:{PLAIN}alicepw
bob@pinwell.test:{PLAIN}bobpw
X
    chgrp dovecot "$D/etc/dovecot/users"; chmod 640 "$D/etc/dovecot/users"
    cat >"$D/etc/dovecot/dovecot.conf" <<X
protocols = pop3 imap
listen = 127.0.0.1
base_dir = $D/state/dovecot
state_dir = $D/state/dovecot-state
log_path = $D/state/log/dovecot.log
ssl = yes
ssl_cert = <$D/etc/certs/cert.pem
ssl_key = <$D/etc/certs/key.pem
disable_plaintext_auth = no
auth_mechanisms = plain login
auth_default_realm = pinwell.test
auth_failure_delay = 0
mail_location = maildir:$D/state/mail/%d/%n/Maildir
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = $D/etc/dovecot/users
}
userdb {
  driver = static
  args = uid=5000 gid=5000 home=$D/state/mail/%d/%n
}
service pop3-login {
  inet_listener pop3 {
    port = $pop
  }
  inet_listener pop3s {
    port = $pops
  }
}
service imap-login {
  inet_listener imap {
    port = $imap
  }
  inet_listener imaps {
    port = $imaps
  }
}
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service auth {
  unix_listener auth-postfix {
    mode = 0660
    user = postfix
    group = postfix
  }
}
X
    cat >"$D/servers.env" <<X
MAIL_DIR=$D
MAIL_CA_PEM=$cadir/ca.pem
MAIL_CA_DER=$cadir/ca.der
MAIL_BASE_PORT=$base
MAIL_SMTP_PORT=$smtp
MAIL_SMTPS_PORT=$smtps
MAIL_IMAP_PORT=$imap
MAIL_IMAPS_PORT=$imaps
MAIL_POP3_PORT=$pop
MAIL_POP3S_PORT=$pops
X
}

case $cmd in
start)
    for t in postfix dovecot openssl; do
        command -v $t >/dev/null || { echo "mailservers: $t is missing (run tools/install-deps.sh)" >&2; exit 1; }
    done
    stop_all
    # The daemons' own users must reach the folder (mktemp makes it private).
    chmod a+rx "$D"
    rm -rf "$D/state"
    mkdir -p "$D/state/postfix" "$D/state/log" "$D/state/mail/pinwell.test"
    chown -R 5000:5000 "$D/state/mail"
    [ -n "$base" ] || base=$(free_base)
    make_certs
    write_config
    ports=($base $((base + 1)) $((base + 2)) $((base + 3)) $((base + 4)) $((base + 5)))
    for p in "${ports[@]}"; do
        if listening "$p"; then echo "mailservers: port $p is already in use" >&2; exit 1; fi
    done
    # The daemons keep the caller's output open: never let them hold a pipe.
    if ! dovecot -c "$D/etc/dovecot/dovecot.conf" </dev/null >"$D/state/log/start.log" 2>&1 ||
        ! postfix -c "$D/etc/postfix" start </dev/null >>"$D/state/log/start.log" 2>&1; then
        cat "$D/state/log/start.log" >&2
        stop_all
        exit 1
    fi
    for i in $(seq 150); do
        listening "${ports[@]}" && { echo "mailservers: up in $D (ports $base-$((base + 5)))"; exit 0; }
        sleep 0.1
    done
    echo "mailservers: not ready after 15 s; logs in $D/state/log" >&2
    cat "$D/state/log/"*.log >&2 || true
    stop_all
    exit 1
    ;;
stop)
    stop_all
    ;;
wipe-mail)
    find "$D/state/mail/pinwell.test" -mindepth 1 -delete 2>/dev/null || true
    ;;
*) usage ;;
esac
