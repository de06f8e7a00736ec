#!/usr/bin/env bash
# Runs the 32-bit Windows extension agent's service test under wine. It
# needs i386 multiarch and wine32:i386 (about 1 GB; it upgrades many amd64
# library packages to match), which is why scripts/test.sh leaves it out.
# Needs root to install them; the native build (build/) provides the
# definition tool.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "installing wine32:i386 needs root (run as root or with sudo)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends wine32:i386 g++-mingw-w64-i686-win32 >/dev/null
fi

if [ ! -x build/qbz_korvomibconv ]; then
    cmake -S . -B build >/dev/null
    cmake --build build -j2 --target qbz_korvomibconv
fi

cmake -S windows -B build-win/i686 \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
    -DKORVO_MIBCONV="$PWD/build/qbz_korvomibconv" \
    -DKORVO_WINE_TESTS=ON -DKORVO_WINEPREFIX="$PWD/build-win/wineprefix-i686" >/dev/null
cmake --build build-win/i686 -j2
ctest --test-dir build-win/i686 --output-on-failure --no-tests=error
