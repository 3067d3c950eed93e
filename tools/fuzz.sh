#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   tools/fuzz.sh [SECONDS_PER_TARGET]     (default 600)
# Findings are written to build-fuzz/artifacts/; the seed corpora are in fuzz/corpus/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_EACH="${1:-600}"

source "$ROOT/tools/packages.sh"
install_missing clang libclang-rt-14-dev qt6-base-dev libdbus-1-dev cmake

cd "$ROOT"
[ -f build-fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null
cmake --build build-fuzz --target fuzz_all -j "$(nproc)"

mkdir -p build-fuzz/artifacts
status=0
for target in prompt_number script records xml packet_input card_mask site_state capture site_file; do
    work="build-fuzz/corpus/$target"
    mkdir -p "$work"
    echo "== fuzz_$target for ${SECONDS_EACH}s"
    if ! "build-fuzz/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/${target}-" "$work" "fuzz/corpus/$target" \
        2> "build-fuzz/fuzz_$target.log"; then
        echo "fuzz_$target found a problem:"; tail -40 "build-fuzz/fuzz_$target.log"; status=1
    else
        grep -E "stat::number_of_executed_units|stat::new_units_added" "build-fuzz/fuzz_$target.log" || true
    fi
done
exit $status
