#!/usr/bin/env bash
# End-to-end case of the settings dialog: the real Pinwell.exe under Wine,
# the dialog opened from the tray window's "Settings" command and driven
# from outside.
#
#   settings_e2e.sh <case>     run one case        settings_e2e.sh all     run every case
#   settings_e2e.sh list       name the cases
#
# Settings as for the other end-to-end scripts (PINWELL_BIN_DIR,
# PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR). Without DISPLAY the script runs
# itself on a virtual screen.
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_PROGRAMS+=" traydriver.exe"
E2E_TMP_TAG=settings

CASES="settings_dialog"

CMD_SETTINGS=32877
IDCANCEL=2
# Sheet and page controls.
IDC_TAB=1033
IDC_GEN_DATE_FORMAT=1034
IDC_GEN_DATE_PREVIEW=1058
IDC_GEN_SCROLL_NO=1041
IDC_DEF_WIDTH=1041
IDC_DEF_HEIGHT=1040
IDC_NET_PORT=1053
# The text of a message box.
IDC_BOX_TEXT=0xFFFF


main_hwnd=
start_pinwell() {
    launch_pinwell
    main_hwnd=$(drv wait-main "$START_MS") || die "main dialog did not come up"
}

# The three pages are the dialogs inside the sheet, in tab order; their
# handles go to page0..page2 and whether each is shown to shown0..shown2.
read_pages() {
    local lines i=0 h vis
    lines=$(tdrv children "$sheet" | awk '$2 == "#32770" {print $1, $7}') || return 1
    while read -r h vis; do
        printf -v "page$i" %s "$h"
        printf -v "shown$i" %s "$vis"
        i=$((i + 1))
    done <<<"$lines"
    [ "$i" -eq 3 ]
}

# only_page N: page N is the one shown.
only_page() {
    read_pages || { fail "the sheet does not hold three pages"; return 1; }
    local want=("0" "0" "0")
    want[$1]=1
    [ "$shown0 $shown1 $shown2" = "${want[*]}" ] || {
        fail "pages shown: $shown0 $shown1 $shown2, expected ${want[*]} ($2)"
        return 1
    }
}

# click_tab N: the mouse on tab N's header (the headers sit at the top left
# of the tab control, about 100-130 pixels each).
click_tab() {
    local offsets=(50 165 285)
    drv click $((tab_left + offsets[$1])) $((tab_top + 10)) left || fail "could not click tab $1"
    drv ping "$WAIT_MS" >/dev/null
    sleep 0.3
}

# format_index PAGE: the date format list's selection (the page's only
# drop-down list); a list's text is not readable from outside.
CB_GETCURSEL=0x147
format_index() {
    local combo
    combo=$(tdrv children "$1" | awk '$2 == "ComboBox" {print $1; exit}')
    [ -n "$combo" ] && drv send "$combo" "$CB_GETCURSEL" 0 0 "$WAIT_MS"
}

# answer_box WANTED_START: a message box over the sheet whose text starts as
# given; pressed OK.
answer_box() {
    local box text
    box=$(tdrv wait-window '#32770' Pinwell "$sheet" "$WAIT_MS") || { fail "no message box ($1...)"; return 1; }
    text=$(drv child-text "$box" "$IDC_BOX_TEXT")
    [[ "$text" == "$1"* ]] || fail "the message reads '$text', expected it to start with '$1'"
    [ -n "${2:-}" ] && { sleep 0.3; shot "$2"; }
    tdrv press "$box" "$IDOK" || fail "could not press OK in the message box"
    tdrv wait-closed "$box" "$WAIT_MS" || fail "the message box stayed open"
}

open_settings() {
    drv command "$CMD_SETTINGS" || die "could not send Settings"
    sheet=$(tdrv wait-window '#32770' "Pinwell 3.lan Settings" "$main_hwnd" "$WAIT_MS") ||
        die "the settings dialog did not open"
    read -r _ _ tab_left tab_top _ <<<"$(tdrv children "$sheet" | awk '$2 == "SysTabControl32" {print; exit}')"
    [ -n "$tab_left" ] || die "the sheet has no tab control"
    read_pages || die "the sheet does not hold three pages"
}

