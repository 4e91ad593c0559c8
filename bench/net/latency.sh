#!/usr/bin/env bash
# Network benchmark of the real Pinwell.exe under Wine, on loopback:
#   delivery latency  send -> note window visible, median of SAMPLES sends
#                     made at random moments; the send's moment is the one the
#                     sender stamps just before it connects (--stamp), so its
#                     own launch is not counted (the script's clock when the
#                     sender gives no stamp)
#   sustained rate    COUNT notes sent back to back by pinwell-send: time until
#                     all are acknowledged and until all their windows exist;
#                     none may be lost (every one acknowledged, one window
#                     each, the note count in the data file up by COUNT)
#
#   latency.sh [SAMPLES [COUNT]]      defaults 20 and 40
#
# Uses the same settings as the network end-to-end cases (tests/e2e/net/lib.sh).
# Without DISPLAY it runs itself on a virtual screen.
set -uo pipefail

samples=${1:-20}
count=${2:-40}

case_name=bench
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/e2e/net" && pwd)/lib.sh"
on_screen "${BASH_SOURCE[0]}" "$samples" "$count"
install_cleanup
check_programs

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
minmax() { sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo " .. " hi }'; }

E2E_TMP_TAG=netbench
start_receiver 1000 800
sender=native
[ -x "$native_send" ] || sender="pinwell-send.exe under Wine"

# ---- latency -----------------------------------------------------------------
start_watch lat "$samples" $((samples * 20000))
lat=() ack=()
for ((i = 1; i <= samples; i++)); do
    # A random moment within the tick.
    sleep "0.$(printf '%03d' $((RANDOM % 500)))"
    t0=$(ms_now)
    send_note --stamp --from BENCH --text "latency sample $i" --port "$port" 127.0.0.1 || die "send $i failed: $send_out"
    t1=$(ms_now)
    stamped=$(printf '%s\n' "$send_out" | awk '$1 == "sending" { print $2; exit }')
    [ -n "$stamped" ] && t0=$stamped
    wait_new lat "$i" "$WAIT_MS" || die "sample $i: no window within $WAIT_MS ms"
    lat+=($((new_at - t0)))
    ack+=($((t1 - t0)))
done
lat_median=$(printf '%s\n' "${lat[@]}" | median)
lat_range=$(printf '%s\n' "${lat[@]}" | minmax)
ack_median=$(printf '%s\n' "${ack[@]}" | median)

# ---- sustained rate ------------------------------------------------------------
start_watch thr "$count" $((count * 2000 + 60000))
failed=0
t0=$(ms_now)
for ((i = 1; i <= count; i++)); do
    send_note --from BENCH --text "note $i of $count" --port "$port" 127.0.0.1 || failed=$((failed + 1))
done
t_acked=$(ms_now)
if ! wait_new thr "$count" $((count * 2000 + 60000)); then
    echo "only $(new_count thr) of $count windows appeared; visible top-level windows:"
    drv windows | awk '$3 == 1'
    die "the sustained run did not finish"
fi
t_all=$new_at
# Nothing more may come (a note created twice), and the count is exact.
sleep 1
extra=$(($(new_count thr) - count))
stored=$(ini_lookup 0 "$ini" PINWELL NumberOfNotes)
lost=$((failed + (1 + samples + count) - ${stored:-0}))
first_at=$(grep -v '^ready ' "$tmp/watch-thr" | head -n1 | cut -d' ' -f1)
acked_s=$(awk -v ms=$((t_acked - t0)) 'BEGIN { printf "%.1f", ms / 1000 }')
all_s=$(awk -v ms=$((t_all - t0)) 'BEGIN { printf "%.1f", ms / 1000 }')
rate=$(awk -v n="$count" -v ms=$((t_all - t0)) 'BEGIN { printf "%.2f", n * 1000 / ms }')
# Pace once the pipeline is full: from the first window to the last.
steady=$(awk -v n="$count" -v ms=$((t_all - first_at)) 'BEGIN { printf "%.0f", ms / (n - 1) }')

echo
echo "Pinwell network benchmark: loopback, Wine $(wine --version 2>/dev/null | sed 's/^wine-//'), sender: $sender"
printf '%-44s %s\n' "measure" "result"
printf '%-44s %s\n' "delivery latency, median of $samples" "$lat_median ms (range $lat_range ms)"
printf '%-44s %s\n' "acknowledgement, median of $samples" "$ack_median ms"
printf '%-44s %s\n' "$count notes back to back: all acknowledged" "$acked_s s ($failed not acknowledged)"
printf '%-44s %s\n' "$count notes back to back: all windows visible" "$all_s s"
printf '%-44s %s\n' "sustained rate" "$rate notes/s (one window every $steady ms)"
printf '%-44s %s\n' "lost / created twice" "$lost / $extra (NumberOfNotes $stored)"
printf '%-44s %s\n' "goals" "rate >= 20 notes/s with none lost, median latency <= 50 ms"
