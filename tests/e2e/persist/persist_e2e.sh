#!/usr/bin/env bash
# Nothing the user did is lost when Pinwell ends without its exit sequence:
# the real Pinwell.exe under Wine, ended by the end of the Windows session
# (wineboot -e) or killed outright, and the data file read back. Also a
# damaged note count at start-up and the arrival sound.
#
#   persist_e2e.sh <case>     run one case        persist_e2e.sh all    every case
#   persist_e2e.sh list       name the cases
#
# Settings: see ../lib.sh and ../net/lib.sh. Without DISPLAY the script runs
# itself on a virtual screen.
set -uo pipefail

CASES="session_end exit_while_typing received_kill change_kill damaged_count arrival_sound"

case_name=${1:-}
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../net/lib.sh"
E2E_TMP_TAG=persist
show_ini_on_failure=1


# value SECTION KEY: as the program reads it (outer blanks dropped).
value() { ini_lookup 1 "$ini" "$1" "$2"; }
expect_value() { # SECTION KEY WANTED
    local got
    got=$(value "$1" "$2")
    [ "$got" = "$3" ] || fail "[$1] $2 is '$got', expected '$3'"
}

# kill_pinwell: the end a crash or a power cut gives: no message, no clean-up.
kill_pinwell() {
    kill -KILL -- "-$launched_pid" 2>/dev/null
    { wait_exit "$launched_pid" 20; } 2>/dev/null || die "Pinwell did not die"
}

# A quiet program with the two notes the cases change, the first one
# focused-free and where a drag can take it.
two_notes() { # PORT
    {
        settings_section "$1"
        printf 'NumberOfNotes=2\n'
        stored_note 1 Groceries 100 120 'Milk'
        stored_note 2 Errands 600 300 'Post office'
    } | write_ini
    launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "the main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the two stored notes did not show"
    read_notes
    local i
    i=$(note_index Groceries) || die "no note titled Groceries (titles: ${note_title[*]})"
    g_hwnd=${note_hwnd[$i]}
}
g_hwnd=

# geometry HWND: left top width height of a note window as it is now.
geometry() { drv notes | awk -v h="$1" '$1 == h { print $3, $4, $5, $6; exit }'; }

# drag X1 Y1 X2 Y2: the left button pressed at one point of the screen and
# let go at another, through the X server as a mouse would.
drag() {
    xdotool mousemove "$1" "$2" mousedown 1 sleep 0.3 \
        mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) sleep 0.3 \
        mousemove "$3" "$4" sleep 0.3 mouseup 1 || fail "xdotool could not drag"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering after a drag"
}

# move_and_resize HWND: the note dragged by its title strip, then made
# bigger from its bottom-right corner; its new geometry in moved.
moved=
move_and_resize() {
    local l t w h
    read -r l t w h <<<"$(geometry "$1")"
    drag $((l + 30)) $((t + 10)) $((l + 30 + 150)) $((t + 10 + 90))
    read -r l t w h <<<"$(geometry "$1")"
    [ "$l $t" = "250 210" ] || fail "the drag left the note at ($l, $t), expected (250, 210)"
    drag $((l + w - 1)) $((t + h - 1)) $((l + w - 1 + 60)) $((t + h - 1 + 40))
    moved=$(geometry "$1")
    [ "$moved" = "$l $t $((w + 60)) $((h + 40))" ] ||
        fail "the resize left the note at '$moved', expected '$l $t $((w + 60)) $((h + 40))'"
}

# expect_geometry ID "LEFT TOP WIDTH HEIGHT": as stored.
expect_geometry() {
    local got
    got="$(value "NOTE_ID_$1" Left) $(value "NOTE_ID_$1" Top) $(value "NOTE_ID_$1" Width) $(value "NOTE_ID_$1" Height)"
    [ "$got" = "$2" ] || fail "[NOTE_ID_$1] is stored at '$got', the window was at '$2'"
}

# ------------------------------------------------------------------ cases ---

