# Sourced by net_e2e.sh and bench/net/latency.sh: a real Pinwell.exe under
# Wine in a prefix of its own, listening on a port of its own, and the tools
# that send to it and watch its windows.
#
# Settings (environment):
#   PINWELL_BIN_DIR      Pinwell.exe, pwdriver.exe, netdriver.exe (default build/windows/bin)
#   PINWELL_BASE_PREFIX  prefix copied for each run            (default build/windows/wineprefix)
#   PINWELL_SHOT_DIR     screenshots                           (default build/windows/e2e-shots)
#   PINWELL_NATIVE_SEND  the native pinwell-send; when missing, pinwell-send.exe runs under Wine
#                        (each send then costs a Wine start)

netlib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$netlib_dir/../../.." && pwd)
bin=${PINWELL_BIN_DIR:-$root/build/windows/bin}
base=${PINWELL_BASE_PREFIX:-$root/build/windows/wineprefix}
shots=${PINWELL_SHOT_DIR:-$(dirname "$bin")/e2e-shots}
native_send=${PINWELL_NATIVE_SEND:-$root/build/native/tools/pinwell-send/pinwell-send}
. "$root/tools/wine-env.sh"

ACK="From Server : MESSAGE RECEIVED"
# Bounds of the waits, in milliseconds; a wait ends as soon as its condition
# holds. Wide, because a loaded machine under Wine is slow.
START_MS=60000
WAIT_MS=15000

case_name=${case_name:-net}
failures=0
tmp=
# Prefixes whose wineservers must go at the end, process groups started
# (with setsid) and single background processes started.
prefixes=()
started_groups=()
started_pids=()
# Command words put in front of every program run: empty, or "ip netns exec
# NAME" for the side of a two-computer case.
run_in=()

log() { echo "[$case_name] $*"; }
fail() {
    echo "FAIL [$case_name]: $*"
    failures=$((failures + 1))
}
die() {
    fail "$*"
    exit 1
}

drv() { "${run_in[@]}" wine "$bin/pwdriver.exe" "$@"; }
ndrv() { "${run_in[@]}" wine "$bin/netdriver.exe" "$@"; }
ms_now() { date +%s%3N; }

check_programs() {
    local f
    for f in Pinwell.exe pwdriver.exe netdriver.exe; do
        [ -f "$bin/$f" ] || die "no $bin/$f (build the windows preset first)"
    done
    if [ ! -x "$native_send" ]; then
        [ -f "$bin/pinwell-send.exe" ] || die "neither $native_send nor $bin/pinwell-send.exe exists"
        log "native pinwell-send missing ($native_send): sending with pinwell-send.exe under Wine"
    fi
    ensure_wineprefix "$base"
}

# A TCP port nothing listens on, chosen at random so that runs at the same
# time do not meet. Other programs on this machine use the usual port.
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

# new_prefix DIR: a copy of the base prefix in DIR, used from now on
# (WINEPREFIX); leaves the data file's path in ini. The first Wine program
# of the prefix starts its wineserver, and with it the network the prefix's
# programs use: that is why it runs through run_in too.
ini=
new_prefix() {
    mkdir -p "$1"
    cp -a "$base" "$1/prefix" || die "cannot copy the base prefix $base"
    export WINEPREFIX=$1/prefix
    prefixes+=("$WINEPREFIX")
    local appdata
    appdata=$(drv appdata) || die "pwdriver appdata failed"
    appdata=$(winepath -u "$appdata" 2>/dev/null) || die "winepath failed for $appdata"
    [ -d "$appdata" ] || die "data folder $appdata does not exist"
    ini=$appdata/Pinwell.ini
}

# write_ini: stdin with Unix line ends becomes the data file, in CRLF.
write_ini() { sed 's/$/\r/' >"$ini"; }

# settings_section PORT: a program section for a quiet start: no network
# reading, no e-mail check, no sound, on its own port.
settings_section() {
    printf '[PINWELL]\nVersion=3.lan\nIniUpdate=0116\nReadNetworkOnStart=No\nCheckEmailOnStart=No\n'
    printf 'PlaySound=No\nAskBeforeDelete=No\nCommunicationPort=%s\n' "$1"
}

