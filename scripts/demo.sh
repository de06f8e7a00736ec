#!/usr/bin/env bash
# Runs the agent for real on the simulated storage library: the daemon with
# the sample definitions, the real snmpd on udp:127.0.0.1:11161 as an AgentX
# master that the daemon joins with -x, a second snmpd on udp:127.0.0.1:11163
# with the relay (the alternative way), and snmptrapd on udp:127.0.0.1:11162,
# in private mount, IPC and PID namespaces so that the machine's
# configuration and any other agent stay untouched. Shows a walk of the whole
# tree through AgentX (states by name), a set read back, the same object
# through the relay, a drive failure injected into the simulated library
# arriving as named traps, a fan failure arriving as an SNMPv2c notification,
# the md library's tables (the host's Linux software RAID arrays; on a host
# without md, a raid1 and a raid5 of a small tree of md files that
# KORVOMD_ROOT points at, where a member is then marked faulty and its traps
# arrive), and a few lines of a Prometheus SNMP exporter scrape, then keeps
# serving until Ctrl-C.
#
#   scripts/demo.sh            build, show, keep serving
#   scripts/demo.sh --smoke    build, show, stop by itself
#
# It installs and builds only what it runs: net-snmp, the exporter and the
# build tools (install-deps.sh --demo), and the daemon, relay, definition
# tool, simulated library, md library, sample definitions and MIB modules,
# without the tests, in build-demo/. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_FOLDER=build-demo
DEMO_TARGETS=(qbz_korvodsnmpagent qbz_korvosnmprelay qbz_korvomibconv korvosim korvomd
              korvo_sample_definitions korvo_mibs)

if [ "${KORVO_DEMO_INSIDE:-}" != 1 ]; then
    echo "demo: installs what is missing of $(scripts/install-deps.sh --demo --list);" \
        "builds ${DEMO_TARGETS[*]} in $BUILD_FOLDER/"
    scripts/install-deps.sh --demo
    cmake -S . -B $BUILD_FOLDER -DKORVO_BUILD_TESTS=OFF >/dev/null
    cmake --build $BUILD_FOLDER -j2 --target "${DEMO_TARGETS[@]}"
    export KORVO_DEMO_INSIDE=1
    exec unshare --mount --ipc --pid --fork --mount-proc "$0" "$@"
fi

SMOKE=0
[ "${1:-}" == "--smoke" ] && SMOKE=1
BUILD=$PWD/$BUILD_FOLDER
PORT=11161
TRAP_PORT=11162
RELAY_PORT=11163
TARGET=127.0.0.1:$PORT
RELAY_TARGET=127.0.0.1:$RELAY_PORT
WORK=$(mktemp -d /tmp/korvo-demo.XXXXXX)
finish() {
    pkill -TERM -x qbz_korvodsnmpa 2>/dev/null || true
    jobs -p | xargs -r kill 2>/dev/null || true
    wait 2>/dev/null || true
    sleep 0.2
    # Only the folder mktemp made, never a mount inside it.
    if [[ $WORK =~ ^/tmp/korvo-demo\.[A-Za-z0-9]{6}$ ]] && [ -d "$WORK" ]; then
        find "$WORK" -xdev -delete || true
    fi
}
trap finish EXIT
# The managers, snmptrapd and the daemon's trap sender keep to net-snmp
# folders of the demo's own: neither the machine's persistent folder nor its
# client configuration (the demo's loads no MIB module unless -m names it).
export SNMP_PERSISTENT_DIR=$WORK/client
export SNMPCONFPATH=$WORK/client-conf
export KORVOSIM_EVENTS=$WORK/events
mkdir -p "$WORK"/{etc,snmpd,snmpd-relay,agentx,client/cert_indexes,client-conf} /etc/qbz_korvodsnmp
echo "mibs :" >"$SNMPCONFPATH/snmp.conf"

step() { printf '\n== %s\n' "$*"; }

# The md library serves the host's arrays; a host without md gets a small
# tree of md files in the kernel's layout instead: a raid1 and a raid5 with
# three members.
MD_TREE=0
if ! compgen -G "/sys/block/md*/md" >/dev/null; then
    MD_TREE=1
    source mdraid/mdtree.sh
    export KORVOMD_ROOT=$WORK/md-root KORVOMD_RESCAN_SECONDS=2
    step "no md arrays on this host: a tree of md files in $KORVOMD_ROOT (KORVOMD_ROOT)"
    md_tree_array "$KORVOMD_ROOT" md0 raid1 2
    md_tree_member "$KORVOMD_ROOT" md0 sda1 in_sync 0
    md_tree_member "$KORVOMD_ROOT" md0 sdb1 in_sync 1
    md_tree_array "$KORVOMD_ROOT" md1 raid5 3
    md_tree_member "$KORVOMD_ROOT" md1 sdc1 in_sync 0
    md_tree_member "$KORVOMD_ROOT" md1 sdd1 in_sync 1
    md_tree_member "$KORVOMD_ROOT" md1 sde1 in_sync 2
    md_tree_mdstat "$KORVOMD_ROOT"
    cat "$KORVOMD_ROOT/proc/mdstat"
