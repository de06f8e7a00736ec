# Storage events become traps end to end: the real daemon on the simulated
# library with the sample definitions, an event injected into the library's
# FIFO, the real trap sender, and a real snmptrapd on 127.0.0.1 that receives
# each trap once per community/port pair, in order.
source "$(dirname "$0")/lib.sh"

PORT=11762
RAID=.1.3.6.1.4.1.7310.4.1
SHELF=.1.3.6.1.4.1.7310.5.1
TAB=$'\t'

install_sample_definitions
printf '127.0.0.1:%s public\n127.0.0.1:%s second\n' $PORT $PORT >/etc/qbz_korvodsnmp/korvosim-raid.traps
printf '127.0.0.1:%s public\n' $PORT >/etc/qbz_korvodsnmp/korvosim-enclosure.traps
write_snmpd_conf 11763 pass_persist

start_snmptrapd $PORT

start_agent
wait_for 10 test -p "$WORK/events" || fail "the simulated library made no event FIFO"

# Community, enterprise, generic, specific and variables of the traps that
# arrived with the given specific number.
traps_numbered() {
    grep '^TRAP' "$TRAPLOG" | cut -f5-8,10- | awk -F'\t' -v n=".$1" '$4 == n'
}

# Injects an adapter-setting event (trap 6, which no other event of this test
# gives) and waits until both pairs of the RAID definition have its trap. The
# library delivers its events one after another and the daemon waits for
# each sender run, so every trap of the events before it has arrived by then.
MARKERS=0
send_marker() {
    MARKERS=$((MARKERS + 1))
    echo "event 301 0 Marker$MARKERS $MARKERS" >"$WORK/events"
    wait_for 15 markers_arrived $((2 * MARKERS)) ||
        fail "marker $MARKERS did not arrive: $(cat "$TRAPLOG" "$WORK/agent.err")"
}
markers_arrived() {
    [ "$(traps_numbered 6 | cut -f2 | grep -c -x -F "$RAID.100")" -ge "$1" ]
}

# ---- A drive fails -------------------------------------------------------
start_snmpd 11763 pass_persist
serial=$(snmpget -v2c -c public -m '' -Oqv 127.0.0.1:11763 $RAID.3.1.4.3)
serial=${serial//\"/}
echo "fail-drive 0 3" >"$WORK/events"
wait_for 15 trap_count 4 || fail "no traps for the failed drive: $(cat "$TRAPLOG" "$WORK/agent.err")"
send_marker
failed=$(traps_numbered 2)
[ -n "$failed" ] || fail "no 'drive failed' trap: $(cat "$TRAPLOG")"
expect_eq 2 "$(wc -l <<<"$failed")" "the 'drive failed' trap arrives once per pair"
expect_eq "public" "$(head -1 <<<"$failed" | cut -f1)" "the first pair first"
expect_eq "second" "$(tail -1 <<<"$failed" | cut -f1)" "the second pair second"
first=$(head -1 <<<"$failed")
expect_eq "$RAID.100${TAB}6$TAB.2" "$(cut -f2-4 <<<"$first")" "enterprise, generic and specific"
expect_contains "$first" "$RAID.3.1.1 = INTEGER: 0" "adapter variable"
expect_contains "$first" "$RAID.3.1.2 = INTEGER: 3" "drive variable"
expect_contains "$first" "$RAID.100.0.2 = Hex-STRING: " "the description variable"
expect_contains "$first" "$RAID.3.1.4 = Hex-STRING: $(hex "$serial")" "the drive's serial number"
[ -n "$(traps_numbered 1)" ] || fail "no 'drive state' trap"
pass "a failed drive arrives as traps"

# ---- The enclosure definition turns its own events into traps ---------------
before=$(grep -c '^TRAP' "$TRAPLOG")
echo "fan-fail 0" >"$WORK/events"
wait_for 15 trap_count $((before + 2)) || fail "no traps for the fan: $(cat "$TRAPLOG")"
send_marker
fan=$(grep '^TRAP' "$TRAPLOG" | tail -n +$((before + 1)) | cut -f5-8,10- | grep "$SHELF.100")
expect_contains "$fan" "public$TAB$SHELF.100${TAB}6$TAB.2$TAB$SHELF.1.1.1 = INTEGER: 0" "fan trap"
[[ "$fan" != *"$SHELF.100.0."* ]] || fail "the enclosure definition hides the description"
pass "enclosure events arrive under the second definition"
echo "1 passed, 0 failed"
