#!/usr/bin/env bash
# End-to-end cases of the tray, the main menu, themes, alarms and expiration:
# the real Pinwell.exe under Wine, driven from outside.
#
#   tray_e2e.sh <case>     run one case        tray_e2e.sh all     run every case
#   tray_e2e.sh list       name the cases
#
# Every case gets a fresh copy of the base Wine prefix (its own data folder and
# wineserver) and listens on a port of its own. Settings:
#   PINWELL_BIN_DIR      Pinwell.exe, pwdriver.exe, traydriver.exe (default build/windows/bin)
#   PINWELL_BASE_PREFIX  prefix copied for each case   (default build/windows/wineprefix)
#   PINWELL_SHOT_DIR     screenshots                   (default build/windows/e2e-shots)
# Without DISPLAY the script runs itself on a virtual screen.
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_PROGRAMS+=" traydriver.exe"
E2E_TMP_TAG=tray

CASES="tray_double_click hide_show_all password_lock hot_key green_theme expired_gone alarm_rings"
CASES+=" schedule_dialogs"

# Main menu commands, the tray's mouse messages and the note's messages.
CMD_NEW_NOTE=32772
CMD_HIDE_ALL=32797
CMD_THEME_GREEN=32810
CMD_ORGANIZE_THEMES=32959
CMD_SET_ALARM=32898
CMD_SET_EXPIRATION=32899
WM_LBUTTONDBLCLK=0x0203
WM_RBUTTONDOWN=0x0204
WM_HOTKEY=0x0312
WM_NOTE_SHOWHIDE=0x0402
IDCANCEL=2
# Note window controls.
IDC_TITLE=1002
IDC_ALARM_ICON=1016
IDC_EXPIRE_ICON=1015
# Password dialog: its one entry.
IDC_PASSWORD=1100
# Alarm dialog: radios, time picker, repeat and sound lists.
IDC_ALARM_OFF=1079
IDC_ALARM_ON=1080
IDC_ALARM_TIME=1072
IDC_ALARM_REPEAT=1075
IDC_ALARM_SOUND=1076
# Expiration dialog: never, after a period, at the end of a day.
IDC_EXPIRE_NEVER=1071
IDC_EXPIRE_END_OF_DAY=1082
# Organize themes: its buttons.
IDC_THEME_RENAME=1094
IDC_THEME_DELETE=1095
IDC_THEME_UP=1096
IDC_THEME_DOWN=1097
IDC_THEME_SORT=1098

# ---------------------------------------------------------------- harness ---

# start_pinwell: starts Pinwell.exe from the program folder in its own
# process group and waits until its start-up is over; the main dialog's
# handle is left in main_hwnd.
main_hwnd=
start_pinwell() {
    launch_pinwell
    main_hwnd=$(drv wait-main "$START_MS") || die "main dialog did not come up"
}

# stop_pinwell: the Exit command, and the process gone within 20 s.
stop_pinwell() {
    local pid=${started_groups[-1]} deadline=$((SECONDS + 20))
    drv command "$CMD_EXIT" || die "could not send Exit"
    while ! ended "$pid"; do
        [ "$SECONDS" -ge "$deadline" ] && die "Pinwell did not end within 20 s of Exit"
        sleep 0.1
    done
}

# ------------------------------------------------------------- data file ---

# wait_key SECTION KEY WANTED: a note stores itself on its own thread after a
# posted request; waits up to 10 s for the value to arrive.
wait_key() {
    local deadline=$((SECONDS + 10))
    until [ "$(ini_get "$ini" "$1" "$2")" = "$3" ]; do
        [ "$SECONDS" -ge "$deadline" ] && break
        sleep 0.2
    done
    expect_key "$@"
}

