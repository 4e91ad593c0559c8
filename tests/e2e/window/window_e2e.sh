#!/usr/bin/env bash
# End-to-end cases of the note window on the screen: the real Pinwell.exe
# under Wine, judged by what the screen shows and by real mouse input
# (xdotool on the X display, so the system's own hit testing routes it).
#
#   window_e2e.sh <case>     run one case        window_e2e.sh all     run every case
#   window_e2e.sh list       name the cases
#
# Settings: PINWELL_BIN_DIR, PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR (see ../lib.sh).
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_TMP_TAG=window

CASES="family_win10 family_win7 family_winxp64 family_win98 edge_resize roll_click ringing_alarm"

CMD_HIDE_NOTE=32861

BODY_BACK=11327147   # 0x00ACD6AB: green body
TITLE_BACK=7106779   # 0x006C70DB: red strip

check_programs() {
    require_programs
    command -v xdotool >/dev/null || die "xdotool is missing (tools/install-deps.sh installs it)"
}

# write_notes NOTE_KEYS...: the settings and one note, "Plain", at (100, 120)
# 240 x 180 unless the arguments say otherwise.
write_notes() {
    {
        settings 1
        note_record 1 TitleText=Plain EditBackColor=$BODY_BACK TitleBackColor=$TITLE_BACK \
            Left=100 Top=120 Width=240 Height=180 "$@"
    } | write_ini
}

start_pinwell() {
    launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"
    read_notes
    plain=$(note_index Plain) || die "no note titled Plain (titles: ${note_title[*]})"
    plain_hwnd=${note_hwnd[$plain]}
}

stop_pinwell() {
    local pid=${started_groups[-1]}
    drv command "$CMD_EXIT" || fail "could not send Exit"
    wait_exit "$pid" 20 || fail "Pinwell did not end within 20 s of Exit"
}

# expect_note_drawn NAME: the body and the title strip of Plain show their
# colours on the screen.
expect_note_drawn() {
    local l=${note_left[$plain]} t=${note_top[$plain]} w=${note_w[$plain]} h=${note_h[$plain]}
    expect_painted "$1" $((l + w / 2)) $((t + h - 12)) "$(rgb $BODY_BACK)"
    expect_painted "$1" $((l + 6)) $((t + 10)) "$(rgb $TITLE_BACK)"
}

# family_of MAJOR.MINOR: the operating-system family label the program
# derives from the reported version.
family_of() {
    local major=${1%%.*} minor=${1#*.}
    case $major in
    1 | 2 | 3 | 4) echo "Windows 95/98/Me" ;;
    5) echo "Windows 2000/XP" ;;
    6 | 7) [ "$minor" -le 1 ] && echo "Windows 7/8" || echo "Windows 10" ;;
    10) echo "Windows 10" ;;
    *) echo "" ;;
    esac
}

# A stored note is drawn on each Windows family the prefix can claim to be,
# and comes back drawn after "Hide note" (which fades it out) and "Show all
# notes". Wine takes the version from HKCU\Software\Wine at process start;
# the driver reads the version the program is told. A Wine that refuses a
# version reports its default instead: that family's case is then skipped,
# and says so. The empty label (versions no Wine claims) is left to the
# window tests, which set the label themselves.
family_case() { # WINE-VERSION FAMILY
    new_prefix
    write_notes
    local version=$1 want=$2 got label
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1 ||
        die "cannot set the Windows version $version"
    got=$(drv version) || die "pwdriver version failed"
    label=$(family_of "$got")
    [ "$label" = "$want" ] || skip "asked for $version, Wine reports Windows $got ($label), not the family $want"
    log "$version: the program is told Windows $got, family \"$label\""
    start_pinwell
    expect_note_drawn "family_$version"
    drv post "$plain_hwnd" "$WM_COMMAND" "$CMD_HIDE_NOTE" 0 || die "could not post Hide note"
    drv wait-visible 0 "$WAIT_MS" || fail "Hide note left the note visible"
    drv command "$CMD_SHOW_ALL" || die "could not send Show all notes"
    drv wait-visible 1 "$WAIT_MS" || fail "Show all notes did not bring the note back"
    expect_note_drawn "family_${version}_shown_again"
    # Without a compositor Wine draws any alpha as opaque: the value is what
    # real Windows would show.
    got=$(drv alpha "$plain_hwnd") || die "pwdriver alpha failed"
    case $got in 255|none) ;; *) fail "the note shown again has alpha $got" ;; esac
    stop_pinwell
}
case_family_win10() { family_case win10 "Windows 10"; }
case_family_win7() { family_case win7 "Windows 7/8"; }
case_family_winxp64() { family_case winxp64 "Windows 2000/XP"; }
case_family_win98() { family_case win98 "Windows 95/98/Me"; }

