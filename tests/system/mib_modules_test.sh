# The MIB modules that the build writes from the sample definitions: smilint
# finds no error in them, and net-snmp names every object and trap that the
# definitions give.
source "$(dirname "$0")/lib.sh"

command -v smilint >/dev/null || fail "smilint is missing (scripts/install-deps.sh installs smitools)"
MODULES=(KORVOSIM-RAID-MIB KORVOSIM-ENCLOSURE-MIB KORVOMD-MIB)
for module in "${MODULES[@]}"; do
    file=$BUILD_DIR/mibs/$module.txt
    [ -s "$file" ] || fail "$file was not written"
    report=$(SMIPATH=$BUILD_DIR/mibs smilint -s -l 3 "$file" 2>&1)
    expect_eq "" "$report" "smilint -l 3 on $module"
done
pass "smilint -l 3 reports nothing for ${MODULES[*]}"

translate() {
    snmptranslate -m KORVOSIM-RAID-MIB:KORVOSIM-ENCLOSURE-MIB:KORVOMD-MIB -M "+$BUILD_DIR/mibs" "$@" \
        2>/dev/null | grep -v '^$'
}
RAID=.1.3.6.1.4.1.7310.4.1
SHELF=.1.3.6.1.4.1.7310.5.1
MD=.1.3.6.1.4.1.7310.7.1
expect_eq "KORVOSIM-RAID-MIB::systemDriverVersion.0
KORVOSIM-RAID-MIB::adapterRebuildRate.1
KORVOSIM-RAID-MIB::physicalDriveId.15
KORVOSIM-RAID-MIB::physicalDriveFailed
KORVOSIM-RAID-MIB::korvosimRaidStateName
KORVOSIM-ENCLOSURE-MIB::batteryLearnCycleEnable.0
KORVOSIM-ENCLOSURE-MIB::batteryStateChanged
KORVOMD-MIB::mdArraySyncSpeedMax.1
KORVOMD-MIB::mdMemberStateName.4
KORVOMD-MIB::mdMemberBecameFaulty
KORVOMD-MIB::korvomdReason" \
    "$(translate $RAID.1.1.0 $RAID.2.1.7.1 $RAID.3.1.2.15 $RAID.100.0.2 $RAID.100.1.1 \
        $SHELF.2.1.8.0 $SHELF.100.0.3 $MD.1.1.16.1 $MD.2.1.5.4 $MD.100.0.1 $MD.100.1.2)" \
    "names of objects and notifications"
expect_eq "$RAID.2.1.7.1" "$(translate -On KORVOSIM-RAID-MIB::adapterRebuildRate.1)" \
    "a name back to its OID"
pass "snmptranslate names objects and notifications both ways"

# The enumerations, units and descriptions of the definitions are in the modules.
detail=$(translate -Td KORVOSIM-RAID-MIB::physicalDriveState)
expect_contains "$detail" "SYNTAX	INTEGER {online(0), offline(1), failed(2), rebuilding(3), hotSpare(4), unconfigured(5)}" \
    "the drive state's enumeration"
expect_contains "$detail" 'DESCRIPTION	"State of the drive.' "the drive state's description"
expect_contains "$(translate -Td KORVOSIM-RAID-MIB::physicalDriveSizeMB)" 'UNITS		"MB"' "a unit"
expect_contains "$(translate -Td KORVOSIM-ENCLOSURE-MIB::batteryState)" \
    "INTEGER {optimal(0), charging(1), learning(2), failed(3)}" "the battery state's enumeration"
expect_eq "$RAID.100.0.3" "$(translate -On KORVOSIM-RAID-MIB::rebuildStarted)" "a notification name"
expect_contains "$(translate -Td KORVOMD-MIB::mdArrayLevel)" \
    "INTEGER {other(-1), raid0(0), raid1(1), raid4(4), raid5(5), raid6(6), raid10(10), linear(100)," \
    "the md level's enumeration"
expect_contains "$(translate -Td KORVOMD-MIB::mdArraySyncSpeedMax)" 'UNITS		"KiB/s"' "the md speed unit"
pass "snmptranslate reads the enumerations, units and descriptions"

# The tool refuses a definition that no module can hold, with the section.
sed 's/^OID_PREFIX=.*/OID_PREFIX=1.3.6.1.2.1.99/' "$SOURCE_DIR/examples/korvosim-raid.ini" \
    >"$WORK/bad.ini"
if "$BUILD_DIR/qbz_korvomibconv" mib "$WORK/bad.ini" >"$WORK/bad.txt" 2>"$WORK/bad.err"; then
    fail "a prefix outside the enterprise arc was accepted"
fi
expect_contains "$(cat "$WORK/bad.err")" "[GLOBALS] OID_PREFIX 1.3.6.1.2.1.99" "the problem"
expect_eq "" "$(cat "$WORK/bad.txt")" "no module printed"
pass "mib refuses a prefix outside the enterprise arc"
