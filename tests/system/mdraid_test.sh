# The md storage library end to end: the real daemon on libkorvomd.so over
# a tree of md files in the kernel's layout (KORVOMD_ROOT), behind the real
# snmpd with the relay: the array and member tables walk with the names of
# KORVOMD-MIB, a member marked faulty and the degraded count raised in the
# tree arrive at a real snmptrapd as one trap each, and a set of
# mdArraySyncSpeedMax writes the array's sync_speed_max.
source "$(dirname "$0")/lib.sh"
source "$SOURCE_DIR/mdraid/mdtree.sh"

PORT=11931
TRAP_PORT=11932
TARGET=127.0.0.1:$PORT
MD=.1.3.6.1.4.1.7310.7.1
RESCAN=2
TAB=$'\t'

# A raid1 and a raid5 with three members.
ROOT=$WORK/md-root
md_tree_array "$ROOT" md0 raid1 2
md_tree_member "$ROOT" md0 sda1 in_sync 0
md_tree_member "$ROOT" md0 sdb1 in_sync 1
md_tree_array "$ROOT" md1 raid5 3
md_tree_member "$ROOT" md1 sdc1 in_sync 0
md_tree_member "$ROOT" md1 sdd1 in_sync 1
md_tree_member "$ROOT" md1 sde1 in_sync 2
md_tree_mdstat "$ROOT"
export KORVOMD_ROOT=$ROOT KORVOMD_RESCAN_SECONDS=$RESCAN

private_syslog
private_controller_folder
cp "$BUILD_DIR/examples/korvomd.dat" /etc/qbz_korvodsnmp/
echo "127.0.0.1:$TRAP_PORT public" >/etc/qbz_korvodsnmp/korvomd.traps
printf 'NoOfInstalledController = 1\n/etc/qbz_korvodsnmp/korvomd.dat /etc/qbz_korvodsnmp/korvomd.traps\n' \
    >/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini
write_snmpd_conf $PORT pass_persist
start_snmptrapd $TRAP_PORT
start_agent
start_snmpd $PORT pass_persist

