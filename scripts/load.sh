#!/usr/bin/env bash
# Load test (not part of scripts/test.sh): builds the daemon, the relay and
# the simulated library with ThreadSanitizer in build-tsan/, then runs four
# snmpwalk clients at once through the real snmpd while 1,000 events are
# injected. Figures are appended to build-tsan/load.txt. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan -j2 --target qbz_korvodsnmpagent qbz_korvosnmprelay korvosim \
    korvo_logsink qbz_korvomibconv korvo_mibs >/dev/null
cmake --build build-tsan -j2 --target all >/dev/null
unshare --mount --ipc --pid --fork --mount-proc \
    bash tests/load/load.sh build-tsan . "$(pwd)/build-tsan/load.txt"
