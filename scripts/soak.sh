#!/usr/bin/env bash
# Soak test (not part of scripts/test.sh): builds build-rel/ with the soak
# driver, then sends 1,000,000 requests (or $1) through the block to the real
# daemon and checks that its resident memory grows by less than 1 MiB. The
# figures are appended to build-rel/soak.txt. Needs root (private namespaces).
set -euo pipefail
cd "$(dirname "$0")/.."
COUNT=${1:-1000000}
cmake -S . -B build-rel >/dev/null
cmake --build build-rel -j2 --target qbz_korvodsnmpagent korvosim korvo_logsink korvo_soak >/dev/null
unshare --mount --ipc --pid --fork --mount-proc \
    bash tests/load/soak.sh build-rel . "$COUNT" "$(pwd)/build-rel/soak.txt"
