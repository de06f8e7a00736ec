# The Debian package: built with CPack from the sources, installed with
# apt-get on the machine inside this test's private mount namespace (overlays
# over /usr, /etc and /var whose changes live in a tmpfs and vanish with it),
# then the installed agent on the installed simulator behind snmpd with the
# installed snippet (snmpd's AgentX master, the daemon started as the
# installed unit starts it): a walk with names from the installed MIB
# modules, the md arrays of a tree of md files (KORVOMD_ROOT) among them, and
# a trap with names.
source "$(dirname "$0")/lib.sh"
source "$SOURCE_DIR/mdraid/mdtree.sh"

PORT=11891
TRAP_PORT=11892
TARGET=127.0.0.1:$PORT
MODULES=KORVOSIM-RAID-MIB:KORVOSIM-ENCLOSURE-MIB:KORVOMD-MIB

# Stops what runs from the overlays and takes them down before the work
# folder goes.
finish_package() {
    local status=$?
    pkill -TERM -x qbz_korvodsnmpa 2>/dev/null || true
    jobs -p | xargs -r kill 2>/dev/null || true
    wait 2>/dev/null || true
    local i
    for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
        umount -l "${MOUNTED[i]}" 2>/dev/null || true
    done
    set +e
    (exit $status) # cleanup ends the test with this status
    cleanup
}
MOUNTED=()
trap finish_package EXIT

# Build the package from a configuration of its own (prefix /usr).
PKG=$WORK/pkg
cmake -S "$SOURCE_DIR" -B "$PKG" -DCMAKE_INSTALL_PREFIX=/usr -DKORVO_BUILD_TESTS=OFF \
    >"$WORK/pkg.log" 2>&1 || fail "configure: $(tail "$WORK/pkg.log")"
cmake --build "$PKG" -j2 >>"$WORK/pkg.log" 2>&1 || fail "build: $(tail "$WORK/pkg.log")"
(cd "$PKG" && cpack -G DEB) >>"$WORK/pkg.log" 2>&1 || fail "cpack: $(tail "$WORK/pkg.log")"
DEB=$(ls "$PKG"/korvosnmp_*_amd64.deb)
expect_contains "$(dpkg-deb -f "$DEB" Depends)" "snmpd, snmp" "the package's dependencies"
cp "$DEB" "$WORK/korvosnmp.deb"
pass "cpack -G DEB built $(basename "$DEB")"

# From here on the machine changes only through the overlays.
mkdir -p "$WORK/ovl"
mount -t tmpfs tmpfs "$WORK/ovl"
MOUNTED+=("$WORK/ovl")
for dir in usr etc var; do
    mkdir -p "$WORK/ovl/upper-$dir" "$WORK/ovl/work-$dir"
    mount -t overlay overlay \
        -o "lowerdir=/$dir,upperdir=$WORK/ovl/upper-$dir,workdir=$WORK/ovl/work-$dir" "/$dir"
    MOUNTED+=("/$dir")
done
mount -t tmpfs tmpfs /run # no systemd in sight: the maintainer scripts touch no service
MOUNTED+=(/run)
export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends "$WORK/korvosnmp.deb" >"$WORK/apt.log" 2>&1 ||
    fail "apt-get install: $(tail "$WORK/apt.log")"
expect_contains "$(dpkg-query -W -f='${Status}' korvosnmp)" "install ok installed" "package state"
for file in /usr/sbin/qbz_korvodsnmpagent /usr/bin/qbz_korvosnmprelay /usr/bin/qbz_korvomibconv \
    /usr/lib/x86_64-linux-gnu/libkorvosim.so /usr/lib/x86_64-linux-gnu/korvosim.inventory \
    /etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini /etc/qbz_korvodsnmp/korvosim-raid.dat \
    /usr/share/snmp/mibs/KORVOSIM-RAID-MIB.txt /etc/snmp/snmpd.conf.d/qbz_korvodsnmp.conf \
    /etc/sudoers.d/qbz_korvosnmprelay /usr/lib/systemd/system/qbz_korvodsnmpagent.service \
    /usr/share/man/man8/qbz_korvodsnmpagent.8 /usr/share/man/man5/qbz_korvosnmp-traps.5 \
    /usr/lib/x86_64-linux-gnu/libkorvomd.so /etc/qbz_korvodsnmp/korvomd.dat \
    /etc/qbz_korvodsnmp/korvomd.traps /usr/share/snmp/mibs/KORVOMD-MIB.txt \
    /usr/share/man/man7/korvomd.7; do
    [ -e "$file" ] || fail "$file is not installed"
done
expect_eq "440" "$(stat -c %a /etc/sudoers.d/qbz_korvosnmprelay)" "the sudoers rule's mode"
expect_contains "$(ldconfig -p)" "libkorvosim.so" "the loader's cache"
expect_eq 1 "$(grep -c korvomd.dat /etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini)" \
    "the controller list names the md library"
pass "apt-get installed the package; programs, library, configuration, MIBs, unit, man pages"

