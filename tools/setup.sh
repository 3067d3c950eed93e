#!/usr/bin/env bash
# Installs what the build needs (Debian packages), then configures and
# builds in build/ (incrementally). Sourced by run.sh and test.sh.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# fonts-freefont-ttf draws the control pictures (␀ ␍ ␊ ␛) the result boxes show.
# dbus, systemd (busctl), util-linux (setpriv) and python3-dbus (a client of the tap's tests) serve the
# D-Bus tests; valgrind the memory check;
# dpkg-dev, desktop-file-utils, man-db, lintian and devscripts (hardening-check) build and check the
# Debian package. libdbus-1-dev takes captured D-Bus messages apart and builds them again, and is the
# site tap's monitor connection.
PACKAGES=(cmake g++ make qt6-base-dev libdbus-1-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-freefont-ttf
          dbus dbus-daemon systemd util-linux python3-dbus valgrind dpkg-dev desktop-file-utils man-db lintian
          devscripts openssh-client openssh-server)

source "$ROOT/tools/packages.sh"
install_missing "${PACKAGES[@]}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
