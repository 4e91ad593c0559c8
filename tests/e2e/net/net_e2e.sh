#!/usr/bin/env bash
# Network end-to-end cases: the real Pinwell.exe under Wine receiving notes
# and sending them, driven from outside.
#
#   net_e2e.sh <case>     run one case        net_e2e.sh all    every case
#   net_e2e.sh list       name the cases
#
# Every case gets a fresh copy of the base Wine prefix and a port of its own.
# Settings: see lib.sh. Without DISPLAY the script runs itself on a virtual
# screen; two_computers makes its own screens and needs root (ip netns).
set -uo pipefail

CASES="receive_pinwell_send receive_netcat flood concurrent_senders trickle full_from_outside rate hostile_notes send_to_group two_computers"

case_name=${1:-}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"


# A received note must not arrive with its text selected: the next key the
# user presses would replace the whole message.
EM_GETSEL=0x00B0
expect_no_selection() {
    local body sel
    body=$(ndrv child "$1" 1001) || { fail "note $1 has no body control"; return; }
    sel=$(drv send "$body" "$EM_GETSEL" 0 0 5000) || { fail "the body of note $1 does not answer"; return; }
    local start=$((sel & 0xFFFF)) end=$(((sel >> 16) & 0xFFFF))
    [ "$start" = "$end" ] || fail "note $1 arrives with characters $start to $end of its body selected"
}

expect_size() { # HWND WIDTH HEIGHT
    local vis w h
    read -r vis _ _ w h <<<"$(note_rect "$1")"
    [ "$vis" = 1 ] || fail "note $1 is not visible"
    [ "$w $h" = "$2 $3" ] || fail "note $1 is ${w}x$h, expected ${2}x$3"
}

# ----------------------------------------------------------------- cases ---

# Three senders, one of each identity form: named, "Name:" and anonymous.
case_receive_pinwell_send() {
    start_receiver
    start_watch rx 3 120000
    local rtf_lines='{\rtf1\ansi{\fonttbl{\f0 Verdana;}}\pard\f0\fs16 first line\par|second line\par|}'
    local -a forms=(named name anonymous)
    local k=0 form before after t0 t1 latency named_hwnd=
    local -a latencies=() args
    for form in "${forms[@]}"; do
        k=$((k + 1))
        case $form in
        named) args=(--from BOBS-PC --title "Dropped title" --text "Hello from Bob" --size 260x180) ;;
        name) args=(--from Name:Carol --title "Also dropped" --body "$rtf_lines" --size 240x170) ;;
        anonymous) args=(--from ANONYMOUS --title "Lunch at noon" --text "Who sent this?" --size 220x160) ;;
        esac
        before=$(hhmm)
        t0=$(ms_now)
        send_note "${args[@]}" --port "$port" 127.0.0.1 || { fail "$form: pinwell-send failed: $send_out"; continue; }
        t1=$(ms_now)
        [[ "$send_out" == *"$ACK"* ]] || fail "$form: no acknowledgement in pinwell-send's answer: $send_out"
        wait_new rx "$k" "$WAIT_MS" || { fail "$form: no note window appeared within $WAIT_MS ms"; continue; }
        after=$(hhmm)
        latency=$((new_at - t0))
        latencies+=("$latency")
        log "$form: acknowledged after $((t1 - t0)) ms, window visible after $latency ms"
        case $form in
        named)
            expect_title "$new_hwnd" BOBS-PC "$before" "$after"
            expect_body "$new_hwnd" "Hello from Bob"
            expect_size "$new_hwnd" 260 180
            ;;
        name)
            expect_title "$new_hwnd" Carol "$before" "$after"
            expect_body "$new_hwnd" $'first line\r\nsecond line'
            expect_size "$new_hwnd" 240 170
            ;;
        anonymous)
            expect_strip "$new_hwnd" "Lunch at noon"
            expect_body "$new_hwnd" "Who sent this?"
            expect_size "$new_hwnd" 220 160
            ;;
        esac
        expect_status "$new_hwnd" received
        expect_no_selection "$new_hwnd"
        [ "$form" = named ] && named_hwnd=$new_hwnd
    done
    log "delivery latency (send -> window visible): ${latencies[*]} ms"

    # Stored like any note, and the hand-over value is empty again.
    local n
    n=$(ini_get PINWELL NumberOfNotes)
    [ "$n" = 4 ] || fail "NumberOfNotes is '$n' after three received notes, expected 4"
    [ -z "$(ini_get NOTE_RECEIVED NoteData)" ] || fail "NOTE_RECEIVED/NoteData still holds a note"
    local stored
    stored=$(ini_get NOTE_ID_2 TitleText)
    [[ "$stored" == "BOBS-PC "[0-2][0-9]:[0-5][0-9] ]] || fail "[NOTE_ID_2] TitleText is '$stored'"

    # The named sender's note, for the eye.
    if [ -n "$named_hwnd" ]; then
        local vis l t w h
        read -r vis l t w h <<<"$(note_rect "$named_hwnd")"
        mkdir -p "$shots"
        import -window root "$shots/received_note_full.png" 2>/dev/null &&
            convert "$shots/received_note_full.png" -crop "$((w + 20))x$((h + 20))+$((l - 10))+$((t - 10))" \
                "$shots/received_note.png" && log "screenshot: $shots/received_note.png"
        rm -f "$shots/received_note_full.png"
    fi
}

