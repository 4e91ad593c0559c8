#!/usr/bin/env bash
# End-to-end runs of the real Pinwell.exe under Wine, driven from outside.
#
#   e2e.sh <case>     run one case        e2e.sh all     run every case
#   e2e.sh list       name the cases
#
# Every case gets a fresh copy of the base Wine prefix, so each starts with its
# own empty data folder and its own wineserver. Settings:
#   PINWELL_BIN_DIR      Pinwell.exe and pwdriver.exe  (default build/windows/bin)
#   PINWELL_BASE_PREFIX  prefix copied for each case   (default build/windows/wineprefix)
#   PINWELL_SHOT_DIR     screenshots                   (default build/windows/e2e-shots)
# Without DISPLAY the script runs itself on a virtual screen.
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"

CASES="first_start renumber second_instance exit_command hidden_and_rolled new_notes"
CASES+=" stored_look hide_request note_menus body_menu delete_note note_looks click_and_type"

# Menu commands and the tray's mouse message.
CMD_NEW_NOTE=32772
CMD_HIDE_ALL=32797
CMD_DELETE_NOTE=32786
WM_LBUTTONDBLCLK=0x0203
WM_NOTE_SHOWHIDE=0x0402
IDNO=7

# ---------------------------------------------------------------- harness ---

# start_pinwell VAR: starts Pinwell.exe and stores its process id in VAR
# without waiting for its start-up.
start_pinwell() {
    launch_pinwell
    printf -v "$1" %s "$launched_pid"
}


# note_section ID TITLE LEFT TOP WIDTH HEIGHT MINIMIZED HIDDEN
note_section() {
    cat <<EOF
[NOTE_ID_$1]
NoteID=$1
EditBackColor=10546175
EditTextColor=0
EditFont=Verdana
EditFontType=
EditFontSize=8
EditCharSet=0
EditText={\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Verdana;}}\\f0\\fs16 body of $2\\par|}|
TitleBackColor=8438907
TitleTextColor=0
TitleFont=Verdana
TitleFontType=C
TitleFontSize=8
TitleText=$2
TitleCharSet=0
Left=$3
Top=$4
Height=$6
Width=$5
Minimized=$7
Border=No
Hidden=$8
Expiration=
Alarm=
EOF
}

# note_ini ID KEY=VALUE...: a note section in the default theme's look, with
# the given keys replaced.
note_ini() { note_record "$@"; }

# own_port: a data file that holds nothing but the prefix's port, for the
# cases about a start without notes or settings (it is still a first start):
# a Pinwell the user runs here holds the usual port, and a note sent to it
# must not land in a case that counts notes.
own_port() { printf '[PINWELL]\nCommunicationPort=%s\n' "$port" | write_ini; }

# Two notes that share nothing of their look, for the note window cases.
GROCERIES_RTF='{\rtf1\ansi{\fonttbl{\f0 Verdana;}}\pard\f0\fs20 Hello\par|\b bold\b0\par|}'
write_two_notes() { # ASK_BEFORE_DELETE
    {
        settings 2 AskBeforeDelete="$1"
        note_ini 1 TitleText=Groceries EditText="$GROCERIES_RTF" \
            EditBackColor=11327147 TitleBackColor=8110468 TitleTextColor=0 \
            EditFont=Verdana EditFontSize=10 TitleFont=Tahoma TitleFontType=BC TitleFontSize=10 \
            Left=100 Top=120 Width=240 Height=180
        note_ini 2 TitleText="Call Bob" \
            EditText='{\rtf1\ansi{\fonttbl{\f0 Courier New;}}\pard\f0\fs24 Second line one\par|line two\par|}' \
            EditBackColor=10658534 TitleBackColor=7106779 TitleTextColor=16777215 EditTextColor=8388608 \
            EditFont="Courier New" EditFontType=I EditFontSize=12 TitleFont=Verdana TitleFontType=C \
            TitleFontSize=8 Left=500 Top=300 Width=260 Height=160
    } | write_ini
}