# Windows logs off with a note moved and resized and text still being typed
# into it. The typing never pauses, so no store of the note's own comes in
# between: what is in the file was stored when the session ended.
# type_then END-COMMAND...: keys typed into Groceries without a pause while
# the command ends the program; the text typed before it in typed_before.
typed_before=
type_then() {
    local typed=$tmp/typed text=abcdefghijklmnopqrstuvwxyz
    live_driver pwdriver type-into "$g_hwnd" "$text" 150 >"$typed" 2>/dev/null &
    started_pids+=("$!")
    local deadline=$((SECONDS + 30))
    until [ "$(wc -l <"$typed")" -ge 6 ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "the typing did not start"
        sleep 0.1
    done
    typed_before=$(tr -d '\n' <"$typed")
    log "ending while typing, after '$typed_before'"
    "$@"
    wait_exit "$launched_pid" 30 || die "Pinwell is still running"
    [ "$(tr -d '\n' <"$typed")" != "$text" ] || fail "the typing was over before the end: nothing was tested"
    local body
    body=$(value NOTE_ID_1 EditText)
    [[ "$body" == *"$typed_before"* && "$body" == *Milk* ]] ||
        fail "the stored body lost what was typed before the end ('$typed_before'): $body"
}

end_session() { timeout 60 wineboot -e >/dev/null 2>&1 || fail "wineboot -e failed (status $?)"; }

case_session_end() {
    new_prefix
    command -v xdotool >/dev/null || die "xdotool is not installed (tools/install-deps.sh)"
    two_notes "$(free_port)"
    move_and_resize "$g_hwnd"
    shot persist_moved_and_resized
    type_then end_session
    expect_geometry 1 "$moved"
    expect_value PINWELL NumberOfNotes 2
    expect_value NOTE_ID_2 TitleText Errands
}

# "Exit Pinwell ..." stores every note, not only the count.
case_exit_while_typing() {
    new_prefix
    two_notes "$(free_port)"
    type_then drv command 32773
    [ "$exit_status" -eq 0 ] || fail "Pinwell ended with status $exit_status"
    expect_value PINWELL NumberOfNotes 2
    expect_geometry 1 "100 120 200 150"
}

# The sender has been told "MESSAGE RECEIVED": a crash right after the note
# shows must not lose it.
case_received_kill() {
    start_receiver
    send_note --from ALICE --title Lost --text "kept after a crash" --port "$port" 127.0.0.1 ||
        die "the note was not acknowledged: $send_out"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the received note did not show"
    # Answered once the tick that made the note is over.
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    kill_pinwell

    expect_value PINWELL NumberOfNotes 2
    has_section "$ini" NOTE_ID_2 || die "the received note is not in the data file"
    expect_value NOTE_ID_2 NoteID 2
    [[ "$(value NOTE_ID_2 TitleText)" == "ALICE "* ]] || fail "[NOTE_ID_2] TitleText is '$(value NOTE_ID_2 TitleText)'"
    [[ "$(value NOTE_ID_2 EditText)" == *"kept after a crash"* ]] ||
        fail "[NOTE_ID_2] EditText lost the body: $(value NOTE_ID_2 EditText)"
    expect_value NOTE_ID_1 TitleText Desk
    expect_value NOTE_RECEIVED NoteData ""
}

# version: what tells one write of the data file from the next.
version() { stat -c '%i %s %Y' "$ini" 2>/dev/null; md5sum <"$ini"; }

# Typing, a move and a resize reach the file a moment after they stop, and
# not with every key; a crash then loses nothing.
case_change_kill() {
    new_prefix
    command -v xdotool >/dev/null || die "xdotool is not installed (tools/install-deps.sh)"
    two_notes "$(free_port)"

    # Twenty keys at a tenth of a second: the file must not follow each one.
    local typed=$tmp/typed versions=$tmp/versions text=qwertyuiopasdfghjklz
    version >"$versions"
    live_driver pwdriver type-into "$g_hwnd" "$text" 100 >"$typed" 2>/dev/null &
    local typist=$!
    started_pids+=("$typist")
    while ! ended "$typist"; do
        version >>"$versions"
        sleep 0.05
    done
    local writes
    writes=$(($(paste - - <"$versions" | uniq | wc -l) - 1))
    log "the data file changed $writes time(s) while 20 keys were typed"
    [ "$writes" -le 3 ] || fail "the data file changed $writes times while 20 keys were typed"

    move_and_resize "$g_hwnd"
    sleep 3
    kill_pinwell

    [[ "$(value NOTE_ID_1 EditText)" == *"$text"* ]] ||
        fail "the typed text is not in the file 3 s after the last key: $(value NOTE_ID_1 EditText)"
    expect_geometry 1 "$moved"
    expect_geometry 2 "600 300 200 150"
    expect_value PINWELL NumberOfNotes 2
}

# NumberOfNotes at 2^31 - 1 once made start-up loop for ever; the theme
# records that lie below the top of a huge count are not notes.
case_damaged_count() {
    new_prefix
    {
        settings_section "$(free_port)"
        printf 'NumberOfNotes=2147483647\n'
        stored_note 1 First 100 100 'one'
        stored_note 3 Third 400 100 'three'
        note_record 90000 TitleText=
        note_record 91001 TitleText=Mine EditBackColor=255
    } | write_ini
    launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "start-up did not finish with NumberOfNotes=2147483647"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || fail "the two stored notes did not show"
    read_notes
    [ "${#note_hwnd[@]}" -eq 2 ] || fail "${#note_hwnd[@]} note windows, expected 2 (titles: ${note_title[*]})"
    expect_value PINWELL NumberOfNotes 2
    expect_value NOTE_ID_2 TitleText Third
    expect_no_section NOTE_ID_3
    expect_value NOTE_ID_90000 NoteID 90000
    expect_value NOTE_ID_91001 TitleText Mine
}

# sounds: how often the program has asked for a sound so far (Wine's trace
# of PlaySound).
sounds() { grep -c "pszSound=" "$tmp/pinwell-0.log"; }
expect_sounds() { # N WHEN
    local got
    got=$(sounds)
    [ "$got" = "$1" ] || fail "$got sound(s) $2, expected $1"
}

# The arrival sound goes with a note on the desktop: not for an e-mail
# hand-over that is dropped, a note that expired on the way, or a flood
# (whose warning plays it once).
case_arrival_sound() {
    new_prefix
    port=$(free_port) || die "no free port"
    {
        settings_section "$port" | sed 's/^PlaySound=No$/PlaySound=Yes/'
        printf 'NumberOfNotes=1\n'
        stored_note 1 Desk 900 700 'On the desk'
        printf '[EMAIL_NOTE_RECEIVED]\nEmailNoteData=ANONYMOUS~half a note\n'
    } | write_ini
    WINEDEBUG=-all,trace+winmm launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "the main dialog did not come up"
    wait_listening "$port" yes "$WAIT_MS" || die "nothing listens on port $port"
    sleep 1.5  # three ticks
    expect_value EMAIL_NOTE_RECEIVED EmailNoteData ""
    expect_sounds 0 "after an incomplete e-mail note was dropped"

    send_note --from ALICE --text "hello" --port "$port" 127.0.0.1 || die "the note was not acknowledged: $send_out"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the note did not show"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_sounds 1 "after one note arrived"

    send_note --from ALICE --text "too late" --expiration 01012001-120000-0 --port "$port" 127.0.0.1 ||
        die "the expired note was not acknowledged: $send_out"
    local deadline=$((SECONDS + 15))
    until [ -z "$(value NOTE_RECEIVED NoteData)" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "the expired note was never picked up"
        sleep 0.2
    done
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    drv wait-note-count 2 0 || fail "the expired note has a window"
    expect_sounds 1 "after a note that had expired on the way"

    send_note --from MALLORY --body "      " --port "$port" 127.0.0.1 || fail "the blank note was not acknowledged"
    local out box
    out=$(ndrv wait-box Pinwell "$WAIT_MS") || die "no flood warning"
    box=$(head -n1 <<<"$out")
    drv post "$box" "$WM_COMMAND" "$IDOK" 0 || die "could not close the warning"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering after the warning"
    sleep 1
    expect_sounds 2 "after the flood warning"
}

# ------------------------------------------------------------------ main ---

e2e_main "${BASH_SOURCE[0]}" "$@"