# note_data FIELD...: the 22 fields, each followed by "~".
note_data() {
    [ $# -eq 22 ] || die "note_data needs 22 fields, got $#"
    local f out=
    for f in "$@"; do out+="$f~"; done
    printf '%s' "$out"
}

case_receive_netcat() {
    command -v nc >/dev/null || die "nc is not installed (tools/install-deps.sh)"
    start_receiver
    start_watch nc 2 120000
    # Body background 0x00CCFFAA: #AAFFCC on the screen, which shows that the
    # background comes before the text colour. Height before width: 170, 230.
    local body='{\rtf1\ansi\deff0{\fonttbl{\f0 Verdana;}}\pard\f0\fs20 Typed by hand\par|over netcat\par|}'
    local data
    data=$(note_data NETCAT "$body" Verdana "" 13434794 0 10 0 "Dropped title" Tahoma B 8421376 16777215 9 0 \
        10 20 170 230 No "" "")
    local before after answer t0
    before=$(hhmm)
    t0=$(ms_now)
    answer=$(printf '%s' "$data" | timeout 20 nc -N -w 15 127.0.0.1 "$port") || fail "nc failed (status $?)"
    [ "$answer" = "$ACK" ] || fail "the answer is $(printf %q "$answer"), expected '$ACK' exactly"
    if wait_new nc 1 "$WAIT_MS"; then
        after=$(hhmm)
        log "note from nc visible after $((new_at - t0)) ms"
        expect_title "$new_hwnd" NETCAT "$before" "$after"
        expect_body "$new_hwnd" $'Typed by hand\r\nover netcat'
        expect_size "$new_hwnd" 230 170
        expect_status "$new_hwnd" received
        local vis l t w h png=$tmp/netcat.png got
        read -r vis l t w h <<<"$(note_rect "$new_hwnd")"
        import -window root "$png" 2>/dev/null || fail "screenshot failed"
        got=$(pixel_of "$png" $((l + w / 2)) $((t + h - 15)))
        [ "${got^^}" = AAFFCC ] || fail "the body is painted #$got, expected #AAFFCC (EditBackColor 13434794)"
    else
        fail "the note sent with nc did not appear within $WAIT_MS ms"
    fi

    # The same note in two pieces a second apart arrives whole.
    local cut=$((${#data} / 3))
    before=$(hhmm)
    answer=$({ printf '%s' "${data:0:cut}"; sleep 1; printf '%s' "${data:cut}"; } |
        timeout 20 nc -N -w 15 127.0.0.1 "$port")
    [ "$answer" = "$ACK" ] || fail "split note: the answer is $(printf %q "$answer")"
    if wait_new nc 2 "$WAIT_MS"; then
        after=$(hhmm)
        expect_title "$new_hwnd" NETCAT "$before" "$after"
        expect_body "$new_hwnd" $'Typed by hand\r\nover netcat'
    else
        fail "the note sent in two pieces did not appear within $WAIT_MS ms"
    fi

    # A connection that sends nothing is answered and makes no note.
    answer=$(timeout 20 nc -N -w 15 127.0.0.1 "$port" </dev/null)
    [ "$answer" = "$ACK" ] || fail "empty connection: the answer is $(printf %q "$answer")"
    sleep 1.5 # three ticks
    [ "$(new_count nc)" = 2 ] || fail "an empty connection made a note window"
    drv ping "$WAIT_MS" || fail "the main dialog stopped answering"
}

FLOOD_TEXT=$'Possible silent flood or buffer-overflow attack !\nReceiving notes is now disabled because of security reasons !\nRestart program if you want to enable receiving notes feature.'

# visible_boxes: the program's visible message boxes, one handle a line.
visible_boxes() { drv windows | awk '$3 == 1 && $4 == "#32770" && $5 == "Pinwell" && NF == 5 { print $1 }'; }

# stored_titles: "<id> <first word of TitleText>" for every note section of
# the data file.
stored_titles() {
    awk '{ sub(/\r$/, "") }
         /^\[/ { id = ""; if (toupper($0) ~ /^\[NOTE_ID_[0-9]+\]$/) { id = $0; gsub(/[^0-9]/, "", id) } next }
         id != "" && tolower($0) ~ /^titletext=/ { t = substr($0, 11); split(t, w, " "); print id, w[1] }' "$ini"
}

# Ten senders at once: every note acknowledged, on the desktop exactly once
# and stored exactly once, none lost to another arriving at the same moment.
# Each note's identity names it, and a named sender's identity starts the
# note's title. 110 notes, past the data file's 60 KB (about ninety of these):
# the rest are refused, their senders told so, and no forced-deletion list.
case_concurrent_senders() {
    start_receiver
    local senders=10 each=11 total s k pid
    start_watch many 110 600000
    local -a pids=()
    for ((s = 1; s <= senders; s++)); do
        (
            for ((k = 1; k <= each; k++)); do
                send_note --from "S${s}N$k" --text "note $k of sender $s" --port "$port" --source "127.0.0.$s" 127.0.0.1 &&
                    [[ "$send_out" == *"$ACK"* ]] && echo "S${s}N$k" || echo "S${s}N$k: $send_out" >&2
            done >"$tmp/acked-$s" 2>"$tmp/unacked-$s"
        ) &
        pids+=("$!")
        started_pids+=("$!")
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
    local unacked
    unacked=$(cat "$tmp"/unacked-*)
    [ -n "$unacked" ] && ! grep -v ' reply' <<<"$unacked" ||
        fail "not refused past the limit, or not told so: $(head -n5 <<<"$unacked")"
    local expected
    expected=$(sort "$tmp"/acked-*)
    total=$(wc -l <<<"$expected")
    wait_new many "$total" 120000 || fail "only $(new_count many) of $total note windows appeared"
    sleep 2  # a note created twice would show by now
    expect_told_not_list
    local shown
    shown=$(grep -v '^ready ' "$tmp/watch-many" | awk '{ print $3 }' | sort)
    [ "$shown" = "$expected" ] ||
        fail "the windows are not the $total notes once each: $(diff <(echo "$expected") <(echo "$shown") | grep '^[<>]' | head -n5 | tr '\n' ' ')"
    local windows
    windows=$(drv notes | wc -l)
    [ "$windows" = $((total + 1)) ] || fail "$windows note windows, expected $((total + 1))"

    local n
    n=$(ini_get PINWELL NumberOfNotes)
    [ "$n" = $((total + 1)) ] || fail "NumberOfNotes is '$n', expected $((total + 1))"
    [ -z "$(ini_get NOTE_RECEIVED NoteData)" ] || fail "NOTE_RECEIVED/NoteData still holds a note"
    # Each received note is stored under its own identifier from 2 on (the
    # built-in themes' records, 90000 and up, are not notes); "Hide all
    # notes" makes every note store itself now.
    drv command 32797 || fail "pwdriver command failed"
    local stored deadline=$((SECONDS + 60))
    while :; do
        stored=$(stored_titles | awk '$1 >= 2 && $1 < 90000 { print $2 }' | sort)
        [ "$stored" = "$expected" ] && break
        [ "$SECONDS" -ge "$deadline" ] && break
        sleep 1
    done
    [ "$stored" = "$expected" ] ||
        fail "the data file does not hold the $total notes once each: $(diff <(echo "$expected") <(echo "$stored") | grep -c '^[<>]') lines differ"
    local ids
    ids=$(stored_titles | awk '$1 >= 2 && $1 < 90000 { print $1 }' | sort -n | uniq | wc -l)
    [ "$ids" = "$total" ] || fail "$ids note sections beyond the desk note, expected $total"
}

# Two peers from one address trickle; a note from another is acknowledged.
case_trickle() {
    start_receiver
    start_watch tr 2 60000
    local i pids=
    for i in 1 2; do
        (for i in 1 2 3 4 5 6 7 8 9; do printf 'x~'; sleep 2; done) | timeout 40 nc 127.0.0.1 "$port" >"$tmp/trickle-$i" & pids+=" $!"
    done
    sleep 1
    send_note --source 127.0.0.2 --from BOBS-PC --text "Past the tricklers" --timeout 15 --port "$port" 127.0.0.1 || fail "not acknowledged: $send_out"
    wait_new tr 1 "$WAIT_MS" && expect_body "$new_hwnd" "Past the tricklers" || fail "the note did not show"
    wait $pids
    [ -z "$(cat "$tmp"/trickle-*)" ] && [ "$(new_count tr)" = 1 ] || fail "a trickling peer was answered or made a note"
}

# A stranger's 5 KB notes until the data file is full: no list, own note kept.
case_full_from_outside() {
    start_receiver
    local k mine=$(ini_get NOTE_ID_1 EditText) big=$(printf '%5000s' '' | tr ' ' s)
    for ((k = 1; k <= 15; k++)); do
        send_note --source 127.0.0.2 --from STRANGER --text "$big" --port "$port" 127.0.0.1 || break
    done
    log "$((k - 1)) notes taken, then: $send_out"
    [ "$k" -le 15 ] && [[ "$send_out" == *" reply"* ]] || fail "fifteen notes of 5 KB were all taken"
    expect_told_not_list refused_balloon
    [ "$(drv notes | wc -l)" = "$k" ] || fail "$(drv notes | wc -l) notes on the desktop, expected $k"
    [ "$(ini_get NOTE_ID_1 EditText)" = "$mine" ] || fail "the user's own note changed in the data file"
}

# Twenty-five notes in a row from one address: twenty reach the desktop.
case_rate() {
    start_receiver
    start_watch rate 25 120000
    local k acked=0
    for ((k = 1; k <= 25; k++)); do send_note --from "R$k" --text "rate $k" --port "$port" 127.0.0.1 && acked=$((acked + 1)); done
    wait_new rate 20 "$WAIT_MS"
    expect_told_not_list rate_balloon
    [ "$acked $(new_count rate)" = "20 20" ] || fail "$acked of 25 notes acknowledged and $(new_count rate) shown, expected 20"
}

# Notes built to crash the program, hide or reach for a network path each make
# a note fit to show.
case_hostile_notes() {
    start_receiver
    cd "$tmp" || die "no $tmp" # a relative path reads the same to a Windows pinwell-send
    local -a bodies=(deep33 deep20000 picture tiny huge unc para30k)
    start_watch bad ${#bodies[@]} 300000
    local f=body.rtf k=0 t0 name body dlg proposed id
    for name in "${bodies[@]}"; do
        k=$((k + 1)) t0=$(ms_now)
        local -a args=(--from ANONYMOUS --title "$name" --rtf "$f" --port "$port")
        case $name in
        deep*) printf '{\\rtf1 %s%s%s}' "$(printf "%${name#deep}s" | tr ' ' '{')" "$name" "$(printf "%${name#deep}s" | tr ' ' '}')" ;;
        picture) printf '{\\rtf1 %s{\\pict\\pngblip %s}}' "$name" "$(head -c 3000000 /dev/zero | tr '\0' a)" ;;
        tiny | huge) printf '{\\rtf1 %s}' "$name" && args+=(--size "$([ "$name" = tiny ] && echo 0x0 || echo 40000x40000)") ;;
        unc) printf '{\\rtf1 unc}' && args[3]='\\evil\share\x' ;;
        para*) printf '{\\rtf1 %s %s}' "$name" "$(yes 'one long paragraph' | head -c 30000 | tr '\n' ' ')" ;;
        esac >"$f"
        send_note "${args[@]}" 127.0.0.1 && [[ "$send_out" == *"$ACK"* ]] || fail "$name: not acknowledged: ${send_out:0:200}"
        wait_new bad "$k" "$WAIT_MS" && log "$name: a note after $((new_at - t0)) ms" || die "$name: no note within $WAIT_MS ms"
        drv ping "$WAIT_MS" || die "$name: the program stopped answering"
        body=$(drv body-text "$new_hwnd")
        [[ "$body" == "$name"* ]] || fail "$name: the body starts $(printf %q "${body:0:40}")"
        case $name in
        deep33) shot hostile_note ;;
        tiny) expect_size "$new_hwnd" 60 30 ;;
        huge) expect_size "$new_hwnd" $(drv screen) ;;
        unc)
            drv post "$new_hwnd" "$WM_COMMAND" 32882 0 && sleep 3 # Save note as ...
            dlg=$(drv windows | awk -v o="$new_hwnd" '$2 == o && $3 == 1 && $4 == "#32770" { print $1; exit }')
            for id in 1148 1152; do proposed=$(drv set-text "$dlg" "$id" x 2>/dev/null) && break; done
            [ "$proposed" = evil_share_x ] || fail "the save dialog proposes $(printf %q "$proposed")"
            drv post "$dlg" "$WM_COMMAND" 2 0
            ;;
        esac
    done
    # A 1 MB paragraph no data file can take: refused before acknowledgement, the user told.
    printf '{\\rtf1 %s}' "$(yes 'one long paragraph' | head -c 1000000 | tr '\n' ' ')" >"$f"
    send_note --from ANONYMOUS --title paragraph --rtf "$f" --port "$port" 127.0.0.1
    [[ "$send_out" == *" reply"* ]] || fail "the 1 MB paragraph was not refused: ${send_out:0:200}"
    drv ping "$WAIT_MS" || fail "after the 1 MB paragraph the program stopped answering"
    expect_told_not_list paragraph_refused
    [ "$(new_count bad)" = ${#bodies[@]} ] || fail "the 1 MB paragraph made a note"
}

# Three blank notes back to back: one warning, receiving off from the first,
# and nothing of them left on the desktop or in the data file.
case_flood() {
    start_receiver
    local i
    send_note --from MALLORY --title Flood --body "      " --port "$port" 127.0.0.1 ||
        fail "the blank note was not acknowledged: $send_out"
    # The next two may be refused: receiving is off once the first is seen.
    for i in 2 3; do send_note --from "MALLORY$i" --body "   " --timeout 5 --port "$port" 127.0.0.1; done
    local out box text
    out=$(ndrv wait-box Pinwell "$WAIT_MS") || die "no message box captioned Pinwell after a blank note"
    box=$(head -n1 <<<"$out")
    text=$(tail -n +2 <<<"$out" | tr -d '\r')
    [ "$text" = "$FLOOD_TEXT" ] || fail "the warning reads $(printf %q "$text")"
    local icon
    icon=$(ndrv box-icon "$box")
    [ "$icon" = stop ] || fail "the warning shows the '$icon' icon, expected the stop icon"
    mkdir -p "$shots"
    import -window root "$shots/flood_warning.png" 2>/dev/null

    # Four ticks: time for the other two to be picked up, if they got in.
    sleep 2
    local boxes
    boxes=$(visible_boxes | wc -l)
    [ "$boxes" = 1 ] || fail "$boxes warnings are open after three blank notes, expected one"

    local deadline=$((SECONDS + 20))
    while box=$(visible_boxes | head -n1) && [ -n "$box" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "the warnings do not close"
        drv post "$box" "$WM_COMMAND" "$IDOK" 0 || die "could not close the warning"
        sleep 0.5
    done
    drv ping "$WAIT_MS" || die "the main dialog stopped answering after the warning"

    wait_listening "$port" no "$WAIT_MS" || fail "port $port still listens after the flood warning"
    if send_note --from BOBS-PC --text "after the flood" --timeout 5 --port "$port" 127.0.0.1; then
        fail "a note sent after the flood warning was acknowledged: $send_out"
    fi
    log "sending after the warning: $(head -n1 <<<"$send_out")"
    sleep 1
    [ -z "$(visible_boxes)" ] || fail "another message box came up"

    # A blank note is not a note: no window (an empty one of no size was
    # seen) and no record.
    local notes
    notes=$(drv notes)
    [ "$(wc -l <<<"$notes")" = 1 ] ||
        fail "the blank notes left note windows (hwnd visible left top width height title): $(grep -v ' Desk$' <<<"$notes" | tr '\n' ';')"
    local n
    n=$(ini_get PINWELL NumberOfNotes)
    [ "$n" = 1 ] || fail "NumberOfNotes is '$n' after the blank notes, expected 1"
}

# The computer name a Pinwell on this machine sends as its identity.
computer_name() { uname -n | tr '[:lower:]' '[:upper:]'; }

# A note sent from the body menu to a group that holds this computer comes
# back to the same Pinwell; the original shows the sent icon.
case_send_to_group() {
    new_prefix
    port=$(free_port) || die "no free port"
    {
        settings_section "$port"
        printf 'NumberOfNotes=1\n'
        stored_note 1 "Group me" 700 500 'To the group'
        printf '[RECIPIENTS_LIST]\nListNames=Loop~\nLoop=127.0.0.1~\n'
    } | write_ini
    start_pinwell
    wait_listening "$port" yes "$WAIT_MS" || die "nothing listens on port $port after the start"
    local original
    original=$(drv notes | awk '$NF == "me" { print $1; exit }')
    [ -n "$original" ] || die "the stored note did not show"
    local seen
    seen=$(ndrv status-icon "$original")
    [ "$seen" = none ] || fail "the stored note shows the '$seen' status icon before sending"

    start_watch grp 1 120000
    local before after t0
    before=$(hhmm)
    send_to_first_group "$original" send_menu || return
    if wait_new grp 1 "$WAIT_MS"; then
        after=$(hhmm)
        log "the note sent to the group arrived"
        expect_title "$new_hwnd" "$(computer_name)" "$before" "$after"
        expect_body "$new_hwnd" "To the group"
        expect_status "$new_hwnd" received
    else
        local box
        box=$(ndrv wait-box Pinwell 0 2>/dev/null | tail -n +2 | tr '\r\n' '  ')
        fail "no note arrived within $WAIT_MS ms of picking the group${box:+ (message box: $box)}"
    fi
    expect_status "$original" sent
    local box
    box=$(ndrv wait-box Pinwell 0 2>/dev/null | tail -n +2 | tr '\r\n' '  ')
    [ -z "$box" ] || fail "a message box came up: $box"
    local n
    n=$(ini_get PINWELL NumberOfNotes)
    [ "$n" = 2 ] || fail "NumberOfNotes is '$n', expected 2"
    [ "$(ini_get NOTE_ID_1 TitleText)" = "Group me" ] || fail "[NOTE_ID_1] TitleText changed"
}

# ---- two computers ------------------------------------------------------------

# Two namespaces joined by a veth pair, each with its own screen, prefix and
# Pinwell. The names and 10.77.0.0/24 belong to this case alone; a lock
# keeps two runs of it apart.
NS_A=pwA NS_B=pwB
ADDR_A=10.77.0.1 ADDR_B=10.77.0.2

declare -A side_prefix side_display side_ini side_port
side() { # A|B: later commands run on that computer
    local ns=NS_$1
    run_in=(ip netns exec "${!ns}")
    export WINEPREFIX=${side_prefix[$1]:-} DISPLAY=${side_display[$1]:-}
    ini=${side_ini[$1]:-}
    port=${side_port[$1]:-}
}

# Processes still inside a namespace are ours (nothing else runs there).
netns_remove() {
    local ns pid
    for ns in "$@"; do
        ip netns list 2>/dev/null | awk '{print $1}' | grep -qx "$ns" || continue
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
        ip netns del "$ns" 2>/dev/null || echo "[$case_name] could not delete namespace $ns"
    done
}

# A display number no X server on this machine uses. A server in a
# namespace is reached through its abstract socket there, but its lock and
# socket files are shared with everyone.
free_display() {
    local n
    for n in $(seq 170 260); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { echo "$n"; return 0; }
    done
    return 1
}

# stop_display PID N: asked to end, the server removes its lock and socket
# files; they go by hand if it had to be killed.
stop_display() {
    kill -TERM "$1" 2>/dev/null
    local deadline=$((SECONDS + 5))
    while kill -0 "$1" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    rm -f "/tmp/.X$2-lock" "/tmp/.X11-unix/X$2"
}

# start_computer A|B ADDRESS PORT: the peer's ADDRESS is its group. Both
# computers use the same communication port, as a network of them does.
start_computer() {
    local s=$1 ns=NS_$1 n
    side "$s"
    n=$(free_display) || die "no free display number"
    "${run_in[@]}" Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb-$s.log" 2>&1 &
    late_steps+=("stop_display $! $n")
    local deadline=$((SECONDS + 30))
    until [ -e "/tmp/.X11-unix/X$n" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "Xvfb did not start in ${!ns}: $(tail -n3 "$tmp/xvfb-$s.log")"
        sleep 0.1
    done
    side_display[$s]=:$n
    export DISPLAY=${side_display[$s]}
    new_prefix "$tmp/$s"
    side_prefix[$s]=$WINEPREFIX side_ini[$s]=$ini
    side_port[$s]=$3
    port=$3
    {
        settings_section "$port"
        printf 'NumberOfNotes=1\n'
        stored_note 1 "Note of $s" 700 500 "Written on $s"
        printf '[RECIPIENTS_LIST]\nListNames=Peer~\nPeer=%s~\n' "$2"
    } | write_ini
    start_pinwell
    wait_listening "$port" yes "$WAIT_MS" || die "Pinwell on $s does not listen on port $port"
    log "computer $s: namespace ${!ns}, display $DISPLAY, port $port"
}

# exchange FROM TO TO-ADDRESS: a pinwell-send note from FROM's namespace, then
# FROM's Pinwell sends its stored note to its group (TO's address); both
# arrive at TO.
exchange() {
    local from=$1 to=$2 addr=$3 before after t0
    side "$to"
    local to_port=$port watch=$from$to
    start_watch "$watch" 2 120000

    side "$from"
    before=$(hhmm)
    t0=$(ms_now)
    send_note --from "HOST-$from" --text "from $from by pinwell-send" --port "$to_port" "$addr" ||
        fail "$from -> $to: pinwell-send failed: $send_out"
    side "$to"
    if wait_new "$watch" 1 "$WAIT_MS"; then
        after=$(hhmm)
        log "$from -> $to (pinwell-send): visible after $((new_at - t0)) ms"
        expect_title "$new_hwnd" "HOST-$from" "$before" "$after"
        expect_body "$new_hwnd" "from $from by pinwell-send"
        expect_status "$new_hwnd" received
    else
        fail "$from -> $to: the note from pinwell-send did not arrive within $WAIT_MS ms"
    fi

    # Pinwell to Pinwell: the group of each holds the other's address.
    side "$from"
    local original
    original=$(drv notes | awk -v t="Note of $from" '{ h = $1; $1 = $2 = $3 = $4 = $5 = $6 = ""; sub(/^ +/, "") }
        $0 == t { print h; exit }')
    [ -n "$original" ] || { fail "$from: its stored note is not there"; return; }
    before=$(hhmm)
    send_to_first_group "$original" || return
    side "$to"
    if wait_new "$watch" 2 "$WAIT_MS"; then
        after=$(hhmm)
        log "$from -> $to (Pinwell's group send): arrived"
        expect_title "$new_hwnd" "$(computer_name)" "$before" "$after"
        expect_body "$new_hwnd" "Written on $from"
        expect_status "$new_hwnd" received
        mkdir -p "$shots"
        import -window root "$shots/two_computers_$to.png" 2>/dev/null
    else
        fail "$from -> $to: the note sent from Pinwell on $from did not arrive within $WAIT_MS ms"
    fi
    side "$from"
    expect_status "$original" sent
}

case_two_computers() {
    [ "$(id -u)" = 0 ] || die "network namespaces need root"
    command -v Xvfb >/dev/null || die "Xvfb is not installed"
    exec 8>"${TMPDIR:-/tmp}/pinwell-net-e2e-namespaces.lock"
    flock -w 600 8 || die "another two_computers run holds the namespaces"
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-$E2E_TMP_TAG.XXXXXX")
    # Left over by a run that was killed: only this case uses these names.
    netns_remove "$NS_A" "$NS_B"
    late_steps+=('netns_remove "$NS_A" "$NS_B"')

    ip netns add "$NS_A" && ip netns add "$NS_B" || die "cannot create the namespaces"
    ip link add pwvethA netns "$NS_A" type veth peer name pwvethB netns "$NS_B" || die "cannot create the veth pair"
    ip -n "$NS_A" addr add "$ADDR_A/24" dev pwvethA && ip -n "$NS_B" addr add "$ADDR_B/24" dev pwvethB &&
        ip -n "$NS_A" link set lo up && ip -n "$NS_B" link set lo up &&
        ip -n "$NS_A" link set pwvethA up && ip -n "$NS_B" link set pwvethB up || die "cannot set up the veth pair"

    side A
    local shared_port
    shared_port=$(free_port) || die "no free port"
    start_computer A "$ADDR_B" "$shared_port"
    start_computer B "$ADDR_A" "$shared_port"

    exchange A B "$ADDR_B"
    exchange B A "$ADDR_A"
}

# ------------------------------------------------------------------ main ---

# two_computers makes its own screens.
E2E_OWN_SCREEN_CASES=two_computers
e2e_main "${BASH_SOURCE[0]}" "$@"
