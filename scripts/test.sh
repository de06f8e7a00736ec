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
# DLL's exports and imports checked; the service test runs under wine for
# x86_64 (the i686 run needs 32-bit wine: scripts/test-windows-i686.sh).
run_windows() { # width, whether to run the wine test
    local width=$1 wine_tests=$2
    echo "== build-win/$width"
    cmake -S windows -B "build-win/$width" \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$width.cmake" \
        -DKORVO_MIBCONV="$PWD/build/qbz_korvomibconv" \
        -DKORVO_WINE_TESTS="$wine_tests" >/dev/null
    cmake --build "build-win/$width" -j2
    ctest --test-dir "build-win/$width" --output-on-failure --no-tests=error
}

run_windows x86_64 ON
run_windows i686 OFF

# Every fuzz target for about 20 seconds (clang, in build-fuzz/).
echo "== fuzz"
fuzz/run.sh all 20