# stored_note ID TITLE LEFT TOP TEXT: one note record in the default look.
stored_note() {
    cat <<EOF
[NOTE_ID_$1]
NoteID=$1
EditBackColor=16763799
EditTextColor=0
EditFont=Verdana
EditFontType=
EditFontSize=8
EditCharSet=0
EditText={\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\pard\\f0\\fs16 $5\\par|}
TitleBackColor=14847561
TitleTextColor=0
TitleFont=Verdana
TitleFontType=C
TitleFontSize=8
TitleText=$2
TitleCharSet=0
Left=$3
Top=$4
Height=150
Width=200
Minimized=No
Border=No
Hidden=No
Expiration=
Alarm=
EOF
}

# ini_get SECTION KEY: the value in the data file, names without case.
ini_get() {
    awk -v sec="$1" -v key="$2" '
        { sub(/\r$/, "") }
        /^[ \t]*\[/ {
            name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
            inside = (tolower(name) == tolower(sec)); next
        }
        inside {
            i = index($0, "="); if (!i) next
            k = substr($0, 1, i - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
            if (tolower(k) == tolower(key)) { print substr($0, i + 1); exit }
        }' "$ini"
}

# start_pinwell: Pinwell.exe from the program folder in a process group of
# its own; waits until it has started.
start_pinwell() {
    local n=${#started_groups[@]}
    (cd "$bin" && exec setsid "${run_in[@]}" wine ./Pinwell.exe >"$tmp/pinwell-$n.log" 2>&1) &
    started_groups+=("$!")
    drv wait-main "$START_MS" >/dev/null || die "the main dialog did not come up"
}

listening() { [ -n "$("${run_in[@]}" ss -Hltn "sport = :$1" 2>/dev/null)" ]; }

# wait_listening PORT [yes|no] MS: until something listens on PORT (or
# nothing does, with no).
wait_listening() {
    local port=$1 want=$2 deadline=$(($(ms_now) + $3))
    while :; do
        if [ "$want" = yes ]; then listening "$port" && return 0; else listening "$port" || return 0; fi
        [ "$(ms_now)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# send_note ARGS...: pinwell-send with ARGS; its output in send_out.
send_out=
send_note() {
    if [ -x "$native_send" ]; then
        send_out=$("${run_in[@]}" timeout 60 "$native_send" "$@" 2>&1)
    else
        send_out=$("${run_in[@]}" timeout 60 wine "$bin/pinwell-send.exe" "$@" 2>&1)
    fi
}

# ---- watching for new notes -------------------------------------------------

# start_watch NAME COUNT MS: netdriver watching for COUNT new note windows,
# its output in $tmp/watch-NAME; returns once it is looking.
start_watch() {
    local out=$tmp/watch-$1
    : >"$out"
    "${run_in[@]}" wine "$bin/netdriver.exe" watch-new "$2" "$3" >"$out" 2>"$out.err" &
    started_pids+=("$!")
    local deadline=$((SECONDS + 60))
    until grep -q '^ready ' "$out"; do
        [ "$SECONDS" -ge "$deadline" ] && die "the note watcher did not start: $(cat "$out.err")"
        sleep 0.05
    done
}

# wait_new NAME K MS: waits for the K-th new note of that watch; leaves its
# line ("unix-ms hwnd title") in new_note, and the parts in new_at,
# new_hwnd.
new_note= new_at= new_hwnd=
wait_new() {
    local out=$tmp/watch-$1 k=$2 deadline=$(($(ms_now) + $3))
    while :; do
        new_note=$(grep -v '^ready ' "$out" | sed -n "${k}p")
        if [ -n "$new_note" ]; then
            read -r new_at new_hwnd _ <<<"$new_note"
            return 0
        fi
        [ "$(ms_now)" -ge "$deadline" ] && return 1
        sleep 0.02
    done
}

new_count() { grep -vc '^ready ' "$tmp/watch-$1"; }

# note_rect HWND: "visible left top width height" of a note window.
note_rect() { drv notes | awk -v h="$1" '$1 == h { print $2, $3, $4, $5, $6; exit }'; }

# ---- the end ----------------------------------------------------------------

# Extra clean-up steps of a case (screens, namespaces), run once the Wine
# programs are gone, the last added first.
late_steps=()

# install_cleanup: the clean-up runs at every end, a timeout's TERM included.
install_cleanup() {
    trap cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
}

cleanup() {
    local status=$?
    set +e
    if [ "$status" -ne 0 ] || [ "$failures" -ne 0 ]; then
        local f
        for f in "$tmp"/pinwell-*.log; do
            [ -s "$f" ] && { echo "--- $(basename "$f")"; tail -n 20 "$f"; }
        done
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