# The installed agent: traps of both definitions to a private snmptrapd.
for traps in /etc/qbz_korvodsnmp/*.traps; do
    echo "127.0.0.1:$TRAP_PORT public" >"$traps"
done
cat >"$WORK/snmptrapd.conf" <<CONF
authCommunity log public
[snmp] persistentDir $SNMP_PERSISTENT_DIR
CONF
/usr/sbin/snmptrapd -f -C -c "$WORK/snmptrapd.conf" -n -m "$MODULES" -Lf "$WORK/traps.log" \
    -p "$WORK/snmptrapd.pid" -F 'TRAP %N %q %v\n' "udp:127.0.0.1:$TRAP_PORT" &
wait_for 10 grep -q "NET-SNMP version" "$WORK/traps.log" || fail "snmptrapd did not start"

# The daemon joins snmpd's AgentX master at the address the installed unit
# gives it; the snippet makes snmpd the master on its default socket.
UNIT=/usr/lib/systemd/system/qbz_korvodsnmpagent.service
MASTER=$(sed -n 's/^ExecStart=.* -x \([^ ]*\).*/\1/p' "$UNIT")
expect_eq /var/agentx/master "$MASTER" "the unit's AgentX master"
grep -q '^master agentx' /etc/snmp/snmpd.conf.d/qbz_korvodsnmp.conf || fail "the snippet makes no master"
mkdir -p "$WORK/snmpd"
cat >"$WORK/snmpd/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$PORT
rocommunity  public  127.0.0.1
includeDir /etc/snmp/snmpd.conf.d
[snmp] persistentDir $WORK/snmpd
CONF
export KORVOSIM_EVENTS=$WORK/events
# The host's md arrays, as the md library finds them (lib.sh points it at the
# test's own tree).
md_tree_array "$KORVOMD_ROOT" md0 raid1 2
md_tree_member "$KORVOMD_ROOT" md0 sda1 in_sync 0
md_tree_member "$KORVOMD_ROOT" md0 sdb1 in_sync 1
md_tree_mdstat "$KORVOMD_ROOT"
/usr/sbin/qbz_korvodsnmpagent -c "$WORK/snmpd/snmpd.conf" -x "$MASTER" >/dev/null 2>"$WORK/agent.err" ||
    fail "the installed agent did not start: $(cat "$WORK/agent.err")"
wait_for 10 segment_exists || fail "the installed agent did not serve: $(cat "$WORK/agent.err")"
/usr/sbin/snmpd -f -Lf "$WORK/snmpd/snmpd.log" -I -smux -C -c "$WORK/snmpd/snmpd.conf" -m '' \
    -p "$WORK/snmpd/snmpd.pid" &
wait_for 10 snmpget -v2c -c public -t 0.2 -r 0 -m '' "$TARGET" .1.3.6.1.2.1.1.5.0 \
    >/dev/null 2>&1 || fail "snmpd did not start: $(cat "$WORK/snmpd/snmpd.log")"
agent_answers() {
    snmpget -v2c -c public -t 0.2 -r 0 -m '' "$TARGET" .1.3.6.1.4.1.7310.4.1.1.1.0 2>/dev/null |
        grep -q STRING
}
wait_for 10 agent_answers || fail "the installed agent did not join the master: $(cat "$WORK/snmpd/snmpd.log")"

snmpwalk -v2c -c public -m "$MODULES" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/walk" 2>"$WORK/walk.err"
expect_contains "$(cat "$WORK/walk")" 'KORVOSIM-RAID-MIB::systemDriverVersion.0 = STRING: 7.4.0-sim' \
    "the first object"
expect_contains "$(cat "$WORK/walk")" "KORVOSIM-ENCLOSURE-MIB::batteryLearnCycleEnable.0 = INTEGER:" \
    "the last object of the simulator"
expect_contains "$(cat "$WORK/walk")" "KORVOMD-MIB::mdArrayLevel.0 = INTEGER: raid1(1)" "the md array"
expect_contains "$(cat "$WORK/walk")" "KORVOMD-MIB::mdMemberName.1 = STRING: sdb1" "its last member"
unnamed=$(grep -c -v '^KORVOSIM-\|^KORVOMD-' "$WORK/walk" || true)
expect_eq 0 "$unnamed" "objects without a name in the walk"
[ "$(wc -l <"$WORK/walk")" -gt 200 ] || fail "a short walk: $(cat "$WORK/walk")"
pass "the installed agent walks with names: $(wc -l <"$WORK/walk") objects"

echo "fail-drive 0 3" >"$KORVOSIM_EVENTS"
wait_for 20 grep -q 'korvosimRaidEvents KORVOSIM-RAID-MIB::physicalDriveFailed .*physicalDriveSerialNumber' \
    "$WORK/traps.log" || fail "no drive-failed trap arrived: $(cat "$WORK/traps.log")"
traps=$(grep '^TRAP' "$WORK/traps.log")
expect_contains "$traps" "TRAP KORVOSIM-RAID-MIB::korvosimRaidEvents KORVOSIM-RAID-MIB::physicalDriveFailed" "the drive-failed trap"
expect_contains "$traps" "KORVOSIM-RAID-MIB::physicalDriveSerialNumber = STRING:" "its variables"
pass "an injected drive failure arrived as named traps"