# xdrag X1 Y1 X2 Y2: a real left-button drag on the screen.
xdrag() {
    xdotool mousemove "$1" "$2" sleep 0.3 mousedown 1 sleep 0.3 \
        mousemove $(($1 + ($3 - $1) / 2)) $(($2 + ($4 - $2) / 2)) sleep 0.2 \
        mousemove "$3" "$4" sleep 0.3 mouseup 1 || fail "xdotool drag failed"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
}

# The sizing zones reach over the body: a drag that starts 3 pixels inside
# the right edge and 8 above the bottom (over the body, which ends 2 pixels
# from the edges) resizes from the corner; one that starts 4 pixels inside
# the left edge resizes from the left; 30 pixels inside it edits the text.
case_edge_resize() {
    new_prefix
    write_notes
    start_pinwell
    local l=100 t=120 r=340 b=300
    expect_note Plain 1 $l $t 240 180
    xdrag $((r - 3)) $((b - 8)) $((r + 57)) $((b + 32))
    read_notes
    expect_note Plain 1 $l $t 300 220
    r=400 b=340
    xdrag $((l + 4)) $((t + 100)) $((l - 36)) $((t + 100))
    read_notes
    expect_note Plain 1 $((l - 40)) $t 340 220
    l=60
    xdrag $((l + 30)) $((t + 100)) $((l + 80)) $((t + 100))
    read_notes
    expect_note Plain 1 $l $t 340 220
    expect_note_drawn edge_resize
    convert "$shots/edge_resize.png" -crop 400x280+20+80 "$shots/resized_from_edge.png" 2>/dev/null ||
        fail "cannot cut the resized note out of the screen"
    stop_pinwell
    expect_key NOTE_ID_1 Width 340
    expect_key NOTE_ID_1 Height 220
}

# xdouble X Y: a real double-click.
xdouble() {
    xdotool mousemove "$1" "$2" sleep 0.3 click --repeat 2 --delay 60 1 || fail "xdotool click failed"
    sleep 0.3
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
}

# Only a double-click on the title strip rolls the note up or down: not one
# on a sizing edge, nor on the margin beside the body.
case_roll_click() {
    new_prefix
    write_notes
    start_pinwell
    local l=100 t=120 r=340 b=300 at
    for at in "$((r - 3)) $((t + 90))" "$((l + 1)) $((t + 60))" "$((l + 120)) $((b - 1))" "$((l + 120)) $((t + 2))"; do
        xdouble $at
        read_notes
        expect_note Plain 1 $l $t 240 180
    done
    xdouble $((l + 60)) $((t + 10))
    read_notes
    expect_note Plain 1 $l $t 240 20
    xdouble $((l + 60)) $((t + 10))
    read_notes
    expect_note Plain 1 $l $t 240 180
    stop_pinwell
    expect_key NOTE_ID_1 Minimized No
}

# A one-time alarm due in the start-up minute rings when the note is created,
# some seconds after the minute began: the strip shows the ringing picture
# while the value is already cleared and stored; the picture goes at the
# next 20-second tick.
case_ringing_alarm() {
    new_prefix
    # Far enough from the end of the minute that start-up stays inside it.
    while [ "$(date +%-S)" -gt 35 ] || [ "$(date +%-S)" -lt 3 ]; do sleep 1; done
    write_notes Alarm="$(date +%d%m%Y-%H%M)00-0-0"
    start_pinwell
    local l=${note_left[$plain]} t=${note_top[$plain]} x y w h vis
    read -r x y w h vis <<<"$(drv child-rect "$plain_hwnd" 1016)"
    [ "$vis" = 1 ] || fail "the alarm icon is hidden while the alarm rings"
    [ "$x $y" = "$((l + 3)) $((t + 4))" ] || fail "the alarm icon is at ($x, $y), expected ($((l + 3)), $((t + 4)))"
    expect_key NOTE_ID_1 Alarm ""
    # The middle of the ringing picture is dark red (the normal one's black).
    expect_painted ringing_alarm $((x + 5)) $((y + 5)) 820F0F
    convert "$shots/ringing_alarm.png" -crop 260x80+90+110 -scale 300% "$shots/ringing_alarm_strip.png" 2>/dev/null
    local deadline=$((SECONDS + 30))
    while read -r _ _ _ _ vis <<<"$(drv child-rect "$plain_hwnd" 1016)"; [ "$vis" = 1 ]; do
        [ "$SECONDS" -ge "$deadline" ] && { fail "the alarm icon is still shown 30 s after the ring"; break; }
        sleep 1
    done
    stop_pinwell
}

e2e_main "${BASH_SOURCE[0]}" "$@"