# start_two_notes ASK_BEFORE_DELETE: the two notes on screen; their indexes
# into the note_* arrays (until the next read_notes) and their windows.
groceries= callbob= groceries_hwnd= callbob_hwnd=
start_two_notes() {
    write_two_notes "$1"
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the two stored notes did not show"
    read_notes
    groceries=$(note_index Groceries) || die "no note titled Groceries (titles: ${note_title[*]})"
    callbob=$(note_index "Call Bob") || die "no note titled 'Call Bob' (titles: ${note_title[*]})"
    groceries_hwnd=${note_hwnd[$groceries]} callbob_hwnd=${note_hwnd[$callbob]}
}

# ----------------------------------------------------------------- cases ---

# Twelve built-in themes as COLORREF 0x00BBGGRR: NoteID, body background,
# title background, text (body and title).
BUILT_IN_THEMES="
90000 FFCB97 E28E49 000000
90001 AA41FF 9123F0 FFFFFF
90002 FFCB97 E28E49 000000
90003 ACD6AB 84C17B 000000
90004 A2A2E6 6C70DB 000000
90005 85ECF1 30D0F0 000000
90006 EEEEEE D6D6D6 000000
90007 AF5500 8C4600 FFFFFF
90008 9EBFF9 77A5FC 000000
90009 A8BECC 7D99A2 000000
90010 005500 008000 FFFFFF
90011 46A0FF 007DFA 000000
"

