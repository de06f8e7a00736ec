# The real daemon on the simulated library and the sample definitions, behind
# the real snmpd and the relay: gets, walks in every protocol version, bulk
# walks, sets and refused sets, a large inventory, and a missing controller
# list.
source "$(dirname "$0")/lib.sh"

PORT=11261
TARGET=127.0.0.1:$PORT
SNMP=(-m '' -On -t 5 -r 0)
RAID=.1.3.6.1.4.1.7310.4.1
SHELF=.1.3.6.1.4.1.7310.5.1

get() { snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" "$@"; }

install_sample_definitions
write_snmpd_conf "$PORT" pass_persist
start_agent
start_snmpd "$PORT" pass_persist

# ---- Gets ----------------------------------------------------------------
expect_eq '"7.4.0-sim"' "$(get $RAID.1.1.0)" "scalar text"
expect_eq 2 "$(get $RAID.1.2.0)" "scalar integer: adapters"
expect_eq 16 "$(get $RAID.1.3.0)" "scalar integer: drives"
expect_eq 1 "$(get $RAID.2.1.1.1)" "table cell: second adapter's number"
expect_eq 30 "$(get $RAID.2.1.7.1)" "table cell: rebuild rate"
expect_contains "$(get $RAID.2.1.7.2)" "No Such" "an adapter that does not exist"
expect_contains "$(get $RAID.1.2.1)" "No Such" "a scalar's instance other than 0"
pass "gets"

# ---- Walks ---------------------------------------------------------------
# Objects of the default inventory: System 5, Adapter 10 x 2, PhysicalDrive
# 11 x 16, LogicalDrive 8 x 4, Enclosure 8 x 1, Battery 8 x 1.
EXPECTED_OBJECTS=249
snmpwalk -v2c -c public "${SNMP[@]}" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/walk2c"
expect_eq $EXPECTED_OBJECTS "$(wc -l <"$WORK/walk2c")" "v2c walk: every object"
cut -d' ' -f1 "$WORK/walk2c" >"$WORK/oids"
sort -V -u "$WORK/oids" | cmp -s - "$WORK/oids" || fail "v2c walk: not strictly increasing"
grep -q "^$SHELF.2.1.8.0 = INTEGER: " "$WORK/walk2c" || fail "the walk reaches the second definition's last object"
grep -q 'STRING: "N/A"' "$WORK/walk2c" && fail "no read fails on the sample inventory"

snmpwalk -v1 -c public "${SNMP[@]}" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/walk1"
cmp -s "$WORK/walk1" "$WORK/walk2c" || fail "v1 and v2c walks differ"
snmpbulkwalk -v2c -c public "${SNMP[@]}" -Cr20 "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/bulk"
cmp -s "$WORK/bulk" "$WORK/walk2c" || fail "the bulk walk differs"
snmpwalk -v2c -c public "${SNMP[@]}" "$TARGET" .1.3.6.1.4.1.7310.5 >"$WORK/walk5"
expect_eq 16 "$(wc -l <"$WORK/walk5")" "a walk of the second definition's subtree alone"
pass "walks"

# ---- Sets ----------------------------------------------------------------
snmpset -v2c -c private "${SNMP[@]}" "$TARGET" $RAID.2.1.7.1 i 55 >/dev/null || fail "set rebuild rate"
expect_eq 55 "$(get $RAID.2.1.7.1)" "the rebuild rate is read back"
expect_eq 30 "$(get $RAID.2.1.7.0)" "the other adapter keeps its rate"
snmpset -v2c -c private "${SNMP[@]}" "$TARGET" $SHELF.2.1.8.0 i 1 >/dev/null || fail "set learn cycle"
expect_eq 1 "$(get $SHELF.2.1.8.0)" "a set in the second definition"

refused() { # what, OID, type, value
    if snmpset -v2c -c private "${SNMP[@]}" "$TARGET" "$2" "$3" "$4" >"$WORK/refused" 2>&1; then
        fail "$1: the set must be refused"
    fi
    expect_contains "$(cat "$WORK/refused")" "Error" "$1"
}
refused "read-only attribute" $RAID.2.1.6.0 i 20
refused "text for an integer" $RAID.2.1.7.0 s 20
refused "index out of range" $RAID.2.1.7.2 i 20
refused "value the library refuses" $RAID.2.1.7.0 i 101
refused "text attribute" $RAID.2.1.2.0 s "new model"
# A value of another type or out of the holder's range gets one answer,
# whatever its type: notWritable.
for typed in "i 101" "s 20" "u 20" "t 20" "a 10.0.0.1" "o .1.3" "x 0102" "d 1.2" "b 1"; do
    read -r type value <<<"$typed"
    snmpset -v2c -c private "${SNMP[@]}" "$TARGET" $RAID.2.1.7.0 "$type" "$value" >"$WORK/refused" 2>&1 || true
    expect_contains "$(cat "$WORK/refused")" "notWritable" "a set of type $type"
done
expect_eq 30 "$(get $RAID.2.1.7.0)" "refused sets change nothing"
pass "sets"
stop_snmpd
stop_agent
segment_gone || fail "the agent removes its block"

# ---- A large inventory -----------------------------------------------------
install_sample_definitions inventory <<'INVENTORY'
adapters 2
drives-per-adapter 200
INVENTORY
write_snmpd_conf "$PORT" pass_persist
start_agent
start_snmpd "$PORT" pass_persist
expect_eq 400 "$(get $RAID.1.3.0)" "drives of a large inventory"
expect_eq 1 "$(get $RAID.3.1.1.399)" "the 400th drive is on the second adapter"
expect_eq "$RAID.3.1.2.0" \
    "$(snmpgetnext -v2c -c public "${SNMP[@]}" "$TARGET" $RAID.3.1.1.399 | cut -d' ' -f1)" \
    "after the last drive comes the next column"
pass "more than 255 instances"
stop_snmpd
stop_agent

# ---- No controller list ----------------------------------------------------
rm /etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini
LD_LIBRARY_PATH=$BUILD_DIR "$BUILD_DIR/qbz_korvodsnmpagent" -c "$WORK/snmpd/snmpd.conf" >/dev/null
wait_for 10 no_agent_runs || fail "without a controller list the agent does not stay"
segment_gone || fail "without a controller list no block is created"
pass "no controller list"
echo "1 passed, 0 failed"
