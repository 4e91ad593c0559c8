#!/usr/bin/env bash
# End-to-end case of the note picture: the real Pinwell.exe under Wine, the
# body menu's "Save note as picture" posted to a stored note, the real file
# dialog filled in from outside, the BMP checked on disk.
#
#   notefile_e2e.sh <case>     run one case        notefile_e2e.sh all     run every case
#   notefile_e2e.sh list       name the cases
#
# Settings: PINWELL_BIN_DIR, PINWELL_BASE_PREFIX, PINWELL_SHOT_DIR (see ../lib.sh).
set -uo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../lib.sh"
E2E_TMP_TAG=notefile

CASES="save_picture"

CMD_SAVE_PICTURE=32903
# The file dialog's name field: the combo box of the explorer-style dialog,
# or the plain edit of the older one.
FILE_NAME_IDS="1148 1152"

# The note: a title strip in a colour of its own, a title with a colon.
TITLE='Call 10:30'
TITLE_BACK=3381759   # 0x00339AFF: orange-red strip
EDIT_BACK=15132390   # 0x00E6E6E6

start_pinwell() {
    launch_pinwell
    drv wait-main "$START_MS" >/dev/null || die "main dialog did not come up"
}

stop_pinwell() {
    local pid=${started_groups[-1]}
    drv command "$CMD_EXIT" || fail "could not send Exit"
    wait_exit "$pid" 20 || fail "Pinwell did not end within 20 s of Exit"
}

# owned_dialog OWNER: the visible dialog window OWNER owns, if any.
owned_dialog() {
    drv windows | awk -v o="$1" '$2 == o && $3 == 1 && $4 == "#32770" { print $1; exit }'
}

# bmp_field FILE OFFSET SIZE: a little-endian number from the file.
bmp_field() {
    od -An -t "u$3" -j "$2" -N "$3" "$1" | tr -d ' '
}

case_save_picture() {
    new_prefix
    {
        settings 1
        note_record 1 TitleText="$TITLE" TitleBackColor=$TITLE_BACK EditBackColor=$EDIT_BACK \
            Left=160 Top=140 Width=260 Height=170
    } | write_ini
    local out_dir=$WINEPREFIX/drive_c/pinwell-out
    mkdir -p "$out_dir"
    local target_win='C:\pinwell-out\saved.bmp' target=$out_dir/saved.bmp

    start_pinwell
    drv wait-notes 1 "$WAIT_MS" >/dev/null || die "the stored note did not show"
    read_notes
    local i
    i=$(note_index "$TITLE") || die "no note titled '$TITLE' (titles: ${note_title[*]})"
    local note=${note_hwnd[$i]} left=${note_left[$i]} top=${note_top[$i]} w=${note_w[$i]} h=${note_h[$i]}
    # What the screen shows of the strip, to compare the file with.
    local screen_strip
    screen_strip=$(drv pixel $((left + 3)) $((top + 2))) || die "could not read the screen"

    # The body menu's command goes to the note window.
    drv post "$note" "$WM_COMMAND" "$CMD_SAVE_PICTURE" 0 || die "could not post Save note as picture"
    local dlg='' deadline=$((SECONDS + 20))
    until dlg=$(owned_dialog "$note") && [ -n "$dlg" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "no file dialog owned by the note"
        sleep 0.3
    done
    sleep 1  # let it paint before the picture is taken
    shot notefile_save_dialog
    local id field_id='' proposed=''
    for id in $FILE_NAME_IDS; do
        # set-text answers with the text the field had: the proposed name.
        if proposed=$(drv set-text "$dlg" "$id" "$target_win" 2>/dev/null); then
            field_id=$id
            break
        fi
    done
    [ -n "$field_id" ] || die "the file dialog has no name field ($FILE_NAME_IDS)"
    log "file dialog $dlg, name field $field_id"
    # A file name has no colons.
    [ "$proposed" = "Call 1030" ] || fail "the dialog proposes '$proposed', expected 'Call 1030'"
    drv post "$dlg" "$WM_COMMAND" "$IDOK" 0 || die "could not press Save"

    deadline=$((SECONDS + 20))
    until [ -s "$target" ] && [ -z "$(owned_dialog "$note")" ]; do
        [ "$SECONDS" -ge "$deadline" ] && die "no $target_win written within 20 s"
        sleep 0.3
    done
    sleep 0.5

    [ "$(head -c 2 "$target")" = BM ] || fail "saved.bmp does not start with BM"
    local fw fh bits
    fw=$(bmp_field "$target" 18 4) fh=$(bmp_field "$target" 22 4) bits=$(bmp_field "$target" 28 2)
    [ "$fw $fh" = "$w $h" ] || fail "picture is ${fw}x${fh}, the note ${w}x${h}"
    case $bits in 16 | 32 | 8) ;; *) fail "picture has $bits bits per pixel" ;; esac
    [ "$(identify -format '%w %h' "$target" 2>/dev/null)" = "$w $h" ] ||
        fail "ImageMagick does not read saved.bmp as ${w}x${h}"

    # The strip's colour at the top left, as on the screen; 16 bits keep
    # only the top five bits of each channel.
    local want got
    want=$(rgb "$TITLE_BACK")
    [ "${screen_strip^^}" = "$want" ] || fail "screen strip is #$screen_strip, expected #$want"
    got=$(pixel_of "$target" 3 2)
    if [ "$bits" = 16 ]; then
        local masked=$((0x$want & 0xF8F8F8))
        want=$(printf '%06X' "$masked")
    fi
    [ "${got^^}" = "$want" ] || fail "picture strip pixel (3,2) is #$got, expected #$want"
    # Below the strip: the body's colour, not the strip's.
    got=$(pixel_of "$target" $((w / 2)) $((h - 10)))
    [ "${got^^}" != "$(rgb "$TITLE_BACK")" ] || fail "the body area of the picture has the strip's colour"

    local appdata name
    appdata=$(dirname "$ini")
    for name in Note.bmp Note24.bmp Note.jpg; do
        [ -e "$bin/$name" ] && fail "$name left in the program folder"
        [ -e "$appdata/$name" ] && fail "$name left in the data folder"
    done
    stop_pinwell
}

e2e_main "${BASH_SOURCE[0]}" "$@"
