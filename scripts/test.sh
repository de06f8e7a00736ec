#!/usr/bin/env bash
# Runs every test: installs what is missing, builds once plainly (build/) and
# once with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and
# runs CTest in both. Needs root: the system tests run the real daemon, snmpd
# and snmptrapd in private mount, IPC and PID namespaces.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

run_suite() { # build folder, extra CMake arguments
    local folder=$1
    shift
    echo "== $folder"
    cmake -S . -B "$folder" "$@" >/dev/null
    cmake --build "$folder" -j2
    ctest --test-dir "$folder" --output-on-failure --no-tests=error -j2
}

run_suite build
run_suite build-asan -DKORVO_SANITIZE=ON

# The Windows extension agent: both widths cross-built with mingw-w64, each
# DLL's exports and imports checked, and each width's service and start-up
# tests run under wine of that width (wine64, and wine32:i386 of the i386
# multiarch; install-deps.sh fails loudly where they cannot be installed).
run_windows() { # width
    local width=$1
    echo "== build-win/$width"
    cmake -S windows -B "build-win/$width" \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$width.cmake" \
        -DKORVO_MIBCONV="$PWD/build/qbz_korvomibconv" \
        -DKORVO_WINE_TESTS=ON >/dev/null
    cmake --build "build-win/$width" -j2
    ctest --test-dir "build-win/$width" --output-on-failure --no-tests=error
}

run_windows x86_64
run_windows i686
# A kernel that runs no 32-bit x86 program leaves the 32-bit service tests
# skipped (CTest lists them above); said again at the end, where it is seen.
win32_notice=
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    win32_notice="NOT RUN: the 32-bit Windows service tests (this machine's kernel runs no 32-bit x86 programs; see README, Windows)"
fi

# Every fuzz target for about 20 seconds (clang, in build-fuzz/).
echo "== fuzz"
fuzz/run.sh all 20
[ -z "$win32_notice" ] || echo "== $win32_notice" >&2
