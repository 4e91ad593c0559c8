# Sourced by every end-to-end script and the benchmarks that run the real
# Pinwell.exe under Wine: the paths, a fresh prefix per run, starting and
# stopping the program, the clean-up, the data file, note windows and the
# screen.
#
# Settings (environment):
#   PINWELL_BIN_DIR      Pinwell.exe and the drivers     (default build/windows/bin)
#   PINWELL_BASE_PREFIX  prefix copied for each run      (default build/windows/wineprefix)
#   PINWELL_SHOT_DIR     screenshots                     (default build/windows/e2e-shots)

e2e_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$e2e_lib_dir/../.." && pwd)
bin=${PINWELL_BIN_DIR:-$root/build/windows/bin}
base=${PINWELL_BASE_PREFIX:-$root/build/windows/wineprefix}
shots=${PINWELL_SHOT_DIR:-$(dirname "$bin")/e2e-shots}
. "$root/tools/wine-env.sh"

# Bounds for the waits, in milliseconds. Generous: a loaded machine under Wine
# is slow, and a wait returns as soon as its condition holds.
START_MS=60000
WAIT_MS=15000

# Messages and commands every case script sends.
WM_COMMAND=0x0111
IDOK=1
CMD_EXIT=32773
CMD_SHOW_ALL=32796

# What a run needs in $bin; a script adds its own driver.
E2E_PROGRAMS="Pinwell.exe pwdriver.exe"
# The word in the names of the run's temporary folders.
E2E_TMP_TAG=e2e
# Cases that make their own screens and must not be put on a virtual one.
E2E_OWN_SCREEN_CASES=

case_name=${case_name:-}
failures=0
tmp=
# Prefixes whose wineservers must go at the end, process groups started
# (with setsid) and single background processes started.
prefixes=()
started_groups=()
started_pids=()
# Command words put in front of every program run: empty, or "ip netns exec
# NAME" for a program that must see another network.
run_in=()
# Extra clean-up steps of a case (screens, namespaces), run once the Wine
# programs are gone, the last added first.
late_steps=()
# A failed run shows the settings and note sections of its data file, unless
# a script's files are too big to be worth reading that way.
show_ini_on_failure=1

log() { echo "[$case_name] $*"; }
fail() {
    echo "FAIL [$case_name]: $*"
    failures=$((failures + 1))
}
# A failed precondition: later checks would only repeat it.
die() {
    fail "$*"
    exit 1
}

# The driver answers 0 or 1 itself; any other status means it never ran its
# command (Wine failed to start it on a loaded machine, or it died), so it is
# said and the command tried once more rather than failing the case silently.
drv() {
    local status
    "${run_in[@]}" wine "$bin/pwdriver.exe" "$@"
    status=$?
    [ "$status" -le 1 ] && return "$status"
    echo "[$case_name] pwdriver $* ended with status $status; trying once more" >&2
    "${run_in[@]}" wine "$bin/pwdriver.exe" "$@"
}
ms_now() { date +%s%3N; }

# on_screen SCRIPT ARGS...: without a display, runs SCRIPT again on a virtual
# screen in place of this process; with one, returns.
on_screen() {
    [ -n "${DISPLAY:-}" ] && return 0
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$@"
}

# require_programs: every program of E2E_PROGRAMS is built, the base prefix
# is ready.
require_programs() {
    local f
    for f in $E2E_PROGRAMS; do
        [ -f "$bin/$f" ] || die "no $bin/$f (build the windows preset first)"
    done
    ensure_wineprefix "$base"
}
# A script with more to check defines its own, after sourcing this file.
check_programs() { require_programs; }

# A TCP port nothing uses, chosen at random so that runs at the same time do
# not meet. Other programs on this machine use the usual port.
free_port() {
    local p tries=0
    while [ $tries -lt 200 ]; do
        p=$((20000 + RANDOM % 40000))
        if [ -z "$("${run_in[@]}" ss -Htan "sport = :$p or dport = :$p" 2>/dev/null)" ]; then
            echo "$p"
            return 0
        fi
        tries=$((tries + 1))
    done
    return 1
}

