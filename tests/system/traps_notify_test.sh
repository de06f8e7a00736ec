# SNMPv2c traps, informs and SNMPv3 notifications raised through the event
# callback leave through the real trap sender and arrive at a real
# snmptrapd on 127.0.0.1: the v2c trap with its notification OID, variables
# and description, the inform acknowledged, the SNMPv3 authPriv trap
# decoded with the user's keys. An inform to a port where nothing listens
# gives up within the bound and the next destination still receives.
source "$(dirname "$0")/lib.sh"

DRIVER=$BUILD_DIR/tests/korvo_trap_driver
RAID=.1.3.6.1.4.1.7310.4.1
PORT=11564
DEAD_PORT=11599
ENGINE=0x8000000001020304
TAB=$'\t'

cd "$WORK" # the stores leave their trace file in the working directory
cp "$BUILD_DIR/examples/korvosim-raid.dat" "$BUILD_DIR/examples/korvosim-enclosure.dat" "$WORK/"
cat >"$WORK/raid.traps" <<TRAPS
127.0.0.1:$PORT public 2c
127.0.0.1:$PORT public inform
TrapDestInd 3
TRAPS
: >"$WORK/enclosure.traps"
cat >"$WORK/snmpd.conf" <<CONF
trapsess -v 3 -u korvo -l authPriv -a SHA -A authpass123 -x AES -X privpass123 -e $ENGINE 127.0.0.1:$PORT
informsink 127.0.0.1:$DEAD_PORT public
trap2sink 127.0.0.1:$PORT second
CONF
cat >"$WORK/list.ini" <<LIST
NoOfInstalledController = 2
$WORK/korvosim-raid.dat $WORK/raid.traps
$WORK/korvosim-enclosure.dat $WORK/enclosure.traps
LIST

# The real sender behind a stand-in that records its exit status and how
# long it ran, in milliseconds.
private_state_folder
cp /usr/bin/snmptrap "$WORK/snmptrap.real"
cat >"$WORK/snmptrap" <<SCRIPT
#!/bin/bash
started=\$(date +%s%N)
"$WORK/snmptrap.real" "\$@" 2>>"$WORK/sender.err"
status=\$?
echo "\$status \$(( (\$(date +%s%N) - started) / 1000000 )) \$*" >>"$WORK/real.runs"
exit \$status
SCRIPT
chmod +x "$WORK/snmptrap"
mount --bind "$WORK/snmptrap" /usr/bin/snmptrap

start_snmptrapd $PORT "createUser -e $ENGINE korvo SHA authpass123 AES privpass123
authUser log korvo priv"

out=$("$DRIVER" "$WORK/list.ini" "$WORK/snmpd.conf" 0 0x101 "Drive state" 1: 2: 3: 0:Rebuilding)
expect_eq "result 1" "$out" "callback result"
wait_for 10 trap_count 4 || fail "four notifications expected: $(cat "$TRAPLOG" "$WORK/sender.err")"

# Security name or community, snmpTrapOID and the variables after it (the
# uptime varies).
received() {
    grep '^TRAP' "$TRAPLOG" | cut -f5,11-
}
VARS="$RAID.3.1.1 = INTEGER: 1$TAB$RAID.3.1.2 = INTEGER: 2$TAB$RAID.3.1.6 = INTEGER: 3"
VARS="$VARS$TAB$RAID.100.1.1 = Hex-STRING: $(hex Rebuilding) "
VARS="$VARS$TAB$RAID.100.0.1 = Hex-STRING: $(hex "Drive state") "
NOTIFICATION=".1.3.6.1.6.3.1.1.4.1.0 = OID: $RAID.100.0.1"
expect_eq "public$TAB$NOTIFICATION$TAB$VARS
public$TAB$NOTIFICATION$TAB$VARS
korvo$TAB$NOTIFICATION$TAB$VARS
second$TAB$NOTIFICATION$TAB$VARS" "$(received)" "the notifications that arrived, in order"
pass "v2c trap, inform and SNMPv3 authPriv trap arrive with notification OID, variables, description"

# Exit status and time of each run: the inform was answered, the one to the
# dead port gave up by itself well within the sender's 10 s.
mapfile -t runs <"$WORK/real.runs"
expect_eq 5 "${#runs[@]}" "five sender runs"
read -r status _ _ <<<"${runs[1]}"
expect_eq "0" "$status" "the inform was acknowledged"
read -r status took args <<<"${runs[3]}"
expect_contains "$args" "-Ci -t 1 -r 3 127.0.0.1:$DEAD_PORT" "the dead inform's run"
expect_eq "1" "$status" "the inform to the dead port timed out"
[ "$took" -ge 3000 ] && [ "$took" -lt 8000 ] || fail "the dead inform took $took ms"
for run in 0 2 4; do
    expect_eq 0 "${runs[$run]%% *}" "run $run succeeded"
done
! grep -q -e authpass123 -e privpass123 "$WORK/real.runs" || fail "a pass phrase in a vector"
pass "inform acknowledged; an inform to a dead port gave up after $took ms, the next one arrived"
echo "1 passed, 0 failed"
