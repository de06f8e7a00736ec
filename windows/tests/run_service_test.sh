#!/usr/bin/env bash
# Runs one service test program under wine: a private wine prefix, the given
# definitions persisted in the Windows layout into its Windows directory with
# a controller list naming them in the given order, and the program started
# from the build folder, where korvosnmp.dll and the storage libraries lie.
#   run_service_test.sh BUILD MIBCONV PREFIX WIDTH PROGRAM DEFINITION.ini...
set -euo pipefail
build=$1   # folder of the test programs
mibconv=$2 # native qbz_korvomibconv
prefix=$3  # wine prefix, made when missing
width=$4   # x86_64 or i686
program=$5 # e.g. korvosnmp_service_test.exe
shift 5

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=
# Debian 12's wine64 and wine32 packages install their loaders and the
# server under /usr/lib/wine only (the wine package adds /usr/bin/wine).
# 32-bit programs need the 32-bit loader of wine32:i386.
case $width in
x86_64) loaders=(wine /usr/lib/wine/wine64 /usr/lib/wine/wine) ;;
i686) loaders=(/usr/lib/wine/wine) ;;
*) fail "unknown width '$width'" ;;
esac
wine=
for candidate in "${loaders[@]}"; do
    if command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done
[ -n "$wine" ] || fail "no wine for $width programs (${loaders[*]}); scripts/install-deps.sh installs it"
# Some virtual machines' kernels run no 32-bit x86 program at all (every one
# fails with "Exec format error"); there the 32-bit run cannot happen. Said
# loudly and reported to CTest as skipped (SKIP_RETURN_CODE), never passed.
if [ "$width" = i686 ] && ! "$wine" --version >/dev/null 2>&1; then
    echo "NOT RUN: this machine's kernel runs no 32-bit x86 programs ($wine: $(
        "$wine" --version 2>&1 | tail -n 1)); the 32-bit service tests need one" >&2
    exit 77
fi
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wineserver" ] || fail "wineserver not found"

# The 32-bit programs run in a 32-bit prefix, as on 32-bit Windows.
if [ "$width" = i686 ]; then
    export WINEARCH=win32
    if [ -f "$prefix/system.reg" ] && ! grep -q '^#arch=win32' "$prefix/system.reg"; then
        rm -rf "$prefix" # a 64-bit prefix left by an earlier run
    fi
fi
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot could not make the prefix $prefix"
    "$wineserver" -w
fi

windir=$prefix/drive_c/windows
{
    printf '# Written by the service test\r\nNoOfInstalledController = %d\r\n' $#
    for definition in "$@"; do
        name=$(basename "$definition" .ini).dat
        "$mibconv" build --windows "$definition" "$windir/$name" >/dev/null
        printf '%s\r\n' "$name"
    done
} >"$windir/QBZ_KorvoSNMP.ini"

cd "$build"
set +e
"$wine" "$program" 2>&1 | cat # wine's console would add escape codes
status=${PIPESTATUS[0]}
set -e
"$wineserver" -w
exit "$status"
