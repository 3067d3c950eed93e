#!/usr/bin/env bash
# Builds if needed and runs every test.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$ROOT/tools/setup.sh"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