fi

step "controller list and sample definitions (private /etc/qbz_korvodsnmp)"
cp "$BUILD"/examples/*.dat examples/*.traps examples/QBZ_KorvoSNMP.ini "$WORK/etc/"
# The demo's trap destinations: its own snmptrapd; the enclosure's asks for
# SNMPv2c with the version word.
for traps in "$WORK"/etc/*.traps; do
    echo "127.0.0.1:$TRAP_PORT public" >"$traps"
done
echo "127.0.0.1:$TRAP_PORT public 2c" >"$WORK/etc/korvosim-enclosure.traps"
mount --bind "$WORK/etc" /etc/qbz_korvodsnmp
cat /etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini

step "snmptrapd on udp:127.0.0.1:$TRAP_PORT"
cat >"$WORK/snmptrapd.conf" <<'CONF'
authCommunity log public
format1 trap: enterprise %N, specific trap %q~%V~%v\n
format2 notification from %u:~%V~%v\n
CONF
echo "[snmp] persistentDir $WORK/client" >>"$WORK/snmptrapd.conf"
/usr/sbin/snmptrapd -f -C -c "$WORK/snmptrapd.conf" -n -m KORVOSIM-RAID-MIB:KORVOSIM-ENCLOSURE-MIB:KORVOMD-MIB \
    -M "+$BUILD/mibs" -Lf "$WORK/traps.log" \
    -p "$WORK/snmptrapd.pid" "udp:127.0.0.1:$TRAP_PORT" &
for _ in $(seq 50); do grep -q "NET-SNMP version" "$WORK/traps.log" 2>/dev/null && break; sleep 0.1; done

# snmpd as an AgentX master on a socket of the demo's own; the daemon joins it.
SOCKET=$WORK/agentx/master
cat >"$WORK/snmpd/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$PORT
rwcommunity  private 127.0.0.1
rocommunity  public  127.0.0.1
master agentx
agentXSocket $SOCKET
[snmp] persistentDir $WORK/snmpd/persist
CONF
# The alternative: a second snmpd that runs the relay for the subtree.
cat >"$WORK/snmpd-relay/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$RELAY_PORT
rocommunity  public  127.0.0.1
pass_persist .1.3.6.1.4.1.7310 $BUILD/qbz_korvosnmprelay
[snmp] persistentDir $WORK/snmpd-relay/persist
CONF

start_snmpd() { # folder, target
    /usr/sbin/snmpd -f -Lf "$1/snmpd.log" -I -smux -C -c "$1/snmpd.conf" -m '' -p "$1/snmpd.pid" &
    for _ in $(seq 50); do
        snmpget -v2c -c public -t 0.2 -r 0 -m '' "$2" .1.3.6.1.2.1.1.5.0 >/dev/null 2>&1 && break
        sleep 0.1
    done
}

step "snmpd on udp:$TARGET, AgentX master on $SOCKET"
start_snmpd "$WORK/snmpd" "$TARGET"

step "the daemon on the simulated and md libraries: -c $WORK/snmpd/snmpd.conf -x $SOCKET"
LD_LIBRARY_PATH=$BUILD "$BUILD/qbz_korvodsnmpagent" -c "$WORK/snmpd/snmpd.conf" -x "$SOCKET"
for _ in $(seq 50); do ipcs -m | grep -q 0x000884ba && break; sleep 0.1; done
ipcs -m | grep -q 0x000884ba || { echo "the daemon did not start" >&2; exit 1; }
for _ in $(seq 50); do
    snmpget -v2c -c public -t 0.2 -r 0 -m '' "$TARGET" .1.3.6.1.4.1.7310.4.1.1.1.0 2>/dev/null |
        grep -q STRING && break
    sleep 0.1
done

step "snmpd on udp:$RELAY_TARGET with the relay (the alternative to AgentX)"
start_snmpd "$WORK/snmpd-relay" "$RELAY_TARGET"

# Names come from the MIB modules that the build writes from the definitions.
MIBS=(-m KORVOSIM-RAID-MIB:KORVOSIM-ENCLOSURE-MIB:KORVOMD-MIB -M "+$BUILD/mibs")
step "snmpwalk -v2c -c public ${MIBS[*]} $TARGET .1.3.6.1.4.1.7310"
snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" .1.3.6.1.4.1.7310 | tee "$WORK/walk"
echo "($(wc -l <"$WORK/walk") objects)"

step "set adapter 1's rebuild rate to 55 and read it back"
snmpset -v2c -c private "${MIBS[@]}" "$TARGET" KORVOSIM-RAID-MIB::adapterRebuildRate.1 i 55
snmpget -v2c -c public "${MIBS[@]}" "$TARGET" KORVOSIM-RAID-MIB::adapterRebuildRate.1

step "the same object through the relay: snmpget ... $RELAY_TARGET"
snmpget -v2c -c public "${MIBS[@]}" "$RELAY_TARGET" KORVOSIM-RAID-MIB::adapterRebuildRate.1

step "a drive fails: echo 'fail-drive 0 3' > \$KORVOSIM_EVENTS; the traps that arrived"
echo "fail-drive 0 3" >"$KORVOSIM_EVENTS"
for _ in $(seq 100); do
    [ "$(grep -c '^trap from' "$WORK/traps.log")" -ge 3 ] && break
    sleep 0.1
done
sleep 0.5
grep '^trap:' "$WORK/traps.log" | sed 's/~/\n    /g'

step "a fan fails: echo 'fan-fail 0' > \$KORVOSIM_EVENTS; the enclosure's SNMPv2c notification"
echo "fan-fail 0" >"$KORVOSIM_EVENTS"
for _ in $(seq 100); do
    grep -q '^notification' "$WORK/traps.log" && break
    sleep 0.1
done
sleep 0.5
# (SNMPv2-MIB is not loaded: its two objects are named here.)
grep '^notification' "$WORK/traps.log" | sed -e 's/~/\n    /g' \
    -e 's/SNMPv2-SMI::mib-2\.1\.3\.0/sysUpTime.0/' -e 's/SNMPv2-SMI::snmpModules\.1\.1\.4\.1\.0/snmpTrapOID.0/'

MD=.1.3.6.1.4.1.7310.7.1
step "the md library's tables: snmpwalk -v2c -c public ${MIBS[*]} $TARGET $MD"
snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" $MD |
    grep -E 'md(Array(Name|LevelName|Level|State|RaidDisks|Degraded|SyncAction|SizeMiB|DiskStatus)|Member(ArrayName|Name|Slot|State))\.' || true
if [ $MD_TREE == 1 ]; then
    step "a member fails: sdd1 of md1 marked faulty in the tree, md1's degraded set to 1; the traps that arrived"
    md_tree_member "$KORVOMD_ROOT" md1 sdd1 faulty none
    md_tree_set "$KORVOMD_ROOT" md1 degraded 1
    md_tree_mdstat "$KORVOMD_ROOT"
    for _ in $(seq 150); do
        grep -q 'mdArrayBecameDegraded' "$WORK/traps.log" && break
        sleep 0.1
    done
    grep '^trap:.*KORVOMD-MIB' "$WORK/traps.log" | sed 's/~/\n    /g'
    snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" KORVOMD-MIB::mdMemberState
fi

EXPORTER=127.0.0.1:11164
step "the Prometheus SNMP exporter on $EXPORTER with the modules qbz_korvomibconv exporter writes"
"$BUILD/qbz_korvomibconv" exporter examples/korvosim-raid.ini examples/korvosim-enclosure.ini \
    >"$WORK/snmp.yml"
/usr/bin/prometheus-snmp-exporter --config.file="$WORK/snmp.yml" --web.listen-address=$EXPORTER \
    >"$WORK/exporter.log" 2>&1 &
scrape() { # HTTP GET of the exporter's path $1
    exec 3<>"/dev/tcp/${EXPORTER%:*}/${EXPORTER#*:}" || return 1
    printf 'GET %s HTTP/1.0\r\n\r\n' "$1" >&3
    cat <&3
    exec 3<&-
}
for _ in $(seq 50); do scrape /metrics >/dev/null 2>&1 && break; sleep 0.1; done
echo "a few lines of /snmp?module=korvosim_raid&target=$TARGET:"
scrape "/snmp?module=korvosim_raid&target=$TARGET" |
    grep -E '^(physicalDriveState\{physicalDriveId="3"|physicalDriveTemperature\{physicalDriveId="[23]"|adapterModel|logicalDriveState\{logicalDriveId="0",logicalDriveState="degraded")'

if [ $SMOKE == 1 ]; then
    step "smoke run done"
    exit 0
fi
step "serving on udp:$TARGET through AgentX (community public, private for sets) and on udp:$RELAY_TARGET through the relay; Ctrl-C stops"
echo "try: snmpwalk -v2c -c public $TARGET .1.3.6.1.4.1.7310   (from another shell)"
echo " or: snmpwalk -v2c -c public $RELAY_TARGET .1.3.6.1.4.1.7310   (through the relay)"
wait
