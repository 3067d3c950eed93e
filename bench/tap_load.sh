#!/bin/sh
# The site tap under load: CLIENTS python3-dbus clients make COUNT calls
# each to vantrel-forecourt on a private bus at full speed, first without
# the tap, then with `vantrel-test --tap` watching, then without again.
# Prints the calls' median latency in each round, the exchanges the tap
# showed (every call should be one, none waiting or lost at the end) and the
# tap's peak memory.
# Usage: bench/tap_load.sh [CLIENTS [COUNT [BUILD]]]     (default 8 10000 build)
set -eu
clients=${1:-8}
count=${2:-10000}
build=${3:-build}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'kill $tap $server $daemon 2>/dev/null; rm -rf "$work"' EXIT
tap=; server=
dbus-daemon --session --nofork --print-address=1 >"$work/address" &
daemon=$!
while [ ! -s "$work/address" ]; do sleep 0.1; done
address=$(head -n1 "$work/address")
"$build/vantrel-forecourt" --address "$address" -q &
server=$!
sleep 1

round() { # prints the median of the clients' medians, in microseconds
    i=0; pids=
    while [ $i -lt "$clients" ]; do
        /usr/bin/python3 "$here/tap_load_client.py" "$address" "$count" >"$work/client$i" &
        pids="$pids $!"
        i=$((i + 1))
    done
    wait $pids
    cat "$work"/client* | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
    rm -f "$work"/client*
}

echo "round without the tap: median $(round) us"
/usr/bin/time -v ${TAP_NICE:+nice -n $TAP_NICE} "$build/vantrel-test" --tap "dbus:Vantrel.Application@$address" >"$work/tap.out" 2>"$work/tap.time" &
tap=$!
while ! grep -q "served by" "$work/tap.out" 2>/dev/null; do sleep 0.1; done
echo "round with the tap:    median $(round) us"
sleep 1
kill -INT $(pgrep -P $tap) 2>/dev/null || kill -INT $tap
wait $tap || true
tap=
echo "round without the tap: median $(round) us"
total=$((clients * count))
shown=$(grep -c ' get QueCountQuery() -> ' "$work/tap.out" || true)
echo "tap: $shown of $total exchanges shown; $(grep -c -e 'reply lost' -e 'went away' "$work/tap.out" || true) lost or unpaired"
tail -n 1 "$work/tap.out"
grep -E 'Maximum resident' "$work/tap.time"