# new_prefix [DIR]: a copy of the base prefix in DIR (a new temporary folder
# in tmp when none is given), used from now on (WINEPREFIX); leaves the data
# file's path in ini. The first Wine program of the prefix starts its
# wineserver, and with it the network the prefix's programs use: that is why
# it runs through run_in too.
ini=
new_prefix() {
    if [ $# -eq 0 ]; then
        tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-$E2E_TMP_TAG.XXXXXX")
        set -- "$tmp"
    fi
    mkdir -p "$1"
    cp -a "$base" "$1/prefix" || die "cannot copy the base prefix $base"
    export WINEPREFIX=$1/prefix
    prefixes+=("$WINEPREFIX")
    # The prefix's first program starts its wineserver. Wine has been seen,
    # once in many runs, to answer that first start with its launcher's
    # "Application could not be started" instead of running the driver; a
    # second start in the same prefix works.
    local appdata tries=0
    until appdata=$(drv appdata) && [[ $appdata == [A-Za-z]:\\* ]]; do
        tries=$((tries + 1))
        [ "$tries" -lt 3 ] || die "pwdriver appdata failed: $appdata"
        echo "[$case_name] pwdriver appdata answered '$appdata'; trying again" >&2
        sleep 1
    done
    appdata=$(winepath -u "$appdata" 2>/dev/null) || die "winepath failed for $appdata"
    [ -d "$appdata" ] || die "data folder $appdata does not exist"
    ini=$appdata/Pinwell.ini
}

# launch_pinwell: Pinwell.exe from the program folder in a process group of
# its own; its process id in launched_pid.
launched_pid=
launch_pinwell() {
    local n=${#started_groups[@]}
    (cd "$bin" && exec setsid "${run_in[@]}" wine ./Pinwell.exe >"$tmp/pinwell-$n.log" 2>&1) &
    launched_pid=$!
    started_groups+=("$launched_pid")
}

# ended PID: true once the process is gone (a zombie counts as gone).
ended() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0
    [ -z "$state" ] || [ "$state" = Z ]
}

# wait_exit PID SECONDS: waits for the process to end; its exit status is
# left in exit_status.
exit_status=
wait_exit() {
    local pid=$1 deadline=$((SECONDS + $2))
    while ! ended "$pid"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
    wait "$pid"
    exit_status=$?
    return 0
}

# install_cleanup: the clean-up runs at every end, a timeout's TERM included.
install_cleanup() {
    trap cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
}

cleanup() {
    local status=$?
    set +e
    if [ -n "$tmp" ] && { [ "$status" -ne 0 ] || [ "$failures" -ne 0 ]; }; then
        local f
        for f in "$tmp"/pinwell-*.log; do
            [ -s "$f" ] && { echo "--- $(basename "$f")"; tail -n 20 "$f"; }
        done
        if [ "$show_ini_on_failure" = 1 ] && [ -n "$ini" ] && [ -f "$ini" ]; then
            echo "--- Pinwell.ini ([PINWELL] and note sections)"
            tr -d '\r' <"$ini" | awk '/^\[/{show = ($0 !~ /^\[NOTE_ID_9/)} show' | cut -c1-160
        fi
    fi
    local p
    for p in "${prefixes[@]}"; do WINEPREFIX=$p timeout 20 wineserver -k >/dev/null 2>&1; done
    for p in "${started_groups[@]}"; do
        kill -KILL -- "-$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    for p in "${started_pids[@]}"; do
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    for p in "${prefixes[@]}"; do WINEPREFIX=$p timeout 20 wineserver -w >/dev/null 2>&1; done
    local i
    for ((i = ${#late_steps[@]} - 1; i >= 0; i--)); do eval "${late_steps[$i]}"; done
    [ -n "$tmp" ] && rm -rf "$tmp"
    exit "$status"
}

# ------------------------------------------------------------- data file ---

# ini_lookup TRIM FILE SECTION KEY: the value, names compared without case;
# with TRIM 1 the value loses its outer blanks.
ini_lookup() {
    awk -v trim="$1" -v sec="$3" -v key="$4" '
        { sub(/\r$/, "") }
        /^[ \t]*\[/ {
            name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
            inside = (tolower(name) == tolower(sec)); next
        }
        inside {
            i = index($0, "="); if (!i) next
            k = substr($0, 1, i - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
            if (tolower(k) == tolower(key)) {
                v = substr($0, i + 1); if (trim) gsub(/^[ \t]+|[ \t]+$/, "", v); print v; exit
            }
        }' "$2"
}

# ini_get FILE SECTION KEY: the value without its outer blanks.
ini_get() { ini_lookup 1 "$@"; }

# grep reads to the end: with -q it would quit at the match, and under
# pipefail tr's SIGPIPE on a file of more than one buffer would fail the test.
has_section() { tr -d '\r' <"$1" | grep -i "^\[$2\]" >/dev/null; }
expect_section() { has_section "$ini" "$1" || fail "section [$1] is missing"; }
expect_no_section() { ! has_section "$ini" "$1" || fail "section [$1] is still there"; }

expect_key() { # SECTION KEY WANTED
    local got
    got=$(ini_get "$ini" "$1" "$2")
    [ "$got" = "$3" ] || fail "[$1] $2 is '$got', expected '$3'"
}

# write_ini: stdin with Unix line ends becomes the data file, in CRLF as the
# program keeps it.
write_ini() { sed 's/$/\r/' >"$ini"; }

# note_record ID KEY=VALUE...: a note section in the default theme's look,
# with the given keys replaced (a later one wins).
NOTE_KEYS="NoteID EditBackColor EditTextColor EditFont EditFontType EditFontSize EditCharSet EditText
TitleBackColor TitleTextColor TitleFont TitleFontType TitleFontSize TitleText TitleCharSet
Left Top Height Width Minimized Border Hidden Expiration Alarm"
note_record() {
    local -A v=(
        [NoteID]=$1 [EditBackColor]=16763799 [EditTextColor]=0 [EditFont]=Verdana [EditFontType]=
        [EditFontSize]=8 [EditCharSet]=0 [EditText]='{\rtf1\ansi{\fonttbl{\f0 Verdana;}}\f0\fs16 \par|}'
        [TitleBackColor]=14847561 [TitleTextColor]=0 [TitleFont]=Verdana [TitleFontType]=C
        [TitleFontSize]=8 [TitleText]="Note $1" [TitleCharSet]=0 [Left]=100 [Top]=100 [Height]=150
        [Width]=200 [Minimized]=No [Border]=No [Hidden]=No [Expiration]= [Alarm]=)
    shift
    local kv k
    for kv in "$@"; do v[${kv%%=*}]=${kv#*=}; done
    printf '[NOTE_ID_%s]\n' "${v[NoteID]}"
    for k in $NOTE_KEYS; do printf '%s=%s\n' "$k" "${v[$k]}"; done
}

# ----------------------------------------------------------------- notes ---

# read_notes: fills the note_* arrays from pwdriver's list, one entry a note.
note_hwnd=() note_vis=() note_left=() note_top=() note_w=() note_h=() note_title=()
read_notes() {
    note_hwnd=() note_vis=() note_left=() note_top=() note_w=() note_h=() note_title=()
    local out h v l t w hh title
    out=$(drv notes) || die "pwdriver notes failed"
    while read -r h v l t w hh title; do
        [ -n "$h" ] || continue
        note_hwnd+=("$h") note_vis+=("$v") note_left+=("$l") note_top+=("$t")
        note_w+=("$w") note_h+=("$hh") note_title+=("$title")
    done <<<"$out"
}

visible_count() {
    local n=0 v
    for v in "${note_vis[@]}"; do [ "$v" = 1 ] && n=$((n + 1)); done
    echo "$n"
}

# note_index TITLE: index into the note_* arrays, or nothing.
note_index() {
    local i
    for i in "${!note_title[@]}"; do
        [ "${note_title[$i]}" = "$1" ] && { echo "$i"; return 0; }
    done
    return 1
}

# expect_note TITLE VISIBLE LEFT TOP WIDTH HEIGHT
expect_note() {
    local i
    i=$(note_index "$1") || { fail "no note window titled '$1' (titles: ${note_title[*]})"; return; }
    local got="${note_vis[$i]} ${note_left[$i]} ${note_top[$i]} ${note_w[$i]} ${note_h[$i]}"
    [ "$got" = "$2 $3 $4 $5 $6" ] || fail "note '$1': visible left top width height = $got, expected $2 $3 $4 $5 $6"
}

# dialog_titled CAPTION: the visible dialog window with that caption, if any.
dialog_titled() {
    drv windows | awk -v t="$1" '$3 == 1 && $4 == "#32770" {
        title = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ /, "", title); if (title == t) { print $1; exit } }'
}

# wait_titled CAPTION SECONDS: waits for that dialog and prints its handle.
wait_titled() {
    local hwnd deadline=$((SECONDS + $2))
    until hwnd=$(dialog_titled "$1") && [ -n "$hwnd" ]; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.3
    done
    echo "$hwnd"
}

# --------------------------------------------------------------- screen ---

shot() { # NAME: the whole screen as $shots/NAME.png
    mkdir -p "$shots"
    import -window root "$shots/$1.png" 2>/dev/null || { fail "screenshot $1 failed"; return 1; }
}

# pixel_of PNG X Y: the colour there as RRGGBB.
pixel_of() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1 | tr -d '#'
}

# expect_painted NAME X Y RRGGBB: screenshots until the screen shows the
# colour at (X, Y) (a window may still be painting), keeps the last shot.
expect_painted() {
    local name=$1 x=$2 y=$3 want=$4 got='' deadline=$((SECONDS + 10))
    while :; do
        shot "$name" || return
        got=$(pixel_of "$shots/$name.png" "$x" "$y")
        [ "${got^^}" = "${want^^}" ] && return 0
        [ "$SECONDS" -ge "$deadline" ] && break
        sleep 0.3
    done
    fail "screen pixel ($x,$y) is #$got, expected #$want (see $shots/$name.png)"
}

# rgb COLORREF: the stored 0x00BBGGRR value as the screen's RRGGBB.
rgb() { printf '%02X%02X%02X' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)); }

# ------------------------------------------------------------------ main ---

run_case() {
    install_cleanup
    check_programs
    local started=$SECONDS
    "case_$case_name"
    if [ "$failures" -eq 0 ]; then
        log "PASS ($((SECONDS - started)) s)"
    else
        log "$failures check(s) failed ($((SECONDS - started)) s)"
        exit 1
    fi
}

# e2e_main SCRIPT CASE: "list" names the cases of CASES, "all" runs each in a
# process of its own, a case name runs that case (on a virtual screen when
# there is no display).
e2e_main() {
    local script=$1
    case_name=${2:-}
    case "$case_name" in
    list) echo "$CASES" | tr ' ' '\n' ;;
    all)
        local c rc=0
        for c in $CASES; do bash "$script" "$c" || rc=1; done
        exit $rc
        ;;
    *)
        [[ " $CASES " == *" $case_name "* ]] || {
            echo "usage: $(basename "$script") <case>|all|list  (cases: $CASES)" >&2
            exit 2
        }
        [[ " $E2E_OWN_SCREEN_CASES " == *" $case_name "* ]] || on_screen "$script" "$case_name"
        run_case
        ;;
    esac
}
