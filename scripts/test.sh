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
