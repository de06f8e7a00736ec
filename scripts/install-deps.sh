#!/usr/bin/env bash
# Installs, with apt-get, what building and testing need and the machine lacks.
# Safe to run again: with everything in place it changes nothing and reaches
# no package server. Each apt-get run is bounded in time.
#   install-deps.sh            everything (scripts/test.sh, bench/run.sh)
#   install-deps.sh --demo     only what scripts/demo.sh builds and runs
#   install-deps.sh [--demo] --list    prints the packages on one line
set -euo pipefail

# What the demo builds and runs: the daemon, relay, definition tool and
# simulated library (no tests), snmpd, snmptrapd, the managers and the
# exporter.
DEMO_PACKAGES=(
    cmake g++ make                  # the build
    snmp snmpd snmptrapd            # net-snmp: the agent's peer, the managers, the trap sender
    util-linux procps               # unshare, ipcs, pgrep, pkill
    prometheus-snmp-exporter        # scrapes the agent with the exporter module the tool writes
)
# What the tests, benchmarks and fuzz targets need besides.
TEST_PACKAGES=(
    pkg-config                      # the benchmarks' build finds net-snmp's agent library
    libgtest-dev libgmock-dev       # unit tests
    libbenchmark-dev                # benchmarks
    libsnmp-dev                     # net-snmp's agent library: the AgentX peer of the benchmarks
    iproute2                        # ip for the system tests
    strace                          # watches the daemon's AgentX retries in a system test
    clang                           # fuzz targets (libFuzzer) and the ThreadSanitizer load build
    smitools                        # smilint for the generated MIB modules
    dpkg-dev                        # cpack -G DEB (dpkg-shlibdeps)
    g++-mingw-w64-x86-64-win32      # the Windows extension agent, 64-bit
    g++-mingw-w64-i686-win32        # the Windows extension agent, 32-bit
    wine64                          # runs the 64-bit Windows tests
    wine32:i386                     # runs the 32-bit Windows tests (needs i386 multiarch)
)

# wine32:i386 with the amd64 library updates it pulls in: about 1.1 GB of
# files and 0.3 GB of downloads. Refused up front below this much free room.
WINE32_ROOM_MB=2000
APT_TIMEOUT=1500 # seconds for one apt-get run

fail() {
    echo "install-deps: $*" >&2
    exit 1
}

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

free_mb() { # folder
    df -Pm "$1" | awk 'NR == 2 { print $4 }'
}

PACKAGES=("${DEMO_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
LIST=0
for argument in "$@"; do
    case "$argument" in
    --demo) PACKAGES=("${DEMO_PACKAGES[@]}") ;;
    --list) LIST=1 ;;
    *) fail "unknown argument $argument (--demo, --list)" ;;
    esac
done
if [ $LIST == 1 ]; then
    echo "${PACKAGES[*]}"
    exit 0
fi

missing=()
for package in "${PACKAGES[@]}"; do
    if ! is_installed "$package"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "installing: ${missing[*]}"
[ "$(id -u)" -eq 0 ] || fail "installing packages needs root (run as root or with sudo)"
export DEBIAN_FRONTEND=noninteractive

if [[ " ${missing[*]} " == *" wine32:i386 "* ]]; then
    room=$(free_mb /var/cache/apt/archives)
    [ "$room" -ge "$WINE32_ROOM_MB" ] ||
        fail "wine32:i386 for the 32-bit Windows tests needs about ${WINE32_ROOM_MB} MB free, only ${room} MB are (see README, Windows)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
fi

timeout "$APT_TIMEOUT" apt-get update -qq ||
    fail "apt-get update failed or took longer than $APT_TIMEOUT s"
timeout "$APT_TIMEOUT" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    fail "apt-get install ${missing[*]} failed or took longer than $APT_TIMEOUT s"
