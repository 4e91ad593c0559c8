#!/usr/bin/env bash
# Start-up with 100 stored notes: how long the real Pinwell.exe takes under
# Wine from launch until the 100th note is visible, and how much memory the
# process holds once they are, side by side with the platform floor
# (floor100.exe: the same number of popups with a RichEdit body each) run in
# the same prefix in the same run. A measurement, not a test: nothing here
# fails on a slow result.
#
#   cmake --preset windows && cmake --build --preset windows -j2 --target Pinwell pwdriver floor100
#   bash bench/e2e/startup100.sh            (RUNS=5 for more repetitions)
#
# Settings: PINWELL_BIN_DIR (Pinwell.exe and pwdriver.exe, default
# build/windows/bin), PINWELL_BASE_PREFIX (default build/windows/wineprefix),
# RUNS (default 3), NOTES (default 100). Without DISPLAY it runs itself on a
# 1280x1024 virtual screen.
#
# Every start gets a fresh copy of the base prefix and a data file with 100
# notes at varied places, two thirds of them with a few lines of text.
# Times come from "pwdriver watch-visible", which polls every 10 ms inside
# Wine and stamps on the Unix clock the moments it first sees the main
# dialog, the first visible note (possibly a few polls late) and the 100th
# (exact to the poll); the launch is stamped by this script just before it
# starts the program. So the driver's own start is never part of a figure,
# and nothing has to be subtracted. The driver asks about each window once
# and then only about the oldest note not yet seen: a watcher asking about
# every window at every poll took a quarter of Pinwell's start-up in
# wineserver round trips, a load the floor never had.
#   warm  the driver runs before the launch, so the prefix's wineserver is
#         already up: the program's own start.
#   cold  the program is launched into a prefix with no wineserver and the
#         driver right after it; includes Wine bringing the prefix up. A cold
#         run whose driver came up after the first note showed is dropped.
# Memory, after a warm start has gone idle: VmRSS of the Pinwell.exe process
# from /proc, and the working set and private bytes Windows reports for it
# (pwdriver memory, GetProcessMemoryInfo).
#
# The floor runs in every warm run's prefix just before Pinwell, with the
# wineserver up as for Pinwell. Its "launch -> all visible" is stamped by
# this script when the floor prints its line (it prints once its windows
# are shown and painted); the floor's own figure, from its process start,
# is shown too. Its memory is VmRSS while it stays up after that line. The
# ratios compare like with like: launch -> all visible, and VmRSS.
set -uo pipefail

runs=${RUNS:-3}
notes=${NOTES:-100}
case_name=startup100
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/e2e" && pwd)/lib.sh"
on_screen "${BASH_SOURCE[0]}" "$@"
E2E_PROGRAMS+=" floor100.exe"
require_programs

