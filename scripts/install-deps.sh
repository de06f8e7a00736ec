#!/usr/bin/env bash
# Installs, with apt-get, what building and testing need and the machine lacks.
set -euo pipefail

PACKAGES=(
    cmake g++ make pkg-config       # the build
    libgtest-dev libgmock-dev       # unit tests
    libbenchmark-dev                # benchmarks
    snmp snmpd snmptrapd            # net-snmp: the agent's peer and the trap sender
    libsnmp-dev                     # net-snmp's agent library: the AgentX peer of the benchmarks
    util-linux procps iproute2      # unshare, ipcs, pgrep, ip for the system tests
    clang                           # fuzz targets (libFuzzer) and the ThreadSanitizer load build
    smitools                        # smilint for the generated MIB modules
    dpkg-dev                        # cpack -G DEB (dpkg-shlibdeps)
    g++-mingw-w64-x86-64-win32      # the Windows extension agent, 64-bit
    g++-mingw-w64-i686-win32        # the Windows extension agent, 32-bit
    wine64                          # runs the 64-bit Windows tests
)

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "installing packages needs root (run as root or with sudo)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
