#!/usr/bin/env bash
# Builds the agent and shows it. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j2
build/qbz_korvodsnmpagent -v