tmp=
launched=()
stop_prefix() {
    [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1
    local pid
    for pid in "${launched[@]}"; do kill -KILL -- "-$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    launched=()
    [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -w >/dev/null 2>&1
}
cleanup() {
    stop_prefix
    [ -n "$tmp" ] && rm -rf "$tmp"
}
trap cleanup EXIT


# The data file: CRLF, positions from a fixed sequence so every run sees
# the same desktop, each note wholly on the 1280x1024 screen. The program
# listens on a free port, so a Pinwell already running here (or a test) keeps
# its own.
write_bench_ini() {
    awk -v n="$notes" -v port="$(free_port)" 'BEGIN {
        ORS = "\r\n"; seed = 12345
        print "[PINWELL]"; print "Version=3.lan"; print "IniUpdate=0116"; print "AskBeforeDelete=Yes"
        print "CommunicationPort=" port
        print "ReadNetworkOnStart=No"; print "CheckEmailOnStart=No"; print "NumberOfNotes=" n
        for (i = 1; i <= n; i++) {
            seed = (seed * 1103515245 + 12345) % 2147483648; w = 160 + seed % 120
            seed = (seed * 1103515245 + 12345) % 2147483648; h = 120 + seed % 100
            seed = (seed * 1103515245 + 12345) % 2147483648; left = seed % (1280 - w)
            seed = (seed * 1103515245 + 12345) % 2147483648; top = seed % (1024 - h)
            body = "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\pard\\f0\\fs16 \\par|}"
            if (i % 3 != 0)
                body = "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\pard\\f0\\fs16 Note number " i "\\par|" \
                       "\\b buy\\b0  milk, bread and eggs\\par|call the office at ten\\par|}"
            print "[NOTE_ID_" i "]"; print "NoteID=" i
            print "EditBackColor=" (i % 2 ? 10546175 : 11327147); print "EditTextColor=0"
            print "EditFont=Verdana"; print "EditFontType="; print "EditFontSize=8"; print "EditCharSet=0"
            print "EditText=" body
            print "TitleBackColor=" (i % 2 ? 8438907 : 8110468); print "TitleTextColor=0"
            print "TitleFont=Verdana"; print "TitleFontType=C"; print "TitleFontSize=8"
            print "TitleText=Note " i; print "TitleCharSet=0"
            print "Left=" left; print "Top=" top; print "Height=" h; print "Width=" w
            print "Minimized=No"; print "Border=No"; print "Hidden=No"; print "Expiration="; print "Alarm="
        }
    }' >"$1"
}

# fresh_prefix: a new copy of the base prefix with the data file, no
# wineserver running for it yet.
fresh_prefix() {
    stop_prefix
    [ -n "$tmp" ] && rm -rf "$tmp"
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-bench.XXXXXX")
    cp -a "$base" "$tmp/prefix"
    export WINEPREFIX=$tmp/prefix
    local appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
    mkdir -p "$appdata"
    write_bench_ini "$appdata/Pinwell.ini"
}

launch() {
    (cd "$bin" && exec setsid wine ./Pinwell.exe >"$tmp/pinwell.log" 2>&1) &
    launched+=("$!")
}

# watch_result FILE LAUNCH_MS: sets main_ms first_ms all_ms (from launch) and
# ready_ms (the driver's start, from launch; negative when before it).
watch_result() {
    local f=$1 t0=$2 r m fi a
    r=$(awk '$1 == "ready" {print $2}' "$f") m=$(awk '$1 == "main" {print $2}' "$f")
    fi=$(awk '$1 == "first" {print $2}' "$f") a=$(awk '$1 == "all" {print $2}' "$f")
    [ -n "$a" ] || return 1
    ready_ms=$((r - t0)) main_ms=$((m - t0)) first_ms=$((fi - t0)) all_ms=$((a - t0))
}

# pinwell_unix_pid: the Linux process running Pinwell.exe in this prefix.
pinwell_unix_pid() {
    local d pid
    for d in /proc/[0-9]*; do
        pid=${d#/proc/}
        tr '\0' ' ' 2>/dev/null <"$d/cmdline" | grep -q 'Pinwell\.exe' || continue
        tr '\0' '\n' 2>/dev/null <"$d/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        echo "$pid"
        return 0
    done
    return 1
}

# run_floor: the floor in the current prefix; sets floor_ms (launch -> its
# line), floor_own_ms (its own figure) and floor_rss (KiB, while it stays up).
run_floor() {
    floor_ms= floor_own_ms= floor_rss=
    local t0 line own pid
    t0=$(ms_now)
    (cd "$bin" && exec setsid wine ./floor100.exe "$notes" 3000 >"$tmp/floor.out" 2>&1) &
    launched+=("$!")
    for _ in $(seq 1 1200); do
        line=$(grep -m1 'windows visible in' "$tmp/floor.out" 2>/dev/null) && break
        sleep 0.01
    done
    [ -n "$line" ] || return 1
    floor_ms=$(($(ms_now) - t0))
    own=$(awk '{print $(NF - 1)}' <<<"$line")
    floor_own_ms=${own%.*}
    sleep 1
    for pid in $(pgrep -f 'floor100\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        floor_rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    done
    wait "${launched[-1]}" 2>/dev/null
}

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]; else print "-"}'; }

warm_all=() warm_first=() warm_main=() cold_all=() rss=() ws=() priv=() drv_alone=()
floor_all=() floor_own=() floor_mem=()
echo "Pinwell start-up with $notes stored notes, $runs runs each (ms from launch)"
printf '%-4s %-5s %8s %8s %8s\n' run mode main first all
for ((run = 1; run <= runs; run++)); do
    # Cold: nothing of Wine running for this prefix at the launch.
    fresh_prefix
    t0=$(ms_now)
    launch
    drv watch-visible "$notes" 180000 >"$tmp/watch" 2>"$tmp/watch.err"
    if watch_result "$tmp/watch" "$t0" && [ "$ready_ms" -lt "$first_ms" ]; then
        cold_all+=("$all_ms")
        printf '%-4s %-5s %8s %8s %8s\n' "$run" cold "$main_ms" "$first_ms" "$all_ms"
    else
        printf '%-4s %-5s %s\n' "$run" cold "dropped: $(cat "$tmp/watch.err")"
    fi

    # Warm: the driver (and with it the wineserver) up before the launch.
    fresh_prefix
    live_driver pwdriver watch-visible "$notes" 180000 >"$tmp/watch" 2>"$tmp/watch.err" &
    watcher=$!
    for _ in $(seq 1 600); do grep -q '^ready' "$tmp/watch" && break; sleep 0.05; done
    t_alone=$(ms_now)
    drv screen >/dev/null
    drv_alone+=($(($(ms_now) - t_alone)))
    if run_floor; then
        floor_all+=("$floor_ms") floor_own+=("$floor_own_ms")
        [ -n "$floor_rss" ] && floor_mem+=("$floor_rss")
        printf '%-4s %-5s %8s %8s %8s   (own start -> all: %s ms, %s KiB)\n' "$run" floor - - "$floor_ms" \
            "$floor_own_ms" "${floor_rss:--}"
    else
        printf '%-4s %-5s %s\n' "$run" floor "failed: $(cat "$tmp/floor.out")"
    fi
    t0=$(ms_now)
    launch
    wait "$watcher"
    if watch_result "$tmp/watch" "$t0"; then
        warm_all+=("$all_ms") warm_first+=("$first_ms") warm_main+=("$main_ms")
        printf '%-4s %-5s %8s %8s %8s\n' "$run" warm "$main_ms" "$first_ms" "$all_ms"
    else
        printf '%-4s %-5s %s\n' "$run" warm "failed: $(cat "$tmp/watch.err")"
        continue
    fi
    # Memory once start-up is over and the notes are painted.
    drv ping 30000 || continue
    sleep 2
    if pid=$(pinwell_unix_pid); then
        rss+=("$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")")
    fi
    if read -r _ w _ p <<<"$(drv memory)" && [ -n "$w" ]; then
        ws+=($((w / 1024))) priv+=($((p / 1024)))
    fi
done

echo
echo "median over $runs runs"
printf '  %-44s %s ms\n' "warm: launch -> main dialog" "$(median "${warm_main[@]}")"
printf '  %-44s %s ms\n' "warm: launch -> first note visible" "$(median "${warm_first[@]}")"
printf '  %-44s %s ms\n' "warm: launch -> note $notes visible" "$(median "${warm_all[@]}")"
printf '  %-44s %s ms (%d of %d runs kept)\n' "cold: launch -> note $notes visible" "$(median "${cold_all[@]}")" \
    "${#cold_all[@]}" "$runs"
printf '  %-44s %s ms\n' "pwdriver alone, wineserver up (not subtracted)" "$(median "${drv_alone[@]}")"
printf '  %-44s %s KiB\n' "Linux VmRSS of Pinwell.exe, $notes notes" "$(median "${rss[@]}")"
printf '  %-44s %s KiB\n' "Windows working set, $notes notes" "$(median "${ws[@]}")"
printf '  %-44s %s KiB\n' "Windows private bytes, $notes notes" "$(median "${priv[@]}")"

# ratio A B: A / B to two places, or "-" when either is missing.
ratio() {
    case "$1$2" in *-*|'') echo -; return ;; esac
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'
}
echo
echo "against the floor (floor100.exe, same prefix, same runs)"
f_all=$(median "${floor_all[@]}") f_mem=$(median "${floor_mem[@]}") p_all=$(median "${warm_all[@]}") p_mem=$(median "${rss[@]}")
printf '  %-44s %s ms (own start -> all: %s ms)\n' "floor: launch -> $notes windows visible" "$f_all" "$(median "${floor_own[@]}")"
printf '  %-44s %s KiB\n' "floor: Linux VmRSS" "$f_mem"
printf '  %-44s %s x floor (goal <= 1.5)\n' "start-up, warm launch -> all visible" "$(ratio "$p_all" "$f_all")"
printf '  %-44s %s x floor (goal <= 1.3)\n' "resident memory (VmRSS)" "$(ratio "$p_mem" "$f_mem")"