case_first_start() {
    new_prefix
    [ ! -e "$ini" ] || die "the fresh prefix already has $ini"
    own_port
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    [ -f "$ini" ] || die "no data file at $ini"

    expect_key PINWELL Version 3.lan
    expect_key PINWELL IniUpdate 0116
    expect_key PINWELL AskBeforeDelete Yes
    expect_key PINWELL ReadNetworkOnStart Yes
    expect_key PINWELL CheckEmailOnStart No
    expect_key PINWELL NumberOfNotes 1
    expect_key PINWELL DefaultTitle Date
    local id back title text
    while read -r id back title text; do
        [ -n "$id" ] || continue
        expect_section "NOTE_ID_$id"
        expect_key "NOTE_ID_$id" NoteID "$id"
        expect_key "NOTE_ID_$id" EditBackColor $((16#$back))
        expect_key "NOTE_ID_$id" TitleBackColor $((16#$title))
        expect_key "NOTE_ID_$id" EditTextColor $((16#$text))
        expect_key "NOTE_ID_$id" TitleTextColor $((16#$text))
    done <<<"$BUILT_IN_THEMES"
    # The first note takes its size as the default for later ones.
    local dw dh
    dw=$(ini_get "$ini" PINWELL DefaultWidth) dh=$(ini_get "$ini" PINWELL DefaultHeight)

    read_notes
    [ "${#note_hwnd[@]}" -eq 1 ] || die "${#note_hwnd[@]} note windows, expected 1"
    [ "$(visible_count)" -eq 1 ] || die "the first note is not visible"
    local l=${note_left[0]} t=${note_top[0]} w=${note_w[0]} h=${note_h[0]}
    [ "$dw" = "$w" ] && [ "$dh" = "$h" ] ||
        fail "DefaultWidth/DefaultHeight = $dw/$dh, the note is ${w}x$h"
    [ "$w" -gt 40 ] && [ "$h" -gt 60 ] || die "the note is only ${w}x$h"

    # The body below the 20-pixel title strip, the strip itself left of any
    # icon or text: each in the default theme's colour.
    expect_painted first_start $((l + w / 2)) $((t + 20 + (h - 20) / 2)) 97CBFF
    expect_painted first_start $((l + w / 8)) $((t + 17)) 498EE2
}

case_renumber() {
    new_prefix
    {
        settings 4 AskBeforeDelete=Yes
        note_section 1 "First note" 100 100 200 150 No No
        note_section 2 "Second note" 350 120 220 160 No No
        note_section 4 "Fourth note" 600 140 240 170 No No
    } | write_ini
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 3 "$WAIT_MS" >/dev/null || fail "three notes did not show"

    read_notes
    [ "${#note_hwnd[@]}" -eq 3 ] || fail "${#note_hwnd[@]} note windows, expected 3"
    expect_note "First note" 1 100 100 200 150
    expect_note "Second note" 1 350 120 220 160
    expect_note "Fourth note" 1 600 140 240 170

    expect_key PINWELL NumberOfNotes 3
    expect_key NOTE_ID_1 TitleText "First note"
    expect_key NOTE_ID_2 TitleText "Second note"
    expect_section NOTE_ID_3
    expect_key NOTE_ID_3 NoteID 3
    expect_key NOTE_ID_3 TitleText "Fourth note"
    expect_key NOTE_ID_3 Left 600
    expect_key NOTE_ID_3 Top 140
    expect_key NOTE_ID_3 Width 240
    expect_key NOTE_ID_3 Height 170
    ini_get "$ini" NOTE_ID_3 EditText | grep -q 'body of Fourth note' ||
        fail "[NOTE_ID_3] EditText lost the moved note's body"
    expect_no_section NOTE_ID_4
    # No new note: stored notes were found.
    [ "$(ini_get "$ini" PINWELL DefaultWidth)" = "" ] || fail "a new note was made although notes were loaded"
}

case_second_instance() {
    new_prefix
    own_port
    local first second main_before main_after
    start_pinwell first
    main_before=$(drv wait-main "$START_MS") || die "main dialog did not come up"
    read_notes
    local notes_before=${#note_hwnd[@]} titles_before="${note_title[*]}"
    [ "$notes_before" -ge 1 ] || die "no note after the first start"
    local count_before
    count_before=$(ini_get "$ini" PINWELL NumberOfNotes)

    start_pinwell second
    wait_exit "$second" 15 || die "the second instance is still running after 15 s"
    ended "$first" && die "the first instance ended too"

    [ "$(drv count-main)" = 1 ] || fail "count-main is $(drv count-main), expected 1"
    main_after=$(drv wait-main "$WAIT_MS") || die "the first instance no longer answers"
    [ "$main_after" = "$main_before" ] || fail "main dialog changed from $main_before to $main_after"
    read_notes
    [ "${#note_hwnd[@]}" -eq "$notes_before" ] || fail "${#note_hwnd[@]} notes after the second start, $notes_before before"
    [ "${note_title[*]}" = "$titles_before" ] || fail "note titles changed: '$titles_before' -> '${note_title[*]}'"
    expect_key PINWELL NumberOfNotes "$count_before"
}

case_exit_command() {
    new_prefix
    own_port
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "no note showed"
    expect_key PINWELL NumberOfNotes 1

    # Someone else changes the count behind the program's back; the exit
    # must write the real one.
    sed -i 's/^NumberOfNotes=.*$/NumberOfNotes=77\r/' "$ini"
    [ "$(ini_get "$ini" PINWELL NumberOfNotes)" = 77 ] || die "could not change the data file"

    drv command "$CMD_EXIT" || die "could not send the exit command"
    wait_exit "$pid" 20 || die "Pinwell did not end within 20 s of the exit command"
    [ "$exit_status" -eq 0 ] || fail "Pinwell ended with status $exit_status"
    expect_key PINWELL NumberOfNotes 1
    expect_key PINWELL Version 3.lan
    expect_section NOTE_ID_90000
}

case_hidden_and_rolled() {
    new_prefix
    {
        printf '[PINWELL]\nIniUpdate=0116\nReadNetworkOnStart=No\nCheckEmailOnStart=No\nNumberOfNotes=3\n'
        printf 'CommunicationPort=%s\n' "$port"
        note_section 1 "Plain" 100 100 200 150 No No
        note_section 2 "Hidden" 350 100 210 150 No Yes
        note_section 3 "Rolled" 600 100 220 150 Yes No
    } | write_ini
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || fail "two notes did not show"

    read_notes
    [ "${#note_hwnd[@]}" -eq 3 ] || fail "${#note_hwnd[@]} note windows, expected 3"
    expect_note Plain 1 100 100 200 150
    expect_note Hidden 0 350 100 210 150
    expect_note Rolled 1 600 100 220 20
    # Its title strip is as wide as the note was laid out before it rolled up.
    local rolled title_width
    rolled=${note_hwnd[$(note_index Rolled)]}
    read -r _ _ title_width _ <<<"$(drv child-rect "$rolled" 1002)"
    [ "$title_width" = 220 ] || fail "the rolled-up note's title is $title_width pixels wide, expected 220"

    # "Show all notes" brings the hidden one back where it was.
    drv command "$CMD_SHOW_ALL" || die "could not send Show all notes"
    drv wait-visible 3 "$WAIT_MS" || fail "Show all notes did not show every note"
    read_notes
    expect_note Hidden 1 350 100 210 150
    expect_note Rolled 1 600 100 220 20

    # "Hide all notes": each note hides and stores itself; the rolled-up note
    # keeps its unrolled height in the file.
    drv command "$CMD_HIDE_ALL" || die "could not send Hide all notes"
    drv wait-visible 0 "$WAIT_MS" || fail "Hide all notes left notes visible"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    local id
    for id in 1 2 3; do expect_key "NOTE_ID_$id" Hidden Yes; done
    expect_key NOTE_ID_3 TitleText Rolled
    expect_key NOTE_ID_3 Minimized Yes
    expect_key NOTE_ID_3 Height 150
    expect_key NOTE_ID_3 Width 220
    expect_key NOTE_ID_1 Minimized No
    expect_key NOTE_ID_1 Height 150
}

case_new_notes() {
    new_prefix
    own_port
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    read_notes
    [ "${#note_hwnd[@]}" -eq 1 ] || die "${#note_hwnd[@]} notes after the first start, expected 1"
    local l=${note_left[0]} t=${note_top[0]} w=${note_w[0]} h=${note_h[0]}

    # A double-click on the tray icon and the menu command each make a note,
    # cascaded 40 pixels down and right from the one before, in the size of
    # the first.
    drv tray "$WM_LBUTTONDBLCLK" || die "could not send the tray double-click"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || fail "the tray double-click made no note"
    drv command "$CMD_NEW_NOTE" || die "could not send New note"
    drv wait-notes 3 "$WAIT_MS" >/dev/null || fail "New note made no note"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"

    read_notes
    [ "${#note_hwnd[@]}" -eq 3 ] || fail "${#note_hwnd[@]} note windows, expected 3"
    local rects="" i
    for i in "${!note_hwnd[@]}"; do rects+="${note_left[$i]},${note_top[$i]},${note_w[$i]},${note_h[$i]} "; done
    local want
    for want in "$l,$t,$w,$h" "$((l + 40)),$((t + 40)),$w,$h" "$((l + 80)),$((t + 80)),$w,$h"; do
        [[ " $rects" == *" $want "* ]] || fail "no note at left,top,width,height = $want (notes: $rects)"
    done
    expect_key PINWELL NumberOfNotes 3
}

case_stored_look() {
    new_prefix
    start_two_notes No
    [ "${#note_hwnd[@]}" -eq 2 ] || fail "${#note_hwnd[@]} note windows, expected 2"
    expect_note Groceries 1 100 120 240 180
    expect_note "Call Bob" 1 500 300 260 160

    local i title body
    for i in "$groceries" "$callbob"; do
        title=$(drv child-text "${note_hwnd[$i]}" 1002) || fail "cannot read the title strip of '${note_title[$i]}'"
        [ "$title" = "${note_title[$i]}" ] || fail "title strip reads '$title', the window '${note_title[$i]}'"
    done
    body=$(drv body-text "${note_hwnd[$groceries]}") || fail "cannot read the body of Groceries"
    [ "$body" = $'Hello\r\nbold' ] || fail "Groceries body is $(printf %q "$body"), expected \$'Hello\\r\\nbold'"
    body=$(drv body-text "${note_hwnd[$callbob]}") || fail "cannot read the body of 'Call Bob'"
    [ "$body" = $'Second line one\r\nline two' ] || fail "'Call Bob' body is $(printf %q "$body")"

    # Below the text in the body, and the strip left of its centred title.
    local l t w h
    for i in "$groceries" "$callbob"; do
        l=${note_left[$i]} t=${note_top[$i]} w=${note_w[$i]} h=${note_h[$i]}
        local id=$((i == groceries ? 1 : 2))
        expect_painted stored_look $((l + w / 2)) $((t + h - 12)) "$(rgb "$(ini_get "$ini" "NOTE_ID_$id" EditBackColor)")"
        expect_painted stored_look $((l + 6)) $((t + 10)) "$(rgb "$(ini_get "$ini" "NOTE_ID_$id" TitleBackColor)")"
    done
}

case_hide_request() {
    new_prefix
    start_two_notes No
    local before
    before=$(tr -d '\r' <"$ini" | sed -n '/^\[NOTE_ID_1\]/,/^Alarm=/p')

    drv post "$groceries_hwnd" "$WM_NOTE_SHOWHIDE" 0 0 || die "could not post the hide request"
    drv wait-visible 1 "$WAIT_MS" || fail "the note asked to hide is still visible"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    read_notes
    expect_note Groceries 0 100 120 240 180
    expect_note "Call Bob" 1 500 300 260 160
    expect_key NOTE_ID_1 Hidden Yes
    expect_key NOTE_ID_2 Hidden No

    # The store that carried Hidden wrote the whole note from the window: what
    # was loaded must come back unchanged.
    local key
    for key in NoteID EditBackColor EditTextColor EditFont EditFontType EditFontSize EditCharSet TitleBackColor \
        TitleTextColor TitleFont TitleFontType TitleFontSize TitleText TitleCharSet Left Top Width Height Minimized Border; do
        expect_key NOTE_ID_1 "$key" "$(awk -F= -v k="$key" '$1 == k { sub(/^[^=]*=/, ""); print; exit }' <<<"$before")"
    done
    local text
    text=$(ini_get "$ini" NOTE_ID_1 EditText)
    [[ "$text" == *'Hello\par'*'\b bold'* ]] || fail "[NOTE_ID_1] EditText lost the body: $text"

    drv post "$groceries_hwnd" "$WM_NOTE_SHOWHIDE" 1 0 || die "could not post the show request"
    drv wait-visible 2 "$WAIT_MS" || fail "the note asked to show did not come back"
    read_notes
    expect_note Groceries 1 100 120 240 180
}

# right_click X Y NAME: a right click there must open a pop-up menu at the
# cursor; the screen with the menu open is kept as NAME.png. Leaves the
# menu's rectangle in menu_rect and the menu open.
menu_rect=
right_click_menu() {
    local x=$1 y=$2 name=$3 out
    menu_rect=
    drv click "$x" "$y" right || { fail "could not click at ($x, $y)"; return 1; }
    out=$(drv wait-menu "$WAIT_MS") || { fail "no pop-up menu after a right click at ($x, $y)"; return 1; }
    menu_rect=$(head -n1 <<<"$out" | cut -d' ' -f2-)
    mkdir -p "$shots"
    sleep 0.3
    import -window root "$shots/$name.png" 2>/dev/null || fail "screenshot failed"
    local ml mt
    read -r ml mt _ <<<"$menu_rect"
    [ "$ml" = "$x" ] && [ "$mt" = "$y" ] || fail "the menu opened at ($ml, $mt), the click was at ($x, $y)"
}

close_menu() {
    drv escape-menus || fail "could not send Escape to the menu"
    drv wait-no-menu "$WAIT_MS" || fail "Escape did not close the menu"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering after the menu"
}

# Opening a note's menu stores the note first: a value changed behind the
# program's back comes back from the window.
tamper_title() { sed -i "/^\[NOTE_ID_$1\]/,/^Alarm=/s/^TitleText=.*\$/TitleText=Tampered\r/" "$ini"; }

case_note_menus() {
    new_prefix
    start_two_notes No
    local l=${note_left[$groceries]} t=${note_top[$groceries]} w=${note_w[$groceries]}

    tamper_title 1
    expect_key NOTE_ID_1 TitleText Tampered
    right_click_menu $((l + 30)) $((t + 10)) title_menu || return
    expect_key NOTE_ID_1 TitleText Groceries
    close_menu
    local title_h
    read -r _ _ _ title_h <<<"$menu_rect"

    # The close button opens the close menu (four rows, so shorter than the
    # title menu) unless that menu is switched off.
    local cl ct cw ch cv
    read -r cl ct cw ch cv <<<"$(drv child-rect "$groceries_hwnd" 1013)"
    [ "$cv" = 1 ] || fail "the close button is not visible"
    [ "$cl" = $((l + w - 14)) ] && [ "$ct" = $((t + 5)) ] ||
        fail "close button at ($cl, $ct), expected ($((l + w - 14)), $((t + 5)))"
    tamper_title 1
    local x=$((cl + cw / 2)) y=$((ct + ch / 2)) out ml mt mh
    drv click "$x" "$y" left || die "could not click the close button"
    out=$(drv wait-menu "$WAIT_MS") || die "no close menu after a click on the close button"
    read -r _ ml mt _ mh <<<"$out"
    sleep 0.3
    import -window root "$shots/close_menu.png" 2>/dev/null
    [ "$ml" = "$x" ] && [ "$mt" = "$y" ] || fail "the close menu opened at ($ml, $mt), the click was at ($x, $y)"
    [ "$mh" -lt "$title_h" ] || fail "the close menu is $mh pixels high, the title menu $title_h: not the close menu"
    expect_key NOTE_ID_1 TitleText Groceries
    close_menu

    read_notes
    [ "${#note_hwnd[@]}" -eq 2 ] || fail "${#note_hwnd[@]} notes after the menus, expected 2"
    expect_note Groceries 1 100 120 240 180
    expect_note "Call Bob" 1 500 300 260 160
}

case_body_menu() {
    new_prefix
    start_two_notes No
    local l=${note_left[$groceries]} t=${note_top[$groceries]} w=${note_w[$groceries]}

    right_click_menu $((l + 30)) $((t + 10)) title_menu_ref || return
    close_menu
    local title_h
    read -r _ _ _ title_h <<<"$menu_rect"
    rm -f "$shots/title_menu_ref.png"

    # The body menu is the note's long menu, stored before it opens.
    tamper_title 1
    right_click_menu $((l + w / 2)) $((t + 100)) body_menu || return
    local body_h
    read -r _ _ _ body_h <<<"$menu_rect"
    [ "$body_h" -gt "$title_h" ] || fail "the body menu is $body_h pixels high, the title menu $title_h: not the body menu"
    expect_key NOTE_ID_1 TitleText Groceries
    close_menu
    read_notes
    expect_note Groceries 1 100 120 240 180
}

# the visible message box the note HWND owns, if any
owned_box() {
    drv windows | awk -v o="$1" '$2 == o && $3 == 1 && $4 == "#32770" { print $1; exit }'
}

case_delete_note() {
    new_prefix
    start_two_notes Yes
    local bob=$callbob_hwnd box text

    # Asking is on: the question comes, and No keeps everything.
    drv post "$bob" "$WM_COMMAND" "$CMD_DELETE_NOTE" 0 || die "could not post Delete note"
    local deadline=$((SECONDS + 15))
    until box=$(owned_box "$bob") && [ -n "$box" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "no question before deleting with AskBeforeDelete=Yes"
        sleep 0.2
    done
    text=$(drv child-text "$box" 0xFFFF)
    [ "$text" = "Delete note. Are you sure ?   " ] || fail "the question reads '$text'"
    drv post "$box" "$WM_COMMAND" "$IDNO" 0 || die "could not answer No"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    sleep 2
    drv wait-note-count 2 0 || fail "answering No deleted the note"
    expect_section NOTE_ID_2

    # Asking off: gone after the fade, the other note untouched.
    sed -i 's/^AskBeforeDelete=.*$/AskBeforeDelete=No\r/' "$ini"
    local other
    other=$(tr -d '\r' <"$ini" | sed -n '/^\[NOTE_ID_1\]/,/^Alarm=/p')
    drv post "$bob" "$WM_COMMAND" "$CMD_DELETE_NOTE" 0 || die "could not post Delete note"
    drv wait-note-count 1 "$WAIT_MS" || fail "the note window is still there"
    [ -z "$(owned_box "$bob")" ] || fail "a question came although AskBeforeDelete is No"
    expect_no_section NOTE_ID_2
    [ "$(tr -d '\r' <"$ini" | sed -n '/^\[NOTE_ID_1\]/,/^Alarm=/p')" = "$other" ] || fail "[NOTE_ID_1] changed"
    read_notes
    expect_note Groceries 1 100 120 240 180
    [ -z "$(note_index "Call Bob")" ] || fail "'Call Bob' still has a window"

    # With the close menu switched off the close button deletes.
    sed -i 's/^\[PINWELL\]\r$/[PINWELL]\r\nDisableCloseMenu=Yes\r/' "$ini"
    expect_key PINWELL DisableCloseMenu Yes
    local cl ct cw ch
    read -r cl ct cw ch _ <<<"$(drv child-rect "$groceries_hwnd" 1013)"
    drv click $((cl + cw / 2)) $((ct + ch / 2)) left || die "could not click the close button"
    drv wait-note-count 0 "$WAIT_MS" || fail "the close button did not delete the note"
    drv wait-no-menu 0 || fail "the close button opened its menu although DisableCloseMenu is Yes"
    expect_no_section NOTE_ID_1
}

# Screens to look at: the default theme, a rolled-up note and a bordered one.
case_note_looks() {
    new_prefix
    {
        printf '[PINWELL]\nVersion=3.lan\nIniUpdate=0116\nReadNetworkOnStart=No\nCheckEmailOnStart=No\nNumberOfNotes=3\n'
        printf 'CommunicationPort=%s\n' "$port"
        note_ini 1 TitleText=Default Left=100 Top=100 Width=220 Height=160 \
            EditText='{\rtf1\ansi{\fonttbl{\f0 Verdana;}}\pard\f0\fs16 Default theme\par|second line\par|}'
        note_ini 2 TitleText=Rolled Left=400 Top=100 Width=220 Height=160 Minimized=Yes
        note_ini 3 TitleText=Bordered Left=700 Top=100 Width=220 Height=160 Border=Yes \
            EditText='{\rtf1\ansi{\fonttbl{\f0 Verdana;}}\pard\f0\fs16 With a border\par|}'
    } | write_ini
    local pid
    start_pinwell pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 3 "$WAIT_MS" >/dev/null || die "three notes did not show"
    read_notes
    expect_note Default 1 100 100 220 160
    expect_note Rolled 1 400 100 220 20
    expect_note Bordered 1 700 100 220 160

    # Only the rolled-up note shows its roll-down icon (the others have none).
    local i vis
    for i in Default Rolled Bordered; do
        read -r _ _ _ _ vis <<<"$(drv child-rect "${note_hwnd[$(note_index $i)]}" 1012 2>/dev/null || echo - - - - 0)"
        [ "$vis" = "$([ $i = Rolled ] && echo 1 || echo 0)" ] || fail "roll-down icon of '$i' visible=$vis"
    done
    # The margin left of the body has the body colour, unless the one-pixel
    # border is drawn there; below a rolled-up strip the screen is empty.
    expect_painted note_looks 100 180 97CBFF
    expect_painted note_looks 440 117 498EE2
    expect_painted note_looks 500 140 000000
    expect_painted note_looks 750 180 97CBFF
    local edge
    edge=$(pixel_of "$shots/note_looks.png" 700 180)
    [ "$edge" != 97CBFF ] && [ "$edge" != 000000 ] ||
        fail "the bordered note's left edge is #$edge: no border drawn"
    convert "$shots/note_looks.png" -crop 240x180+90+90 "$shots/default_theme.png"
    convert "$shots/note_looks.png" -crop 240x40+390+90 "$shots/rolled_up.png"
    convert "$shots/note_looks.png" -crop 240x180+690+90 "$shots/border.png"
}

# A click on a note's title strip brings the note forward; typing then must
# add to the body, not replace it.
case_click_and_type() {
    new_prefix
    start_two_notes No
    local l=${note_left[$groceries]} t=${note_top[$groceries]} body
    drv click $((l + 30)) $((t + 10)) left || die "could not click the title strip"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    drv key X || die "could not type"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    body=$(drv body-text "$groceries_hwnd") || die "cannot read the body"
    [[ "$body" == *Hello*bold* ]] || fail "typing after a click on the title strip left the body $(printf %q "$body")"
    [[ "$body" == *[xX]* ]] || fail "the typed key did not reach the body: $(printf %q "$body")"
}

# ------------------------------------------------------------------ main ---

e2e_main "${BASH_SOURCE[0]}" "$@"
