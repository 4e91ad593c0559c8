#!/usr/bin/env bash
# End-to-end case of exported note files: the real Pinwell.exe under Wine,
# the tray's "Export note(s)" and "Import note(s)" driven from outside, the
# real list and file dialogs answered, the file and the data file checked.
#
#   exchange_e2e.sh <case>     run one case        exchange_e2e.sh all     run every case
#   exchange_e2e.sh list       name the cases
#
# Settings: PINWELL_BIN_DIR, PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR (see ../lib.sh).
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_TMP_TAG=exchange

CASES="export_import"

CMD_EXPORT_NOTES=32957
CMD_IMPORT_NOTES=32958
CHECK_ALL=1090
# The file dialog's name field: the combo box of the explorer-style dialog,
# or the plain edit of the older one.
FILE_NAME_IDS="1148 1152"

# answer_file_dialog TITLE WINDOWS-PATH: types the path into the file dialog
# with that caption and presses its OK button.
answer_file_dialog() {
    local dlg id
    dlg=$(wait_titled "$1" 20) || { fail "no file dialog '$1'"; return 1; }
    sleep 0.5
    for id in $FILE_NAME_IDS; do
        if drv set-text "$dlg" "$id" "$2" >/dev/null 2>&1; then
            drv post "$dlg" "$WM_COMMAND" "$IDOK" 0 || { fail "could not press OK in '$1'"; return 1; }
            return 0
        fi
    done
    fail "the file dialog '$1' has no name field ($FILE_NAME_IDS)"
    return 1
}

# check_all_and_ok TITLE SHOT: in the note list dialog, "Check all" then OK.
check_all_and_ok() {
    local dlg
    dlg=$(wait_titled "$1" 20) || { fail "no '$1' dialog"; return 1; }
    drv post "$dlg" "$WM_COMMAND" "$CHECK_ALL" 0 || { fail "could not press Check all"; return 1; }
    sleep 1
    shot "$2"
    drv post "$dlg" "$WM_COMMAND" "$IDOK" 0 || { fail "could not press OK in '$1'"; return 1; }
}

case_export_import() {
    new_prefix
    {
        settings 3 DefaultDateFormat=YYYY-MM-DD
        note_record 1 TitleText=Shopping Left=100 Top=100
        note_record 2 TitleText="Call 10:30" Left=340 Top=100 Hidden=Yes Alarm=03032030-074500-1 \
            Expiration=01032030-100005-3
        note_record 3 TitleText=Ideas Left=580 Top=100 Width=230 Height=170
    } | write_ini
    local out_dir=$WINEPREFIX/drive_c/pinwell-out
    mkdir -p "$out_dir"
    local pwx_win='C:\pinwell-out\week.pwx' pwx=$out_dir/week.pwx

    launch_pinwell
    local pid=$launched_pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the stored notes did not show"

    # Export every note, the hidden one too.
    drv command "$CMD_EXPORT_NOTES" || die "could not send Export note(s)"
    check_all_and_ok "Export note(s)" exchange_export_list || die "the export list failed"
    answer_file_dialog "Save As" "$pwx_win" || die "the export file dialog failed"
    local deadline=$((SECONDS + 20))
    until [ "$(ini_get "$pwx" PINWELL ExportedNotes 2>/dev/null)" = 3 ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "week.pwx does not hold three notes within 20 s"
        sleep 0.3
    done
    local id
    for id in 10001 10002 10003; do
        has_section "$pwx" "NOTE_ID_$id" || fail "week.pwx has no [NOTE_ID_$id]"
        [ "$(ini_get "$pwx" "NOTE_ID_$id" NoteID)" = "$id" ] || fail "[NOTE_ID_$id] NoteID is not $id"
    done
    [[ "$(ini_get "$pwx" PINWELL 10002)" =~ ^Call\ 10:30~[0-9]{14}~Export$ ]] ||
        fail "index 10002 is '$(ini_get "$pwx" PINWELL 10002)'"
    [ "$(ini_get "$pwx" NOTE_ID_10002 Expiration)" = 01032030-100005-3 ] || fail "the export lost the expiration"

    # Import all three back: new notes next to the old ones, without their
    # expiration but with their alarm.
    drv command "$CMD_IMPORT_NOTES" || die "could not send Import note(s)"
    answer_file_dialog "Open" "$pwx_win" || die "the import file dialog failed"
    check_all_and_ok "Import note(s)" exchange_import_list || die "the import list failed"
    drv wait-visible 5 "$WAIT_MS" >/dev/null || fail "the three imported notes did not show"
    read_notes
    local n
    n=$(printf '%s\n' "${note_title[@]}" | grep -c '^Call 10:30$')
    [ "$n" = 2 ] || fail "$n notes titled 'Call 10:30', expected the stored one and the imported one"

    drv command "$CMD_EXIT" || die "could not send Exit"
    wait_exit "$pid" 20 || die "Pinwell did not end within 20 s of Exit"
    expect_key PINWELL NumberOfNotes 6
    local found=0
    for id in 4 5 6; do
        if [ "$(ini_get "$ini" "NOTE_ID_$id" TitleText)" = "Call 10:30" ]; then
            found=1
            expect_key "NOTE_ID_$id" Alarm 03032030-074500-1
            expect_key "NOTE_ID_$id" Expiration ""
            expect_key "NOTE_ID_$id" Hidden No
        fi
    done
    [ "$found" = 1 ] || fail "the imported 'Call 10:30' was not stored as note 4, 5 or 6"
    expect_key NOTE_ID_2 Expiration 01032030-100005-3
}

e2e_main "${BASH_SOURCE[0]}" "$@"
