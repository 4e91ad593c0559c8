#!/usr/bin/env bash
# Lanscout.exe between two computers of our own: two network namespaces joined
# by a veth pair. Lanscout runs under Wine in the first (in a copy of the
# build's Wine prefix) and must list the second in Pinwell.net: by address
# when no name is known for it, by name once the first namespace's hosts file
# names it (the reverse lookup). Only the addresses below are ever used, and
# the only packet sent to the second computer is one connection attempt to
# port 9 (discard), so that the first one's neighbour table knows it.
#
#   lanscout_netns.sh [BUILD_DIR]      (default: build/windows beside this tree)
# Needs root (ip netns). Exit 0: passed, 1: failed, 77: cannot run here.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows}
lanscout=$build/bin/Lanscout.exe
source_prefix=$build/wineprefix

if [ "$(id -u)" != 0 ] || ! command -v ip >/dev/null || ! ip netns list >/dev/null 2>&1; then
    echo "SKIP: needs root and ip netns"; exit 77
fi
if [ ! -x "$lanscout" ] || [ ! -f "$source_prefix/.pinwell-ready" ]; then
    echo "SKIP: build Lanscout.exe and the Wine prefix first ($build)"; exit 77
fi

tag=pwls$$
ns_a=${tag}a
ns_b=${tag}b
addr_a=10.213.77.1
addr_b=10.213.77.2
peer_name=lanscout-peer
work=$(mktemp -d /tmp/lanscout-netns.XXXXXX)
prefix=$work/prefix
made_netns_dir=
[ -d /etc/netns ] || made_netns_dir=yes

cleanup() {
    set +e
    if ip netns list | grep -qw "$ns_a"; then
        ip netns exec "$ns_a" env WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    fi
    ip netns del "$ns_a" 2>/dev/null
    ip netns del "$ns_b" 2>/dev/null
    rm -rf "/etc/netns/$ns_a"
    [ -z "$made_netns_dir" ] || rmdir /etc/netns 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

ip netns add "$ns_a"
ip netns add "$ns_b"
ip link add "${tag}x" type veth peer name "${tag}y"
ip link set "${tag}x" netns "$ns_a"
ip link set "${tag}y" netns "$ns_b"
ip -n "$ns_a" addr add "$addr_a/24" dev "${tag}x"
ip -n "$ns_b" addr add "$addr_b/24" dev "${tag}y"
for ns in "$ns_a" "$ns_b"; do ip -n "$ns" link set lo up; done
ip -n "$ns_a" link set "${tag}x" up
ip -n "$ns_b" link set "${tag}y" up

# One connection attempt (refused) teaches the first computer the second's
# link address.
for _ in 1 2 3 4 5; do
    ip netns exec "$ns_a" timeout 2 bash -c "exec 3<>/dev/tcp/$addr_b/9" 2>/dev/null || true
    ip -n "$ns_a" neigh show "$addr_b" | grep -q lladdr && break
    sleep 0.5
done
ip -n "$ns_a" neigh show "$addr_b" | grep -q lladdr || fail "the neighbour table never learnt $addr_b"

cp -a "$source_prefix" "$prefix"

# run_lanscout: one run in the first namespace; prints the NetList value.
run_lanscout() {
    local start end net
    rm -f "$prefix"/drive_c/users/*/AppData/Roaming/Pinwell.net
    start=$(date +%s%N)
    ip netns exec "$ns_a" env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        LANG=C.UTF-8 LC_ALL=C.UTF-8 timeout 120 wine "$lanscout" >/dev/null 2>&1 || fail "Lanscout.exe did not exit cleanly"
    end=$(date +%s%N)
    echo "Lanscout.exe ran $(( (end - start) / 1000000 )) ms (Wine start included)" >&2
    net=$(ls "$prefix"/drive_c/users/*/AppData/Roaming/Pinwell.net 2>/dev/null | head -n 1)
    [ -n "$net" ] || fail "no Pinwell.net written"
    sed -n 's/^NetList=//p' "$net" | tr -d '\r'
    ip netns exec "$ns_a" env WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
}

list=$(run_lanscout)
echo "NetList without a name for the peer: $list"
case "~$list" in
    *"~$addr_b~"*) ;;
    *) fail "$addr_b is not in the list" ;;
esac

# The first namespace's own hosts file names the peer: the reverse lookup
# finds it.
mkdir -p "/etc/netns/$ns_a"
{ cat /etc/hosts; echo "$addr_b $peer_name"; } > "/etc/netns/$ns_a/hosts"
list=$(run_lanscout)
echo "NetList with the peer named: $list"
case "~$list" in
    *"~${peer_name^^}~"*) ;;
    *) fail "${peer_name^^} is not in the list" ;;
esac
case "~$list" in
    *"~$addr_b~"*) fail "the named peer is listed by address as well" ;;
esac
echo "PASS"
