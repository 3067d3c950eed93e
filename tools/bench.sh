#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them all; pass Google Benchmark
# flags through, e.g. tools/bench.sh --benchmark_filter=Press
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
source "$ROOT/tools/packages.sh"
install_missing cmake g++ make qt6-base-dev libbenchmark-dev
[ -f build-bench/CMakeCache.txt ] || cmake --preset bench >/dev/null
cmake --build build-bench --target vantrel_bench -j "$(nproc)"
exec build-bench/vantrel_bench "$@"
