# Sourced by net_e2e.sh and bench/net/latency.sh, on top of the end-to-end
# harness (../lib.sh): a real Pinwell.exe listening on a port of its own, and
# the tools that send to it and watch its windows.
#
# Settings (environment), besides those of ../lib.sh:
#   PINWELL_NATIVE_SEND  the native pinwell-send; when missing, pinwell-send.exe runs under Wine
#                        (each send then costs a Wine start)

case_name=${case_name:-net}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
native_send=${PINWELL_NATIVE_SEND:-$root/build/native/tools/pinwell-send/pinwell-send}
E2E_PROGRAMS+=" netdriver.exe"
E2E_TMP_TAG=net
# A flood leaves hundreds of notes in the data file.
show_ini_on_failure=0

ACK="From Server : MESSAGE RECEIVED"

check_programs() {
    require_programs
    if [ ! -x "$native_send" ]; then
        [ -f "$bin/pinwell-send.exe" ] || die "neither $native_send nor $bin/pinwell-send.exe exists"
        log "native pinwell-send missing ($native_send): sending with pinwell-send.exe under Wine"
    fi
}

# settings_section PORT: a program section for a quiet start: no network
# reading, no e-mail check, no sound, on its own port.
settings_section() {
    printf '[PINWELL]\nVersion=3.lan\nIniUpdate=0116\nReadNetworkOnStart=No\nCheckEmailOnStart=No\n'
    printf 'PlaySound=No\nAskBeforeDelete=No\nCommunicationPort=%s\n' "$1"
}

# stored_note ID TITLE LEFT TOP TEXT: one note record in the default look.
stored_note() {
    note_record "$1" TitleText="$2" Left="$3" Top="$4" \
        EditText="{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\pard\\f0\\fs16 $5\\par|}"
}

# expect_told_not_list [SHOT]: no list opened; a tray balloon (shown 2 s late) told of a refused note.
expect_told_not_list() {
    sleep 3
    drv windows | grep -q '^[0-9]* [0-9]* 1 .* Delete note(s)$' && fail "the \"Delete note(s)\" list opened"
    [ -z "${1:-}" ] || drv windows | grep -q '^[0-9]* [0-9]* 1 tooltips_class32 ' || fail "no balloon tells of the refused note"
    mkdir -p "$shots" && import -window root "$shots/${1:-concurrent_refused}.png" 2>/dev/null
}

# ini_get SECTION KEY: the value in the data file as it stands, names
# without case.
ini_get() { ini_lookup 0 "$ini" "$1" "$2"; }

# start_pinwell: Pinwell.exe from the program folder in a process group of
# its own; waits until it has started.
start_pinwell() {
    launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "the main dialog did not come up"
}

# start_receiver [LEFT TOP]: a program with a stored note of its own (at
# LEFT, TOP; 900, 700 unless given) in a fresh prefix, listening on a port of
# its own; the port in port.
port=
start_receiver() {
    new_prefix
    port=$(free_port) || die "no free port"
    { settings_section "$port"; printf 'NumberOfNotes=1\n'; stored_note 1 Desk "${1:-900}" "${2:-700}" 'On the desk'; } | write_ini
    start_pinwell
    wait_listening "$port" yes "$WAIT_MS" || die "nothing listens on port $port after the start"
    log "Pinwell listens on port $port"
}

listening() { [ -n "$("${run_in[@]}" ss -Hltn "sport = :$1" 2>/dev/null)" ]; }

