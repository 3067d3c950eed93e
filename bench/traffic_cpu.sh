#!/usr/bin/env bash
# The processor time vantrel-forecourt takes on the real clock with traffic:
# a private bus, the service with --traffic RATE for SECONDS, its user and
# system time from /proc/PID/stat, as a share of one core.
#   bench/traffic_cpu.sh [SECONDS] [RATE]      (defaults: 60 and 2)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SERVICE="${VANTREL_FORECOURT:-$ROOT/build/vantrel-forecourt}"
SECONDS_RUN="${1:-60}"
RATE="${2:-2}"
DIR="$(mktemp -d)"
cleanup() {
    [ -n "${SERVICE_PID:-}" ] && kill "$SERVICE_PID" 2>/dev/null || true
    [ -n "${BUS_PID:-}" ] && kill "$BUS_PID" 2>/dev/null || true
    rm -rf "$DIR"
}
trap cleanup EXIT

dbus-daemon --session --print-address=3 --print-pid=4 --fork 3>"$DIR/address" 4>"$DIR/pid"
ADDRESS="$(head -n1 "$DIR/address")"
BUS_PID="$(head -n1 "$DIR/pid")"
"$SERVICE" --address "$ADDRESS" --traffic "$RATE" --quiet &
SERVICE_PID=$!
sleep 1 # started and serving

ticks() { awk '{ print $14 + $15 }' "/proc/$SERVICE_PID/stat"; }
HZ="$(getconf CLK_TCK)"
START="$(ticks)"
sleep "$SECONDS_RUN"
END="$(ticks)"
SITE="$(busctl --address "$ADDRESS" call Vantrel.Application /Vantrel/Application Vantrel.Simulator ReadSite n 1 |
        grep -o '\\"traffic\\":{[^}]*}' || true)"
awk -v t=$((END - START)) -v hz="$HZ" -v s="$SECONDS_RUN" -v r="$RATE" \
    'BEGIN { printf "traffic %s a minute for %d s: %.2f s of processor time, %.2f %% of one core\n", r, s, t / hz, 100 * t / hz / s }'
echo "${SITE:-the site could not be read}"
