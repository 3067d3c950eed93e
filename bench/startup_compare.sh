#!/usr/bin/env bash
# Start-up of vantrel-test to its idle main window beside the floor, a bare
# Qt Widgets program with as many controls (vantrel-startup-floor): each run
# as a whole process, offscreen, the two alternating run by run, and the
# medians and their ratio printed.
#   bench/startup_compare.sh [BUILD_DIR]     (default: build; RUNS=15)
# UTILITY=PATH times another vantrel-test (an earlier build kept aside).
# Run it holding the build lock, so that no build runs meanwhile:
#   flock /tmp/vantrel-build.lock bench/startup_compare.sh
# A build without the benchmarks gets the floor built beside it, in
# BUILD_DIR/startup-floor, with the same build type.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
RUNS="${RUNS:-15}"

UTILITY="${UTILITY:-$BUILD/vantrel-test}"
FLOOR="$BUILD/vantrel-startup-floor"
[ -x "$UTILITY" ] || { echo "startup_compare: no $UTILITY (build the target vantrel-test)" >&2; exit 2; }
if [ ! -x "$FLOOR" ]; then
    type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$BUILD/CMakeCache.txt")"
    cmake -S "$ROOT/bench/startup_floor" -B "$BUILD/startup-floor" -DCMAKE_BUILD_TYPE="${type:-RelWithDebInfo}" >/dev/null
    cmake --build "$BUILD/startup-floor" -j2 >/dev/null
    FLOOR="$BUILD/startup-floor/vantrel-startup-floor"
fi

# Both start alike: offscreen, a runtime folder of their own, and no saved
# settings (the utility would otherwise probe the server used last).
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -m 700 "$SCRATCH/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$SCRATCH/runtime" XDG_CONFIG_HOME="$SCRATCH/config"
unset VANTREL_SERVER

# Wall time of one whole run in microseconds; a run that fails ends the comparison.
run_us() {
    local start=$EPOCHREALTIME
    "$@" --quit-when-idle >/dev/null 2>"$SCRATCH/stderr" || {
        echo "startup_compare: $* failed:" >&2
        cat "$SCRATCH/stderr" >&2
        exit 1
    }
    local end=$EPOCHREALTIME
    echo $(((${end/./} - ${start/./})))
}

median_ms() {
    sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'
}

# One run of each first, not counted: the files they read are then in the page cache.
run_us "$FLOOR" >/dev/null
run_us "$UTILITY" >/dev/null
floor_runs=() utility_runs=()
for ((i = 0; i < RUNS; ++i)); do
    if ((i % 2)); then # alternating which of the two goes first
        utility_runs+=("$(run_us "$UTILITY")")
        floor_runs+=("$(run_us "$FLOOR")")
    else
        floor_runs+=("$(run_us "$FLOOR")")
        utility_runs+=("$(run_us "$UTILITY")")
    fi
done
floor="$(printf '%s\n' "${floor_runs[@]}" | median_ms)"
utility="$(printf '%s\n' "${utility_runs[@]}" | median_ms)"
echo "floor   (vantrel-startup-floor): median ${floor} ms of ${RUNS}"
echo "utility (vantrel-test):          median ${utility} ms of ${RUNS}"
awk -v u="$utility" -v f="$floor" 'BEGIN { printf "ratio: %.2f\n", u / f }'
