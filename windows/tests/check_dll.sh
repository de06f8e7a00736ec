#!/usr/bin/env bash
# Checks the agent DLL's export directory and import list with objdump -p:
# module korvosnmp.dll, exactly the five entry points, and imports from
# KERNEL32, msvcrt and snmpapi only.
set -euo pipefail
objdump=$1
dll=$2
dump=$("$objdump" -p "$dll")

fail() {
    echo "FAILED: $*" >&2
    echo "$dump" >&2
    exit 1
}

module=$(sed -n 's/^Name[[:space:]]*[0-9a-f]* \(.*\)$/\1/p' <<<"$dump")
[ "$module" = korvosnmp.dll ] || fail "module name is '$module', not korvosnmp.dll"

grep -Eq 'Export Address Table[[:space:]]+00000005$' <<<"$dump" || fail "not five exports"
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' | sort | tr '\n' ' ')
expected="SnmpExtensionClose SnmpExtensionInit SnmpExtensionInitEx SnmpExtensionQuery SnmpExtensionTrap "
[ "$exports" = "$expected" ] || fail "exports are '$exports'"

imports=$(sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' <<<"$dump" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "kernel32.dll msvcrt.dll snmpapi.dll " ] || fail "imports are '$imports'"
echo "$dll: module korvosnmp.dll; exports $exports; imports $imports"
