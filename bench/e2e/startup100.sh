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
# RUNS (default 3; 0 for none), NOTES (default 100), LABEL (the Windows family
# the prefix claims to be, as the program names it: "Windows 10", "Windows
# 7/8", "Windows 2000/XP" or "Windows 95/98/Me"; default: the prefix as it
# is), TRACE=1 (also count the program's wineserver requests, below), SHOTS
# (a folder: a screenshot of the screen after each warm start), KEEP_TRACE (a
# path prefix: the request logs are kept there). Without
# DISPLAY it runs itself on a 1280x1024 virtual screen.
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
#
# TRACE=1 counts wineserver requests, a figure that does not move with the
# machine's load: the wineserver of a fresh prefix logs every request
# (wineserver -d1), and the requests of the measured process are counted
# over its whole life (Pinwell: until it has shown every note, answered a
# message and sat idle for a second; the floor: until it exits). Per note is
# the difference between NOTES notes and one note, divided by NOTES - 1, so
# the process's fixed start drops out; the same for the floor per window.
# The busiest requests per note are listed for both.
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
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pinwell-bench-keep.XXXXXX")
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
    rm -rf "$scratch"
}
trap cleanup EXIT

# The family label: the base prefix is copied once and told the Windows
# version of that family, and the version a program is then told is checked.
label=${LABEL:-}
if [ -n "$label" ]; then
    case $label in
    "Windows 10") version=win10 told="6.2 6.3 10.0" ;;
    "Windows 7/8") version=win7 told="6.0 6.1" ;;
    "Windows 2000/XP") version=winxp64 told="5.0 5.1 5.2" ;;
    "Windows 95/98/Me") version=win98 told="4.0 4.10 4.90" ;;
    *) die "LABEL \"$label\" is none of \"Windows 10\", \"Windows 7/8\", \"Windows 2000/XP\", \"Windows 95/98/Me\"" ;;
    esac
    cp -a "$base" "$scratch/base" || die "cannot copy the base prefix $base"
    base=$scratch/base
    WINEPREFIX=$base wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1 ||
        die "cannot set the Windows version $version"
    got=$(WINEPREFIX=$base drv version)
    # The registry reaches the prefix's files when its wineserver ends.
    WINEPREFIX=$base wineserver -w
    [[ " $told " == *" $got "* ]] || die "the prefix set to $version tells programs Windows $got, not \"$label\""
fi


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

# trace_requests PROGRAM N: PROGRAM (Pinwell.exe or floor100.exe) with N
# notes in a fresh prefix whose wineserver logs every request; prints the
# number of requests the program's process made, then "name count" lines.
trace_requests() {
    local program=$1 log=$scratch/trace.log
    notes=$2 fresh_prefix
    wineserver -f -d1 2>"$log" &
    launched+=("$!")
    drv screen >/dev/null || return 1
    if [ "$program" = floor100.exe ]; then
        (cd "$bin" && exec wine ./floor100.exe "$2" 0 >"$tmp/floor.out" 2>&1) || return 1
    else
        launch
        drv watch-visible "$2" 600000 >/dev/null || return 1
        drv ping 60000 || return 1
        sleep 1
    fi
    stop_prefix
    [ -n "${KEEP_TRACE:-}" ] && cp "$log" "$KEEP_TRACE.$program.$2"
    # A process is known by the first file it opens, its program (a process
    # started from Unix), or by the command line its parent gave new_process;
    # its threads by the replies that name them.
    awk -v program="$program" '
        !/^[0-9a-f][0-9a-f][0-9a-f][0-9a-f]: [a-z_0-9]+\(/ { next }
        {
            t = substr($0, 1, 4); rest = substr($0, 7); name = substr(rest, 1, index(rest, "(") - 1)
            reply = substr(rest, length(name) + 1, 5) == "() = "
        }
        function field(key,   v) {
            if (!match($0, key "=[0-9a-f]+")) return ""
            return substr($0, RSTART + length(key) + 1, RLENGTH - length(key) - 1)
        }
        !reply && name == "new_process" { wanted[t] = index($0, program) > 0 }
        reply && name == "new_process" { handle_of[t "," field("handle")] = field("pid"); if (wanted[t]) target[field("pid")] = 1 }
        !reply && name == "new_thread" { h = field("process"); creator[t] = h == "ffffffff" ? process[t] : handle_of[t "," h] }
        reply && name == "new_thread" { process[field("tid")] = creator[t] }
        reply && name == "init_first_thread" { process[field("tid")] = field("pid") }
        !reply && name == "create_file" && !(process[t] in opened) {
            opened[process[t]] = 1
            if (index($0, "\\\\" program "\"")) target[process[t]] = 1
        }
        !reply && (process[t] in target) { total++; count[name]++ }
        END { print total + 0; for (n in count) print n, count[n] }
    ' "$log"
}

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]; else print "-"}'; }

warm_all=() warm_first=() warm_main=() cold_all=() rss=() ws=() priv=() drv_alone=()
floor_all=() floor_own=() floor_mem=()
echo "Pinwell start-up with $notes stored notes, $runs runs each (ms from launch)${label:+, family \"$label\"}"
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
    if [ -n "${SHOTS:-}" ]; then
        mkdir -p "$SHOTS" && import -window root "$SHOTS/startup-$run.png"
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

[ "${TRACE:-0}" = 1 ] || exit 0
echo
echo "wineserver requests${label:+, family \"$label\"} (whole process life; per note: $notes notes less 1, over $((notes - 1)))"
for program in Pinwell.exe floor100.exe; do
    for n in 1 "$notes"; do
        # A trace that could not tell the process apart counts nothing: taken again.
        for _ in 1 2 3; do
            trace_requests "$program" "$n" >"$scratch/requests.$program.$n" &&
                [ "$(head -1 "$scratch/requests.$program.$n")" -gt 0 ] 2>/dev/null && break
        done
        [ "$(head -1 "$scratch/requests.$program.$n")" -gt 0 ] 2>/dev/null ||
            die "the request trace of $program with $n notes failed"
    done
done
(cd "$scratch" && awk -v n="$notes" '
    FNR == 1 { file = FILENAME; total[file] = $1; next }
    { count[file, $1] = $2; names[$1] = 1 }
    END {
        p1 = "requests.Pinwell.exe.1"; pn = "requests.Pinwell.exe." n
        f1 = "requests.floor100.exe.1"; fn = "requests.floor100.exe." n
        p = (total[pn] - total[p1]) / (n - 1); f = (total[fn] - total[f1]) / (n - 1)
        printf "  %-44s %d with 1 note, %d with %d\n", "Pinwell.exe", total[p1], total[pn], n
        printf "  %-44s %d with 1 window, %d with %d\n", "floor100.exe", total[f1], total[fn], n
        printf "  %-44s %.1f against %.1f per floor window: %.2f x floor (goal <= 1.5)\n", "requests per note", p, f, (f > 0 ? p / f : 0)
        print "  per note, the requests that differ most from the floor (Pinwell, floor):"
        for (r in names) {
            d = ((count[pn, r] - count[p1, r]) - (count[fn, r] - count[f1, r])) / (n - 1)
            if (d >= 0.5 || d <= -0.5)
                printf "    %-36s %7.1f %7.1f\n", r, (count[pn, r] - count[p1, r]) / (n - 1), (count[fn, r] - count[f1, r]) / (n - 1)
        }
    }' requests.Pinwell.exe.1 "requests.Pinwell.exe.$notes" requests.floor100.exe.1 "requests.floor100.exe.$notes") |
    awk 'NR <= 4 { print; fflush(); next } { print | "sort -k2,2nr -k1,1" }'
