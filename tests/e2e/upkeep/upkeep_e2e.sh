#!/usr/bin/env bash
# End-to-end cases of the data-file upkeep: the real Pinwell.exe under Wine
# cleaning orphaned note sections at start-up, and a full data file making
# the user delete notes before a new one is made.
#
#   upkeep_e2e.sh <case>     run one case        upkeep_e2e.sh all     run every case
#   upkeep_e2e.sh list       name the cases
#
# Settings: PINWELL_BIN_DIR, PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR (see ../lib.sh).
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_TMP_TAG=upkeep

CASES="startup_cleanup size_limit"

CMD_NEW_NOTE=32772
IDCANCEL=2
CHECK_ALL=1090

case_startup_cleanup() {
    new_prefix
    {
        settings 2 NmbOfProgramStarts=100
        note_record 1 TitleText=Kept
        note_record 2 TitleText=Also Left=340
        note_record 3 TitleText=Orphan
        note_record 4711 TitleText=Far
        note_record 5001 TitleText=Beyond
    } | write_ini
    launch_pinwell
    local pid=$launched_pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || fail "the two notes did not show"
    expect_key PINWELL NmbOfProgramStarts 0
    expect_no_section NOTE_ID_3
    expect_no_section NOTE_ID_4711
    has_section "$ini" NOTE_ID_5001 || fail "section 5001, outside the range, is gone"
    has_section "$ini" NOTE_ID_90000 || fail "the default theme is gone"
    read_notes
    [ "${#note_hwnd[@]}" = 2 ] || fail "${#note_hwnd[@]} note windows, expected 2"
    drv command "$CMD_EXIT" || die "could not send Exit"
    wait_exit "$pid" 20 || fail "Pinwell did not end within 20 s of Exit"
}

case_size_limit() {
    new_prefix
    # Three notes of about 25 KB each: the file is past its 61000 bytes.
    local filler
    filler=$(printf 'some words of an old note\\par %.0s' $(seq 1 900))
    {
        settings 3 NmbOfProgramStarts=5
        note_record 1 TitleText=First EditText="{\\rtf1 $filler\\par}"
        note_record 2 TitleText=Second Left=340 Hidden=Yes EditText="{\\rtf1 $filler\\par}"
        note_record 3 TitleText=Third Left=580 EditText="{\\rtf1 $filler\\par}"
    } | write_ini
    [ "$(stat -c %s "$ini")" -gt 61000 ] || die "the prepared file is not past the limit"
    launch_pinwell
    local pid=$launched_pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 2 "$WAIT_MS" >/dev/null || die "the stored notes did not show"

    drv command "$CMD_NEW_NOTE" || die "could not send New note"
    local dlg
    dlg=$(wait_titled "Delete note(s)" 30) || die "no 'Delete note(s)' list for a full data file"
    sleep 1
    shot upkeep_delete_list
    [ "$(drv child-text "$dlg" 1)" = Delete ] || fail "the action button is not 'Delete'"

    # Escape with nothing ticked is refused with the message; the list stays.
    drv post "$dlg" "$WM_COMMAND" "$IDCANCEL" 0 || die "could not press Escape"
    local box
    box=$(wait_titled Pinwell 15) || fail "no message for closing the list unchosen"
    if [ -n "$box" ]; then
        drv post "$box" "$WM_COMMAND" "$IDOK" 0
        sleep 0.5
    fi
    [ -n "$(dialog_titled "Delete note(s)")" ] || fail "the list closed without a note deleted"

    # Deleting them all (the hidden one too) brings the file under the limit
    # and the new note is made.
    drv post "$dlg" "$WM_COMMAND" "$CHECK_ALL" 0 || die "could not press Check all"
    sleep 0.5
    drv post "$dlg" "$WM_COMMAND" "$IDOK" 0 || die "could not press Delete"
    drv wait-note-count 1 "$WAIT_MS" >/dev/null || fail "the old notes did not go and one new note come"
    local id
    for id in 1 2 3; do expect_no_section "NOTE_ID_$id"; done
    [ "$(stat -c %s "$ini")" -lt 61000 ] || fail "the file is still past the limit"
    drv command "$CMD_EXIT" || die "could not send Exit"
    wait_exit "$pid" 20 || fail "Pinwell did not end within 20 s of Exit"
    # Deleting does not lower the identifier counter: the new note is 4.
    expect_key PINWELL NumberOfNotes 4
    has_section "$ini" NOTE_ID_4 || fail "the new note was not stored"
}

e2e_main "${BASH_SOURCE[0]}" "$@"