# wait_listening PORT [yes|no] MS: until something listens on PORT (or
# nothing does, with no).
wait_listening() {
    local port=$1 want=$2 deadline=$(($(ms_now) + $3))
    while :; do
        if [ "$want" = yes ]; then listening "$port" && return 0; else listening "$port" || return 0; fi
        [ "$(ms_now)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# send_note ARGS...: pinwell-send with ARGS; its output in send_out.
send_out=
send_note() {
    if [ -x "$native_send" ]; then
        send_out=$("${run_in[@]}" timeout 60 "$native_send" "$@" 2>&1)
    else
        send_out=$("${run_in[@]}" timeout 60 wine "$bin/pinwell-send.exe" "$@" 2>&1)
    fi
}

# ---- watching for new notes -------------------------------------------------

# start_watch NAME COUNT MS: netdriver watching for COUNT new note windows,
# its output in $tmp/watch-NAME; returns once it is looking.
start_watch() {
    local out=$tmp/watch-$1
    : >"$out"
    live_driver netdriver watch-new "$2" "$3" >"$out" 2>"$out.err" &
    started_pids+=("$!")
    local deadline=$((SECONDS + 60))
    until grep -q '^ready ' "$out"; do
        [ "$SECONDS" -ge "$deadline" ] && die "the note watcher did not start: $(cat "$out.err")"
        sleep 0.05
    done
}

# wait_new NAME K MS: waits for the K-th new note of that watch; leaves its
# line ("unix-ms hwnd title") in new_note, and the parts in new_at,
# new_hwnd.
new_note= new_at= new_hwnd=
wait_new() {
    local out=$tmp/watch-$1 k=$2 deadline=$(($(ms_now) + $3))
    while :; do
        new_note=$(grep -v '^ready ' "$out" | sed -n "${k}p")
        if [ -n "$new_note" ]; then
            read -r new_at new_hwnd _ <<<"$new_note"
            return 0
        fi
        [ "$(ms_now)" -ge "$deadline" ] && return 1
        sleep 0.02
    done
}

new_count() { grep -vc '^ready ' "$tmp/watch-$1"; }

# note_rect HWND: "visible left top width height" of a note window.
note_rect() { drv notes | awk -v h="$1" '$1 == h { print $2, $3, $4, $5, $6; exit }'; }

# send_to_first_group NOTE-HWND: the user's way: a right click in the body
# opens the body menu, then Up four times reaches "Send note to" from the
# bottom (Delete, Hide, Print; a stored note has no "Reply to"), Right opens
# it on "Other ...", Down goes to the first group and Return picks it.
send_to_first_group() {
    local vis l t w h
    read -r vis l t w h <<<"$(note_rect "$1")"
    drv click $((l + w / 2)) $((t + h / 2 + 20)) right || { fail "could not right-click the body"; return 1; }
    drv wait-menu "$WAIT_MS" >/dev/null || { fail "no body menu after a right click in the body"; return 1; }
    ndrv menu-keys up up up up right || { fail "could not open \"Send note to\""; return 1; }
    local menus
    menus=$(drv menus | wc -l)
    [ "$menus" = 2 ] || { fail "$menus menus open after Right on \"Send note to\", expected 2"; return 1; }
    mkdir -p "$shots"
    [ -n "${2:-}" ] && import -window root "$shots/$2.png" 2>/dev/null
    ndrv menu-keys down return || { fail "could not pick the group"; return 1; }
    drv wait-no-menu "$WAIT_MS" || fail "the menu stayed open"
}

# ---- what a note shows ------------------------------------------------------

expect_strip() {
    local strip
    strip=$(drv child-text "$1" 1002) || { fail "cannot read the title strip of note $1"; return; }
    [ "$strip" = "$2" ] || fail "the title strip reads '$strip', expected '$2'"
}

expect_body() {
    local body
    body=$(drv body-text "$1") || { fail "cannot read the body of note $1"; return; }
    [ "$body" = "$2" ] || fail "the body is $(printf %q "$body"), expected $(printf %q "$2")"
}

expect_status() { # HWND WHAT
    local seen
    seen=$(ndrv wait-status "$1" "$2" 5000) || fail "the status icon of note $1 shows '$seen', expected '$2'"
}

# hhmm: the local time as the receiver writes it into a title.
hhmm() { date +%H:%M; }

# expect_title HWND IDENTITY-PART BEFORE AFTER: the title strip shows the
# identity part, a space and the receiver's time, taken between BEFORE and
# AFTER (a minute may turn over meanwhile).
expect_title() {
    local strip
    strip=$(drv child-text "$1" 1002) || { fail "cannot read the title strip of note $1"; return; }
    [ "$strip" = "$2 $3" ] || [ "$strip" = "$2 $4" ] ||
        fail "the title strip reads '$strip', expected '$2 $3'$([ "$3" != "$4" ] && echo " or '$2 $4'")"
}
