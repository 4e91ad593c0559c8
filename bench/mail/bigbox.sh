#!/usr/bin/env bash
# What one "Check for Email notes" costs with a big Inbox: the real
# Pinwell.exe and PinwellMail.dll under Wine against a real Postfix and
# Dovecot on loopback (IMAP with STARTTLS, as the mail tests use them).
# A measurement, not a test: nothing here fails on a slow result.
#
#   cmake --build --preset windows --target Pinwell PinwellMail pinwell-mailsetup pwdriver netdriver
#   bash bench/mail/bigbox.sh               (RUNS=5 for more checks per Inbox)
#
# Two Inboxes, each filled once, written straight into the Maildir:
#   big    200 ordinary mails of 1 MB
#   many   10 000 ordinary mails of 2 KB
# Before every check one note e-mail is mailed to the Inbox through Postfix,
# so it is the newest message. Per check it prints the seconds from the
# menu command until the note window is on the desktop, and the bytes
# Dovecot sent in the check's sessions (the out= of their logout lines).
# Settings: RUNS (default 3), BOXES (default "big many"), CHECK_LIMIT_S (a
# check still running then is reported as over it, default 900), and those
# of tests/e2e/lib.sh; PINWELL_MAILSERVERS names the servers' script.
set -uo pipefail

runs=${RUNS:-3}
boxes=${BOXES:-big many}
limit_s=${CHECK_LIMIT_S:-900}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/e2e/mail" && pwd)/mail_e2e.sh" --lib
case_name=bigbox
on_screen "${BASH_SOURCE[0]}" "$@"
install_cleanup
check_programs

# dovecot_out FROM-BYTE: the out= bytes of every session that logged out in
# Dovecot's log after that offset, summed.
dovecot_out() {
    tail -c +"$(($1 + 1))" "$MAIL_DIR/state/log/dovecot.log" |
        grep -o ' out=[0-9]*' | awk -F= '{ s += $2 } END { print s + 0 }'
}
sessions_open() { # FROM-BYTE: logins after the offset not yet logged out
    local log=$MAIL_DIR/state/log/dovecot.log logins outs
    logins=$(tail -c +"$(($1 + 1))" "$log" | grep -c 'imap-login: .*Login:')
    outs=$(tail -c +"$(($1 + 1))" "$log" | grep -c ' out=[0-9]')
    [ "$logins" -gt "$outs" ] || [ "$logins" = 0 ]
}

# One check: the note mailed, the command given, the note awaited, then the
# check's sessions until they have logged out.
check_once() { # KIND RUN
    local before offset t0 secs bytes deadline
    before=$(inbox_count)
    note_mail Bench "Bench note" || die "could not mail bob"
    wait_inbox $((before + 1)) "$WAIT_MS" || die "the note e-mail did not reach bob's Inbox"
    offset=$(stat -c %s "$MAIL_DIR/state/log/dovecot.log")
    start_watch "rx$2$1" 1 $((limit_s * 1000))
    t0=$(ms_now)
    check_email
    if wait_new "rx$2$1" 1 $((limit_s * 1000)); then
        secs=$(awk -v a="$t0" -v b="$new_at" 'BEGIN { printf "%.2f", (b - a) / 1000 }')
    else
        secs=">$limit_s"
    fi
    # The check ends with the note e-mail deleted and its session closed.
    deadline=$((SECONDS + limit_s))
    until [ "$(inbox_count)" = "$before" ] && ! sessions_open "$offset"; do
        [ "$SECONDS" -ge "$deadline" ] && { log "$1 run $2: the check did not end"; break; }
        sleep 0.5
    done
    bytes=$(dovecot_out "$offset")
    printf '%-5s run %s: %8s s to the note, Dovecot sent %s bytes (%.2f MB)\n' \
        "$1" "$2" "$secs" "$bytes" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')"
    echo "$1 $secs $bytes" >>"$tmp/results"
}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-bench.XXXXXX")
start_mail_servers
mail_prefix "$tmp/b" bob@pinwell.test bobpw
prefix_b=$WINEPREFIX ini_b=$ini
{ settings_section "$(free_port)"; printf 'NumberOfNotes=0\nPlaySound=No\n'; } | write_ini
use B
for kind in $boxes; do
    "$servers" wipe-mail "$MAIL_DIR"
    mkdir -p "$bob_maildir"/{cur,new,tmp}
    case $kind in
        big) maildir_fill 200 1048576 ;;
        many) maildir_fill 10000 2048 ;;
        *) die "no Inbox called $kind" ;;
    esac || die "could not fill the $kind Inbox"
    log "$kind Inbox: $(inbox_count) messages, $(du -sh "$bob_maildir" | cut -f1)"
    start_pinwell
    pid=$launched_pid
    for run in $(seq "$runs"); do check_once "$kind" "$run"; done
    drv command "$ID_EXIT" || fail "could not post Exit"
    wait_exit "$pid" 60 || die "Pinwell did not exit"
done

echo "summary over $runs run(s) per Inbox (min / median / max):"
for kind in $boxes; do
    awk -v k="$kind" '$1 == k { print $2 }' "$tmp/results" | sort -g | awk -v k="$kind" '
        { v[NR] = $1 } END { printf "%-5s seconds to the note: %s / %s / %s\n", k, v[1], v[int((NR + 1) / 2)], v[NR] }'
    awk -v k="$kind" '$1 == k { print $3 }' "$tmp/results" | sort -g | awk -v k="$kind" '
        { v[NR] = $1 / 1048576 } END { printf "%-5s MB Dovecot sent:     %.2f / %.2f / %.2f\n", k, v[1], v[int((NR + 1) / 2)], v[NR] }'
done
