#!/bin/sh
# Peak memory and time of vantrel-test for one large answer: a private
# dbus-daemon, bench/large_reply_server.py answering CardQue with SIZE bytes,
# and a script that presses CardQue once, run under /usr/bin/time -v.
# Usage: [FLAT=1] [SHOT=1] bench/large_reply.sh SIZE [VANTREL_TEST]
# SIZE in bytes; FLAT=1: one line without line ends; SHOT=1: the window is
# drawn (--screenshot) after the press, as a technician would see it.
set -eu
size=$1
exe=${2:-build/vantrel-test}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'kill $server $daemon 2>/dev/null; rm -rf "$work"' EXIT
dbus-daemon --session --nofork --print-address=1 --print-pid=3 >"$work/address" 3>"$work/pid" &
daemon=$!
while [ ! -s "$work/address" ]; do sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/address")
export DBUS_SESSION_BUS_ADDRESS
: >"$work/server.log"
/usr/bin/python3 "$here/large_reply_server.py" "$size" ${FLAT:+flat} >"$work/server.log" 2>&1 &
server=$!
while ! grep -q serving "$work/server.log"; do sleep 0.1; done
printf 'press CardQue\nexpect TextBox is <data>=<Object>.CardQue\n' >"$work/large.vts"
QT_QPA_PLATFORM=offscreen /usr/bin/time -v "$exe" --server dbus --timeout 120000 --script "$work/large.vts" ${SHOT:+--screenshot "$work/shot.png"} \
    >"$work/out" 2>"$work/time" || true
tail -n 3 "$work/out" | cut -c1-300
grep -v serving "$work/server.log" | tail -n 3
grep -E 'Elapsed|Maximum resident' "$work/time"