MIBS=(-m KORVOMD-MIB -M "+$BUILD_DIR/mibs")
walk=$(snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" $MD 2>&1)
for line in 'KORVOMD-MIB::mdArrayName.0 = STRING: md0' \
    'KORVOMD-MIB::mdArrayName.1 = STRING: md1' \
    'KORVOMD-MIB::mdArrayLevelName.1 = STRING: raid5' \
    'KORVOMD-MIB::mdArrayLevel.1 = INTEGER: raid5(5)' \
    'KORVOMD-MIB::mdArrayStateName.0 = STRING: clean' \
    'KORVOMD-MIB::mdArrayState.0 = INTEGER: clean(6)' \
    'KORVOMD-MIB::mdArrayRaidDisks.1 = INTEGER: 3 devices' \
    'KORVOMD-MIB::mdArrayDegraded.1 = INTEGER: 0 devices' \
    'KORVOMD-MIB::mdArraySyncAction.1 = INTEGER: idle(1)' \
    'KORVOMD-MIB::mdArraySizeMiB.1 = INTEGER: 2046 MiB' \
    'KORVOMD-MIB::mdArrayChunkSizeKiB.1 = INTEGER: 512 KiB' \
    'KORVOMD-MIB::mdArraySyncSpeedMax.1 = INTEGER: 200000 KiB/s' \
    'KORVOMD-MIB::mdArrayDiskStatus.1 = STRING: UUU' \
    'KORVOMD-MIB::mdMemberArrayName.4 = STRING: md1' \
    'KORVOMD-MIB::mdMemberName.3 = STRING: sdd1' \
    'KORVOMD-MIB::mdMemberSlot.3 = INTEGER: 1' \
    'KORVOMD-MIB::mdMemberStateName.3 = STRING: in_sync' \
    'KORVOMD-MIB::mdMemberState.3 = INTEGER: inSync(1)'; do
    grep -qxF "$line" <<<"$walk" || fail "the walk lacks [$line]: $walk"
done
expect_eq 0 "$(grep -cv '^KORVOMD-MIB::md' <<<"$walk")" "objects without a name in the walk"
expect_eq 69 "$(wc -l <<<"$walk")" "17 array columns of 2 rows and 7 member columns of 5 rows"
pass "the md tables walk with names: $(wc -l <<<"$walk") objects"

# ---- A member fails ------------------------------------------------------
traps_numbered() { # community, enterprise, generic, specific and variables
    grep '^TRAP' "$TRAPLOG" | cut -f5-8,10- | awk -F'\t' -v n=".$1" '$4 == n'
}
md_tree_member "$ROOT" md1 sdd1 faulty none
md_tree_set "$ROOT" md1 degraded 1
md_tree_mdstat "$ROOT"
wait_for 20 trap_count 2 || fail "no traps for the faulty member: $(cat "$TRAPLOG" "$WORK/agent.err")"
faulty=$(traps_numbered 1)
expect_contains "$faulty" "public$TAB$MD.100${TAB}6$TAB.1$TAB" "the member trap's enterprise and number"
expect_contains "$faulty" "$MD.1.1.2 = Hex-STRING: $(hex md1)" "the member trap names the array"
expect_contains "$faulty" "$MD.2.1.3 = Hex-STRING: $(hex sdd1)" "the member trap names the member"
expect_contains "$faulty" "$MD.2.1.5 = Hex-STRING: $(hex faulty)" "the member's state"
degraded=$(traps_numbered 2)
expect_contains "$degraded" "$MD.1.1.2 = Hex-STRING: $(hex md1)" "the degraded trap names the array"
expect_contains "$degraded" "$MD.1.1.8 = INTEGER: 1" "the devices missing"
expect_contains "$degraded" "$MD.1.1.7 = INTEGER: 3" "the devices of the array"
# (snmptrapd breaks a longer Hex-STRING after 16 bytes.)
expect_contains "$degraded" "$MD.100.0.2 = Hex-STRING: $(hex 'md1 is degraded:')" "the description"

# Two rescans later a recovery starts: its trap comes after every trap that
# the scans before it gave, and the failure has given one of each.
sleep $((2 * RESCAN))
md_tree_set "$ROOT" md1 sync_action recover
sync_trap_arrived() { [ -n "$(traps_numbered 4)" ]; }
wait_for 20 sync_trap_arrived || fail "no sync trap: $(cat "$TRAPLOG")"
expect_eq 1 "$(traps_numbered 1 | wc -l)" "member traps for one failure"
expect_eq 1 "$(traps_numbered 2 | wc -l)" "degraded traps for one failure"
expect_contains "$(traps_numbered 4)" "$MD.100.1.1 = Hex-STRING: $(hex recover)" "the operation"
expect_eq 3 "$(grep -c '^TRAP' "$TRAPLOG")" "traps in all"
walk=$(snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" $MD.2 2>&1)
grep -qxF 'KORVOMD-MIB::mdMemberState.4 = INTEGER: faulty(4)' <<<"$walk" ||
    fail "the faulty member is not last of md1: $walk"
pass "a faulty member and the degraded array arrive as one trap each"

# ---- A set of the sync speed limit ---------------------------------------
snmpset -v2c -c private "${MIBS[@]}" "$TARGET" KORVOMD-MIB::mdArraySyncSpeedMax.1 i 5000 >/dev/null ||
    fail "the set was refused"
expect_eq 5000 "$(cat "$ROOT/sys/block/md1/md/sync_speed_max")" "the array's sync_speed_max"
expect_eq "5000 KiB/s" "$(snmpget -v2c -c public "${MIBS[@]}" -Oqv "$TARGET" KORVOMD-MIB::mdArraySyncSpeedMax.1)" \
    "the limit read back"
if snmpset -v2c -c private "${MIBS[@]}" "$TARGET" KORVOMD-MIB::mdArrayRaidDisks.1 i 4 >/dev/null 2>&1; then
    fail "a read-only column was written"
fi
pass "a set of mdArraySyncSpeedMax writes sync_speed_max"

expect_eq "" "$(grep 'korvomd' "$WORK/syslog" || true)" "the md library's lines in the system log"
echo "1 passed, 0 failed"
