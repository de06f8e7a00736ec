#!/usr/bin/env bash
# Runs the service test under wine: a private wine prefix, the sample
# definitions persisted in the Windows layout into its Windows directory
# with the controller list beside them, and the test program started from
# the build folder, where korvosnmp.dll and the simulated libraries lie.
set -euo pipefail
build=$1      # folder of korvosnmp_service_test.exe
mibconv=$2    # native qbz_korvomibconv
prefix=$3     # wine prefix, made when missing
examples=$4   # the sample definitions

export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=
# Debian 12's wine64 package installs its loader and server under
# /usr/lib/wine only; the wine package adds /usr/bin/wine.
first_program() {
    local candidate
    for candidate in "$@"; do
        if command -v "$candidate" >/dev/null 2>&1; then
            command -v "$candidate"
            return
        fi
    done
    echo "none of $* found" >&2
    exit 1
}
wine=$(first_program wine /usr/lib/wine/wine /usr/lib/wine/wine64)
wineserver=$(first_program wineserver /usr/lib/wine/wineserver)

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    "$wine" wineboot -i >/dev/null 2>&1
    "$wineserver" -w
fi

windir=$prefix/drive_c/windows
"$mibconv" build --windows "$examples/korvosim-raid.ini" "$windir/korvosim-raid.dat" >/dev/null
"$mibconv" build --windows "$examples/korvosim-enclosure.ini" "$windir/korvosim-enclosure.dat" >/dev/null
printf '# Written by the service test\r\nNoOfInstalledController = 2\r\nkorvosim-raid.dat\r\nkorvosim-enclosure.dat\r\n' \
    >"$windir/QBZ_KorvoSNMP.ini"

cd "$build"
set +e
"$wine" korvosnmp_service_test.exe 2>&1 | cat # wine's console would add escape codes
status=${PIPESTATUS[0]}
set -e
"$wineserver" -w
exit "$status"