case_settings_dialog() {
    new_prefix
    {
        settings 1 DefaultDateFormat=DD.MM.YYYY
        note_record 1 TitleText=Kept Left=40 Top=40 "EditText={\\rtf1 $(printf 'line %s\\par ' {1..30})}"
    } | write_ini
    start_pinwell
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"
    # No tooltip over the pictures.
    tdrv cursor 1270 1010

    local sheet tab_left tab_top page0 page1 page2 shown0 shown1 shown2
    open_settings
    only_page 0 "on opening"
    [ "$(format_index "$page0")" = 0 ] || fail "the date format list does not show the stored DD.MM.YYYY"
    [ "$(drv child-text "$page0" "$IDC_GEN_DATE_PREVIEW")" = "$(date +%d.%m.%Y)" ] ||
        fail "the date preview reads '$(drv child-text "$page0" "$IDC_GEN_DATE_PREVIEW")'"
    sleep 0.5
    shot settings_general

    click_tab 1
    only_page 1 "after clicking the second tab"
    tdrv cursor 1270 1010
    sleep 0.5
    shot settings_default_note

    click_tab 0
    only_page 0 "after clicking the first tab"

    # Changes on all three pages; the port is refused first, which brings the
    # network page to the front, and the two pages before it are stored.
    tdrv combo-select "$page0" "$IDC_GEN_DATE_FORMAT" 3 || fail "could not choose MM/DD/YYYY"
    tdrv click-button "$page0" "$IDC_GEN_SCROLL_NO" || fail "could not choose no scroll bar"
    [ "$(drv child-text "$page0" "$IDC_GEN_DATE_PREVIEW")" = "$(date +%m/%d/%Y)" ] ||
        fail "the date preview did not follow the new format"
    tdrv set-text "$page1" "$IDC_DEF_WIDTH" 300 || fail "could not type the width"
    tdrv set-text "$page1" "$IDC_DEF_HEIGHT" 200 || fail "could not type the height"
    tdrv set-text "$page2" "$IDC_NET_PORT" 1024 || fail "could not type the port"
    tdrv press "$sheet" "$IDOK" || die "could not press Save and Apply changes"
    answer_box "Default network communication port is not valid. Valid port range is 1-65535." settings_port_refused
    drv ping "$WAIT_MS" >/dev/null
    tdrv wait-closed "$sheet" 0 2>/dev/null && die "the sheet closed although the port was refused"
    only_page 2 "after the port was refused"
    expect_key PINWELL DefaultDateFormat MM/DD/YYYY
    expect_key PINWELL DefaultWidth 300
    expect_key PINWELL CommunicationPort "$port"
    tdrv cursor 1270 1010
    sleep 0.5
    shot settings_network

    tdrv set-text "$page2" "$IDC_NET_PORT" 3000 || fail "could not type the port"
    tdrv press "$sheet" "$IDOK" || die "could not press Save and Apply changes"
    answer_box "You have changed default program network communication port." settings_port_notice
    tdrv wait-closed "$sheet" "$WAIT_MS" || die "the sheet stayed open after a good save"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_key PINWELL CommunicationPort 3000
    expect_key PINWELL DefaultHeight 200
    expect_key PINWELL ShowScrollBar No
    # The open note, longer than it shows, loses its scroll bar at once.
    expect_painted settings_no_scroll_bar 232 150 "$(rgb 16763799)"
    expect_key PINWELL SentFrom ""

    # "Settings" works again and shows what was saved; Cancel keeps it.
    open_settings
    [ "$(format_index "$page0")" = 3 ] || fail "reopened, the date format list does not show MM/DD/YYYY"
    # pwdriver's set-text answers with the text it replaced.
    local before
    before=$(drv set-text "$page2" "$IDC_NET_PORT" 4000) || fail "could not type the port"
    [ "$before" = 3000 ] || fail "reopened, the port reads '$before', not 3000"
    tdrv press "$sheet" "$IDCANCEL" || die "could not press Cancel"
    tdrv wait-closed "$sheet" "$WAIT_MS" || die "Cancel did not close the sheet"
    drv ping "$WAIT_MS" || die "the main dialog stopped answering"
    expect_key PINWELL CommunicationPort 3000
}

e2e_main "${BASH_SOURCE[0]}" "$@"
