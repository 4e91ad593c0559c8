#!/usr/bin/env bash
# End-to-end cases of the data file: the real Pinwell.exe under Wine.
#
#   storage_e2e.sh <case>     run one case        storage_e2e.sh all     run every case
#   storage_e2e.sh list       name the cases
#
# Settings: PINWELL_BIN_DIR, PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR (see ../lib.sh).
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_TMP_TAG=storage

CASES="read_only_data_file"

CANNOT_WRITE=$'Sorry but Pinwell program is not working properly and it will be closed.\nPlease check if you have rights to write on disk because program can\'t write data to main ini file.'

# A start with a data file that was written before and is read-only now:
# the start-up write of Version, whose value is already there, must still
# find out, and the program must say so and end without touching anything.
case_read_only_data_file() {
    new_prefix
    {
        settings 1 AskBeforeDelete=Yes
        note_record 1 TitleText=Kept
    } | write_ini

    # First start: writable, as it always was.
    launch_pinwell
    local pid=$launched_pid
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"
    drv command "$CMD_EXIT" || die "could not send Exit"
    wait_exit "$pid" 20 || die "Pinwell did not end within 20 s of Exit"
    expect_key PINWELL Version 3.lan

    # Second start: the file is read-only.
    chmod a-w "$ini"
    local before folder
    before=$(sha256sum <"$ini")
    folder=$(dirname "$ini")
    launch_pinwell
    pid=$launched_pid
    local box text
    box=$(wait_titled Pinwell 60) || die "no message box on a read-only data file"
    text=$(drv child-text "$box" 0xFFFF)
    [ "$text" = "$CANNOT_WRITE" ] || fail "the message reads '$text'"
    shot read_only_data_file
    read_notes
    [ "${#note_hwnd[@]}" = 0 ] || fail "${#note_hwnd[@]} note windows came up behind the message"
    drv post "$box" "$WM_COMMAND" "$IDOK" 0 || die "could not press OK"
    wait_exit "$pid" 20 || die "Pinwell did not end within 20 s of OK"
    [ "$exit_status" = 0 ] || fail "Pinwell ended with status $exit_status"
    [ "$(sha256sum <"$ini")" = "$before" ] || fail "the read-only data file changed"
    local left
    left=$(find "$folder" -maxdepth 1 -name '~pw*' | wc -l)
    [ "$left" = 0 ] || fail "$left temporary files were left in the data folder"
}

e2e_main "$0" "${1:-}"