# section_of TITLE: the note section whose TitleText is TITLE.
section_of() {
    tr -d '\r' <"$ini" | awk -v t="$1" '
        /^\[/ { sec = substr($0, 2, length($0) - 2) }
        $0 == "TitleText=" t { print sec; exit }'
}

# note_ini ID KEY=VALUE...: a note section in the default theme's look, with
# the given keys replaced.
note_ini() {
    note_record "$1" Left=300 Top=200 \
        EditText="{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0\\fs16 body of note $1\\par|}" "${@:2}"
}

# ----------------------------------------------------------------- notes ---

# find_note VAR TITLE: the note window with that title into VAR, its
# rectangle into VAR_left, VAR_top, VAR_w, VAR_h; a missing note is a failed
# precondition.
find_note() {
    local i
    i=$(note_index "$2") || die "no note window titled '$2' (titles: ${note_title[*]})"
    printf -v "$1" %s "${note_hwnd[$i]}"
    printf -v "$1_left" %s "${note_left[$i]}"
    printf -v "$1_top" %s "${note_top[$i]}"
}

# --------------------------------------------------------------- screen ---

# differing_pixels PNG LEFT TOP BMP: how many pixels of the screen area at
# (LEFT, TOP) differ from the bitmap file laid over it.
differing_pixels() {
    local size
    size=$(identify -format '%wx%h' "$4") || return 1
    convert "$1" -crop "$size+$2+$3" +repage "$tmp/crop.png" || return 1
    local ae
    # compare's status tells different from same; the count is on stderr.
    ae=$(compare -metric AE "$tmp/crop.png" "$4" null: 2>&1)
    [[ "$ae" =~ ^[0-9.e+]+ ]] || return 1
    awk -v n="${BASH_REMATCH[0]}" 'BEGIN { print int(n) }'
}

# A modal dialog the program opens: visible, of the dialog class, with this
# caption and owner.
wait_dialog() { # CAPTION OWNER
    tdrv wait-window '#32770' "$1" "$2" "$WAIT_MS"
}

# expect_buttons DIALOG 0|1 WHAT ID...: each button greyed (0) or enabled (1);
# one that is not there is said so, not taken for either.
expect_buttons() {
    local dlg=$1 want=$2 what=$3 id got
    shift 3
    for id; do
        got=$(tdrv enabled "$dlg" "$id") || { fail "the dialog has no button $id"; continue; }
        [ "$got" = "$want" ] || fail "button $id is $what"
    done
}

# expect_no_selection NOTE WHEN: the note's body has a caret, not a
# selection (the next key would replace the selected text).
expect_no_selection() {
    local from to
    read -r from to <<<"$(tdrv selection "$1" 1001)" || { fail "cannot read the body selection $2"; return; }
    [ "$from" = "$to" ] || fail "the body text is selected (characters $from-$to) $2"
}

# ----------------------------------------------------------------- cases ---

today() { date +%d.%m.%Y; }

case_tray_double_click() {
    new_prefix
    { settings 1; note_ini 1 TitleText=Existing Left=400 Top=300 Width=240 Height=180; } | write_ini
    start_pinwell
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"
    [ -z "$(ini_get "$ini" PINWELL DefaultWidth)$(ini_get "$ini" PINWELL DefaultHeight)" ] ||
        die "a default size was written before any new note"

    local before after
    before=$(today)
    drv tray "$WM_LBUTTONDBLCLK" || die "could not send the tray double-click"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the tray double-click made no note"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    after=$(today)
    read_notes
    [ "${#note_hwnd[@]}" -eq 2 ] || fail "${#note_hwnd[@]} note windows, expected 2"
    local i new=
    for i in "${!note_hwnd[@]}"; do [ "${note_title[$i]}" != Existing ] && new=$i; done
    [ -n "$new" ] || die "no new note window (titles: ${note_title[*]})"
    local title=${note_title[$new]} w=${note_w[$new]} h=${note_h[$new]}
    [ "$title" = "$before" ] || [ "$title" = "$after" ] || fail "the new note is titled '$title', expected '$after'"
    local strip
    strip=$(drv child-text "${note_hwnd[$new]}" "$IDC_TITLE") || fail "cannot read the new note's title strip"
    [ "$strip" = "$title" ] || fail "the title strip reads '$strip', the window '$title'"
    [ "$w" -gt 40 ] && [ "$h" -gt 40 ] || fail "the new note is only ${w}x$h"
    expect_key PINWELL DefaultWidth "$w"
    expect_key PINWELL DefaultHeight "$h"
    expect_key PINWELL NumberOfNotes 2
    expect_key PINWELL DefaultTitle Date

    # Once a default size is set, the next new note takes it, one cascade
    # step on from the last.
    sed -i 's/^DefaultWidth=.*$/DefaultWidth=310\r/; s/^DefaultHeight=.*$/DefaultHeight=190\r/' "$ini"
    drv tray "$WM_LBUTTONDBLCLK" || die "could not send the second tray double-click"
    drv wait-notes 3 "$WAIT_MS" >/dev/null || die "the second tray double-click made no note"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    local l=${note_left[$new]} t=${note_top[$new]}
    read_notes
    local rects="" j
    for j in "${!note_hwnd[@]}"; do rects+="${note_left[$j]},${note_top[$j]},${note_w[$j]},${note_h[$j]} "; done
    [[ " $rects" == *" $((l + 40)),$((t + 40)),310,190 "* ]] ||
        fail "no 310x190 note at ($((l + 40)), $((t + 40))) after the default size was set (notes: $rects)"
    expect_key PINWELL DefaultWidth 310
    expect_key PINWELL NumberOfNotes 3
}

# tray_menu NAME: the tray icon's right press opens the main menu at the
# cursor; the screen with it open is kept as NAME.png, then it is closed.
tray_menu() {
    local out ml mt
    tdrv cursor 640 420 || fail "could not move the cursor"
    drv tray "$WM_RBUTTONDOWN" || { fail "could not send the tray right press"; return; }
    out=$(drv wait-menu "$WAIT_MS") || { fail "no menu after the tray right press"; return; }
    read -r _ ml mt _ <<<"$(head -n1 <<<"$out")"
    [ "$ml $mt" = "640 420" ] || fail "the tray menu opened at ($ml, $mt), the cursor was at (640, 420)"
    sleep 0.3
    shot "$1"
    drv escape-menus || fail "could not send Escape to the menu"
    drv wait-no-menu "$WAIT_MS" || fail "Escape did not close the tray menu"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering after the menu"
}

case_hide_show_all() {
    new_prefix
    {
        settings 3
        note_ini 1 TitleText=Alpha Left=200 Top=150 Width=220 Height=160
        note_ini 2 TitleText=Beta Left=500 Top=150 Width=240 Height=170 Minimized=Yes
        note_ini 3 TitleText=Gamma Left=800 Top=150 Width=200 Height=150 Hidden=Yes
    } | write_ini
    start_pinwell
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the two shown notes did not show"
    read_notes
    expect_note Alpha 1 200 150 220 160
    expect_note Beta 1 500 150 240 20
    expect_note Gamma 0 800 150 200 150
    tray_menu tray_menu

    drv command "$CMD_HIDE_ALL" || die "could not send Hide all notes"
    drv wait-visible 0 "$WAIT_MS" || fail "Hide all notes left notes visible"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    local id
    for id in 1 2 3; do wait_key "NOTE_ID_$id" Hidden Yes; done
    # The hidden store keeps the rolled-up note's own size.
    expect_key NOTE_ID_2 Minimized Yes
    expect_key NOTE_ID_2 Height 170
    expect_key NOTE_ID_1 Left 200
    tray_menu tray_menu_all_hidden

    drv command "$CMD_SHOW_ALL" || die "could not send Show all notes"
    drv wait-visible 3 "$WAIT_MS" || fail "Show all notes did not show every note"
    read_notes
    expect_note Alpha 1 200 150 220 160
    expect_note Beta 1 500 150 240 20
    expect_note Gamma 1 800 150 200 150

    # Shown is what the user left: after Exit and a new start the notes are
    # still on the screen, not back in hiding.
    stop_pinwell
    start_pinwell
    drv wait-notes 3 "$WAIT_MS" >/dev/null ||
        fail "after Show all notes and a restart only $(drv notes | awk '$2 == 1' | wc -l) of 3 notes are shown (Hidden=$(ini_get "$ini" NOTE_ID_1 Hidden)/$(ini_get "$ini" NOTE_ID_2 Hidden)/$(ini_get "$ini" NOTE_ID_3 Hidden))"
}

# wrap PASSWORD: the stored form of the "Show all notes" password.
wrap() {
    local p=$1
    [ "${#p}" -gt 1 ] && p="${p: -1}${p:1:${#p}-2}${p:0:1}"
    echo "Kq4Rm7${p}5PtZc9H"
}

# ask_password TEXT BUTTON: "Show all notes" must ask; TEXT goes into the
# entry and BUTTON closes the dialog.
ask_password() {
    drv command "$CMD_SHOW_ALL" || die "could not send Show all notes"
    local dlg
    dlg=$(wait_dialog "Enter password" "$main_hwnd") || die "Show all notes asked for no password"
    tdrv set-text "$dlg" "$IDC_PASSWORD" "$1" || die "could not type into the password entry"
    tdrv press "$dlg" "$2" || die "could not press button $2 of the password dialog"
    tdrv wait-closed "$dlg" "$WAIT_MS" || fail "the password dialog stayed open"
}

case_password_lock() {
    new_prefix
    {
        settings 2 ShowAllPasswordYesNo=Yes "ShowAllNotesPassword=$(wrap Secret7)"
        note_ini 1 TitleText=Private Left=200 Top=150 Hidden=Yes
        note_ini 2 TitleText=Diary Left=500 Top=150 Hidden=Yes
    } | write_ini
    start_pinwell
    read_notes
    [ "${#note_hwnd[@]}" -eq 2 ] && [ "$(visible_count)" -eq 0 ] ||
        die "expected two hidden notes at start (notes: $(drv notes | tr '\n' ';'))"

    # Case matters: the wrong password differs in one letter's case only.
    ask_password secret7 "$IDOK"
    local box text
    box=$(wait_dialog Pinwell 0) || die "no message after a wrong password"
    text=$(drv child-text "$box" 0xFFFF)
    [ "$text" = "Sorry wrong password entered." ] || fail "the message reads '$text'"
    shot tray_wrong_password
    tdrv press "$box" "$IDOK" || die "could not close the message"
    tdrv wait-closed "$box" "$WAIT_MS" || die "the message stayed open"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    sleep 1
    read_notes
    [ "$(visible_count)" -eq 0 ] || fail "a wrong password showed $(visible_count) note(s)"

    # Cancel shows nothing and says nothing.
    ask_password Secret7 "$IDCANCEL"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    sleep 1
    tdrv wait-window '#32770' Pinwell 0 0 >/dev/null 2>&1 && fail "a message came after Cancel"
    read_notes
    [ "$(visible_count)" -eq 0 ] || fail "Cancel showed $(visible_count) note(s)"

    ask_password Secret7 "$IDOK"
    drv wait-visible 2 "$WAIT_MS" || fail "the right password did not show both notes"
    tdrv wait-window '#32770' Pinwell 0 0 >/dev/null 2>&1 && fail "a message came after the right password"
    read_notes
    expect_note Private 1 200 150 200 150
    expect_note Diary 1 500 150 200 150
}

case_hot_key() {
    command -v xdotool >/dev/null || die "xdotool is not installed: the real Alt+N needs it (apt-get install xdotool)"
    new_prefix
    { settings 1; note_ini 1 TitleText=First Left=300 Top=200; } | write_ini
    start_pinwell
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"

    # The message the system sends for the registered Alt+N.
    drv post "$main_hwnd" "$WM_HOTKEY" 1 $(((0x4E << 16) | 1)) || die "could not post WM_HOTKEY"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || fail "WM_HOTKEY made no note"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_key PINWELL NumberOfNotes 2

    # The real keys, through the X server, while a note has the focus: a new
    # note, and the "n" does not reach the focused body.
    read_notes
    local first first_left first_top body
    find_note first First
    drv click $((first_left + 100)) $((first_top + 80)) left || die "could not click into the note body"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    xdotool key --clearmodifiers alt+n || die "xdotool could not press Alt+N"
    drv wait-notes 3 "$WAIT_MS" >/dev/null || fail "a real Alt+N made no note"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    body=$(drv body-text "$first") || fail "cannot read the body of First"
    [ "$body" = "body of note 1" ] || fail "after Alt+N the focused body reads $(printf %q "$body")"
    expect_key PINWELL NumberOfNotes 3

    # Switched off, the key is not taken.
    stop_pinwell
    sed -i 's/^\[PINWELL\]\r$/[PINWELL]\r\nDisableHotkey=Yes\r/' "$ini"
    start_pinwell
    drv wait-notes 3 "$WAIT_MS" >/dev/null || die "the three notes did not come back"
    read_notes
    find_note first First
    drv click $((first_left + 100)) $((first_top + 80)) left || die "could not click into the note body"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    xdotool key --clearmodifiers alt+n || die "xdotool could not press Alt+N"
    sleep 2
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    drv wait-note-count 3 0 || fail "Alt+N made a note although DisableHotkey is Yes"
}

# The theme table's green look.
GREEN_BODY=11327147 GREEN_TITLE=8700283

case_green_theme() {
    new_prefix
    local courier='{\rtf1\ansi{\fonttbl{\f0 Courier New;}}\f0\fs24 keep this text\par|}'
    {
        settings 2
        note_ini 1 TitleText=Full Left=200 Top=150 Width=240 Height=180 EditFont="Courier New" EditFontSize=12 \
            EditFontType=I TitleFont=Tahoma TitleFontSize=10 TitleFontType=BL EditBackColor=10658534 \
            TitleBackColor=7106779 TitleTextColor=16777215 EditText="$courier"
        note_ini 2 TitleText=Colours Left=600 Top=150 Width=240 Height=180 EditFont="Courier New" EditFontSize=12 \
            EditFontType=I TitleFont=Tahoma TitleFontSize=10 TitleFontType=BL EditBackColor=10658534 \
            TitleBackColor=7106779 TitleTextColor=16777215 EditText="$courier"
    } | write_ini
    start_pinwell
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the two notes did not show"
    read_notes
    local full full_left full_top colours colours_left colours_top
    find_note full Full
    find_note colours Colours

    # OnChangeTheme empty: colours and fonts.
    [ -z "$(ini_get "$ini" PINWELL OnChangeTheme)" ] || die "OnChangeTheme is set"
    drv post "$full" "$WM_COMMAND" "$CMD_THEME_GREEN" 0 || die "could not send Green"
    expect_painted tray_green_theme 320 $((150 + 160)) "$(rgb $GREEN_BODY)"
    expect_painted tray_green_theme 206 156 "$(rgb $GREEN_TITLE)"
    drv post "$full" "$WM_NOTE_SHOWHIDE" 0 0 || die "could not ask the note to hide"
    wait_key NOTE_ID_1 Hidden Yes
    expect_key NOTE_ID_1 EditBackColor $GREEN_BODY
    expect_key NOTE_ID_1 TitleBackColor $GREEN_TITLE
    expect_key NOTE_ID_1 EditTextColor 0
    expect_key NOTE_ID_1 TitleTextColor 0
    expect_key NOTE_ID_1 EditFont Verdana
    expect_key NOTE_ID_1 EditFontSize 8
    expect_key NOTE_ID_1 EditFontType ""
    expect_key NOTE_ID_1 TitleFont Verdana
    expect_key NOTE_ID_1 TitleFontSize 8
    expect_key NOTE_ID_1 TitleFontType C
    expect_key NOTE_ID_1 Border Yes
    expect_key NOTE_ID_1 TitleText Full
    ini_get "$ini" NOTE_ID_1 EditText | grep -q 'keep this text' || fail "[NOTE_ID_1] lost its body text"

    # "Colors": the colours change, the fonts stay.
    sed -i 's/^\[PINWELL\]\r$/[PINWELL]\r\nOnChangeTheme=Colors\r/' "$ini"
    drv post "$colours" "$WM_COMMAND" "$CMD_THEME_GREEN" 0 || die "could not send Green"
    expect_painted tray_green_theme_colours 720 $((150 + 160)) "$(rgb $GREEN_BODY)"
    drv post "$colours" "$WM_NOTE_SHOWHIDE" 0 0 || die "could not ask the note to hide"
    wait_key NOTE_ID_2 Hidden Yes
    expect_key NOTE_ID_2 EditBackColor $GREEN_BODY
    expect_key NOTE_ID_2 TitleBackColor $GREEN_TITLE
    expect_key NOTE_ID_2 TitleTextColor 0
    expect_key NOTE_ID_2 EditFont "Courier New"
    expect_key NOTE_ID_2 EditFontSize 12
    expect_key NOTE_ID_2 EditFontType I
    expect_key NOTE_ID_2 TitleFont Tahoma
    expect_key NOTE_ID_2 TitleFontSize 10
    expect_key NOTE_ID_2 TitleFontType BL
}

# stamp SECONDS_FROM_NOW FORMAT: the local time then, in date's FORMAT.
stamp() { date -d "@$(($(date +%s) + $1))" "+$2"; }

case_expired_gone() {
    new_prefix
    {
        settings 4
        note_ini 1 TitleText=Plain Left=200 Top=150
        note_ini 2 TitleText=Old Left=450 Top=150 Expiration="$(stamp -86400 %d%m%Y-%H%M%S)-1"
        note_ini 3 TitleText=Keep Left=700 Top=150 Expiration="$(stamp 86400 %d%m%Y)-235959-9"
        # 31 February: no such day. Not a moment in the past, so no reason
        # to delete the note.
        note_ini 4 TitleText=Odd Left=200 Top=450 Expiration=31022025-100000-1
    } | write_ini
    start_pinwell
    drv wait-note-count 3 "$WAIT_MS" || fail "$(drv notes | wc -l) note windows after start-up, expected 3"
    read_notes
    [ -z "$(note_index Old)" ] || fail "the expired note still has a window"
    [ -z "$(section_of Old)" ] || fail "the expired note's section [$(section_of Old)] is still in the file"
    local title
    for title in Plain Keep Odd; do
        [ -n "$(note_index "$title")" ] || fail "the note '$title' has no window"
        [ -n "$(section_of "$title")" ] || fail "the note '$title' lost its section"
    done
    # Shown with the expire icon; the impossible value is kept as it was.
    local sec vis keep keep_left keep_top odd odd_left odd_top
    find_note keep Keep
    find_note odd Odd
    read -r _ _ _ _ vis <<<"$(drv child-rect "$keep" "$IDC_EXPIRE_ICON")"
    [ "$vis" = 1 ] || fail "the note that expires tomorrow shows no expire icon"
    drv post "$odd" "$WM_NOTE_SHOWHIDE" 0 0 || die "could not ask Odd to hide"
    sec=$(section_of Odd)
    [ -n "$sec" ] && wait_key "$sec" Hidden Yes && expect_key "$sec" Expiration 31022025-100000-1
}

case_alarm_rings() {
    new_prefix
    # The alarm minute must still be the current one when start-up is over.
    local s
    s=$(date +%-S)
    if [ "$s" -gt 40 ]; then
        log "waiting $((61 - s)) s for the next minute"
        sleep $((61 - s))
    fi
    local minute now_day
    minute=$(date +%H%M) now_day=$(date +%d%m%Y)
    local later
    later=$(stamp 7200 %H%M)
    {
        settings 4
        note_ini 1 TitleText=Wake Left=200 Top=150 Alarm="$now_day-${minute}00-1-1"
        note_ini 2 TitleText=Sleeper Left=450 Top=150 Hidden=Yes Alarm="$now_day-${minute}00-1-0"
        note_ini 3 TitleText=Later Left=700 Top=150 Alarm="$now_day-${later}00-1-0"
        note_ini 4 TitleText=Missed Left=200 Top=400 Alarm="$(stamp -86400 %d%m%Y-%H%M)00-0-0"
    } | write_ini
    start_pinwell
    [ "$(date +%H%M)" = "$minute" ] || log "note: start-up ran into the next minute"
    drv wait-visible 4 "$WAIT_MS" || fail "the hidden note with a due alarm was not shown ($(drv notes | awk '$2 == 1' | wc -l) of 4 visible)"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    read_notes

    # The icons as the screen shows them, against the two pictures.
    local ringing=$root/res/bmp/bitmap_195.bmp normal=$root/res/bmp/bitmap_194.bmp
    local title il it iw ih iv png=$shots/tray_alarm_rings.png
    sleep 0.5
    shot tray_alarm_rings
    local n n_left n_top
    for title in Wake Sleeper Later; do
        find_note n "$title"
        read -r il it iw ih iv <<<"$(drv child-rect "$n" "$IDC_ALARM_ICON")"
        [ "$iv" = 1 ] || { fail "the alarm icon of '$title' is not visible"; continue; }
        [ "$iw $ih" = "11 11" ] || fail "the alarm icon of '$title' is ${iw}x$ih, expected 11x11"
        local l=$n_left t=$n_top
        [ "$il $it" = "$((l + 3)) $((t + 4))" ] || fail "the alarm icon of '$title' is at ($il, $it), expected ($((l + 3)), $((t + 4)))"
        local d_ring d_normal
        d_ring=$(differing_pixels "$png" "$il" "$it" "$ringing") || die "cannot compare the icon area"
        d_normal=$(differing_pixels "$png" "$il" "$it" "$normal") || die "cannot compare the icon area"
        if [ "$title" = Later ]; then
            [ "$d_normal" -eq 0 ] || fail "'$title' (alarm in two hours) does not show the normal alarm picture ($d_normal pixels differ, $d_ring from the ringing one)"
        else
            [ "$d_ring" -eq 0 ] || fail "'$title' does not show the ringing picture ($d_ring pixels differ, $d_normal from the normal one)"
        fi
    done
    convert "$png" -crop 700x200+190+140 +repage "$shots/tray_alarm_icons.png" 2>/dev/null

    # A ringing note comes to the front; the user's next keys must not
    # replace its whole text.
    for title in Wake Sleeper; do
        find_note n "$title"
        expect_no_selection "$n" "of '$title' after it rang"
    done

    # A one-time alarm that passed while the program was closed is cleared
    # without ringing, and the note keeps everything else.
    local missed missed_left missed_top
    find_note missed Missed
    # The icon goes with a note tick (20 s) at the latest.
    local deadline=$((SECONDS + 25))
    while read -r _ _ _ _ iv <<<"$(drv child-rect "$missed" "$IDC_ALARM_ICON")" && [ "$iv" != 0 ]; do
        [ "$SECONDS" -ge "$deadline" ] && break
        sleep 1
    done
    [ "$iv" = 0 ] || fail "the passed one-time alarm still shows its icon after 25 s"
    expect_key NOTE_ID_4 Alarm ""
    expect_key NOTE_ID_4 TitleText Missed
    expect_key NOTE_ID_1 Alarm "$now_day-${minute}00-1-1"
}

case_schedule_dialogs() {
    new_prefix
    {
        settings 1 LastSavedThemeNumber=2
        printf '[SAVED_THEMES]\n91001=Meadow\n91002=Night sky\n'
        note_ini 91001 TitleText= EditBackColor=11327147 TitleBackColor=8700283 Left=0 Top=0 Width=0 Height=0 \
            EditText= Border=Yes
        note_ini 91002 TitleText= EditBackColor=5592405 TitleBackColor=3355443 EditTextColor=16777215 \
            TitleTextColor=16777215 Left=0 Top=0 Width=0 Height=0 EditText= Border=Yes
        note_ini 1 TitleText=Planner Left=200 Top=150 Width=240 Height=180
    } | write_ini
    start_pinwell
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the note did not show"
    read_notes
    local planner planner_left planner_top
    find_note planner Planner
    # No tooltip over the dialogs in the screenshots.
    tdrv cursor 1270 1010 || fail "could not move the cursor"

    # Organize themes: the two saved themes listed.
    drv post "$planner" "$WM_COMMAND" "$CMD_ORGANIZE_THEMES" 0 || die "could not send Organize themes"
    local dlg
    dlg=$(wait_dialog "Organize themes" "$planner") || die "Organize themes did not open"
    local list ll lt rows
    read -r list _ ll lt _ <<<"$(tdrv children "$dlg" | awk '$2 == "SysListView32" {print; exit}')"
    [ -n "$list" ] || die "the dialog has no list"
    rows=$(drv send "$list" 0x1004 0 0 5000) || fail "cannot count the rows of the theme list"
    [ "$rows" = 2 ] || fail "the theme list has '$rows' rows, expected 2"
    # Nothing selected: only Sort works.
    expect_buttons "$dlg" 0 "enabled with no theme selected" $IDC_THEME_RENAME $IDC_THEME_DELETE $IDC_THEME_UP $IDC_THEME_DOWN
    expect_buttons "$dlg" 1 "greyed with two themes listed" $IDC_THEME_SORT
    sleep 0.5
    shot tray_organize_themes

    # The first row selected by a click, moved down, the dialog closed: the
    # file holds the themes in the new order, each with its own look.
    drv click $((ll + 40)) $((lt + 28)) left || die "could not click the first theme"
    drv ping "$WAIT_MS" >/dev/null
    local deadline=$((SECONDS + 5))
    until [ "$(tdrv enabled "$dlg" $IDC_THEME_DOWN)" = 1 ] || [ "$SECONDS" -ge "$deadline" ]; do sleep 0.2; done
    expect_buttons "$dlg" 1 "greyed with one theme selected" $IDC_THEME_RENAME $IDC_THEME_DELETE $IDC_THEME_UP $IDC_THEME_DOWN
    tdrv cursor 1270 1010
    sleep 0.5
    shot tray_organize_themes_selected
    tdrv press "$dlg" $IDC_THEME_DOWN || die "could not press Down"
    drv ping "$WAIT_MS" >/dev/null
    tdrv press "$dlg" "$IDOK" || die "could not press Close"
    tdrv wait-closed "$dlg" "$WAIT_MS" || die "Organize themes did not close"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_key SAVED_THEMES 91001 "Night sky"
    expect_key SAVED_THEMES 91002 Meadow
    expect_key NOTE_ID_91001 EditBackColor 5592405
    expect_key NOTE_ID_91001 NoteID 91001
    expect_key NOTE_ID_91002 EditBackColor 11327147
    expect_key PINWELL LastSavedThemeNumber 2
    ! has_section "$ini" NOTE_ID_92001 || fail "a temporary theme record 92001 was left in the file"

    # Set alarm: nothing set, so the alarm controls are off; Cancel changes
    # nothing.
    drv post "$planner" "$WM_COMMAND" "$CMD_SET_ALARM" 0 || die "could not send Set alarm"
    dlg=$(wait_dialog "Note alarm" "$planner") || die "the alarm dialog did not open"
    [ "$(tdrv checked "$dlg" $IDC_ALARM_OFF)" = 1 ] || fail "'No alarm is set' is not selected for a note without alarm"
    sleep 0.5
    shot tray_alarm_dialog
    tdrv press "$dlg" "$IDCANCEL" || die "could not press Cancel"
    tdrv wait-closed "$dlg" "$WAIT_MS" || die "the alarm dialog did not close"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_key NOTE_ID_1 Alarm ""
    # Back in the note, the user goes on typing: a key must not replace the
    # whole text.
    expect_no_selection "$planner" "after the alarm dialog closed"

    # A one-time alarm at the current minute lies in the past (seconds 00):
    # Apply keeps the dialog open with the focus on the time. Daily is taken.
    local s
    s=$(date +%-S)
    [ "$s" -gt 50 ] && sleep $((61 - s))
    local day minute
    day=$(date +%d%m%Y) minute=$(date +%H%M)
    drv post "$planner" "$WM_COMMAND" "$CMD_SET_ALARM" 0 || die "could not send Set alarm"
    dlg=$(wait_dialog "Note alarm" "$planner") || die "the alarm dialog did not open"
    tdrv click-button "$dlg" $IDC_ALARM_ON || die "could not select 'Use alarm and settings bellow'"
    tdrv combo-select "$dlg" $IDC_ALARM_REPEAT 0 || die "could not choose None"
    tdrv press "$dlg" "$IDOK" || die "could not press Apply"
    drv ping "$WAIT_MS" >/dev/null
    sleep 1
    if tdrv wait-closed "$dlg" 0 2>/dev/null; then
        fail "Apply closed the dialog with a one-time alarm in the past"
    else
        [ "$(tdrv focus-id "$dlg")" = "$IDC_ALARM_TIME" ] || fail "the focus is on control $(tdrv focus-id "$dlg"), not the time"
        tdrv combo-select "$dlg" $IDC_ALARM_REPEAT 1 || die "could not choose Daily"
        tdrv combo-select "$dlg" $IDC_ALARM_SOUND 0 || die "could not choose no sound"
        tdrv press "$dlg" "$IDOK" || die "could not press Apply"
        tdrv wait-closed "$dlg" "$WAIT_MS" || fail "Apply with a daily alarm did not close the dialog"
    fi
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    wait_key NOTE_ID_1 Alarm "$day-${minute}00-1-0"
    local vis il
    read -r il _ _ _ vis <<<"$(drv child-rect "$planner" "$IDC_ALARM_ICON")"
    [ "$vis" = 1 ] || fail "no alarm icon after the alarm was set"
    [ "$il" = $((200 + 3)) ] || fail "the alarm icon is at x $il, expected $((200 + 3))"

    # Set expiration: never expires, as stored; the end of today applied.
    drv post "$planner" "$WM_COMMAND" "$CMD_SET_EXPIRATION" 0 || die "could not send Set expiration"
    dlg=$(wait_dialog "Note expiration" "$planner") || die "the expiration dialog did not open"
    [ "$(tdrv checked "$dlg" $IDC_EXPIRE_NEVER)" = 1 ] || fail "'Note never expire' is not selected"
    sleep 0.5
    shot tray_expiration_dialog
    day=$(date +%d%m%Y)
    tdrv click-button "$dlg" $IDC_EXPIRE_END_OF_DAY || die "could not select 'Expire at the end of day'"
    tdrv press "$dlg" "$IDOK" || die "could not press Apply"
    tdrv wait-closed "$dlg" "$WAIT_MS" || fail "the expiration dialog did not close"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    wait_key NOTE_ID_1 Expiration "$day-235959-9"
    local el ev
    read -r el _ _ _ ev <<<"$(drv child-rect "$planner" "$IDC_EXPIRE_ICON")"
    read -r il _ _ _ vis <<<"$(drv child-rect "$planner" "$IDC_ALARM_ICON")"
    [ "$ev $el" = "1 203" ] || fail "expire icon visible/x = $ev/$el, expected 1/203"
    [ "$vis $il" = "1 215" ] || fail "alarm icon visible/x = $vis/$il, expected 1/215 beside the expire icon"
    shot tray_both_icons
    convert "$shots/tray_both_icons.png" -crop 260x200+190+140 +repage "$shots/tray_both_icons.png" 2>/dev/null

    # Opened again, the dialogs show the stored values in their captions.
    drv post "$planner" "$WM_COMMAND" "$CMD_SET_ALARM" 0 || die "could not send Set alarm"
    local want_caption
    want_caption="Alarm set $(date +%d.%m.%Y) at ${minute:0:2}:${minute:2:2} daily"
    dlg=$(wait_dialog "$want_caption" "$planner") || die "no alarm dialog captioned '$want_caption'"
    [ "$(tdrv checked "$dlg" $IDC_ALARM_ON)" = 1 ] || fail "the alarm dialog does not show the alarm as on"
    sleep 0.5
    shot tray_alarm_dialog_set
    tdrv press "$dlg" "$IDCANCEL" || die "could not press Cancel"
    tdrv wait-closed "$dlg" "$WAIT_MS" || die "the alarm dialog did not close"
    expect_key NOTE_ID_1 Alarm "$day-${minute}00-1-0"
}

# ------------------------------------------------------------------ main ---

e2e_main "${BASH_SOURCE[0]}" "$@"
