#!/usr/bin/env bash
# Builds if needed and runs the utility. Without a display it says so and
# runs the example tour headless instead.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$ROOT/tools/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running the example tour headless."
    exec "$BUILD_DIR/vantrel-test" --script "$ROOT/examples/tour.vts" "$@"
fi
exec "$BUILD_DIR/vantrel-test" "$@"
