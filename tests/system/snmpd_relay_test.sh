# The real snmpd passes the agent's subtree to the relay, in both of its
# protocols, in front of a daemon side that answers from a fixed table:
# snmpget, snmpwalk and snmpset through the whole chain.
source "$(dirname "$0")/lib.sh"

PORT=11361
TARGET=127.0.0.1:$PORT
SNMP_OPTS=(-m '' -On -t 3 -r 0)

"$BUILD_DIR/tests/korvo_fake_agent" >"$WORK/fake.out" 2>&1 &
FAKE_PID=$!
wait_for 5 grep -q ready "$WORK/fake.out" || fail "the fake daemon side did not start"

check_chain() { # protocol
    local mode=$1
    start_snmpd "$PORT" "$mode"

    expect_eq '.1.3.6.1.4.1.7310.1.1.0 = STRING: "fake agent"' \
        "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.1.0)" \
        "$mode: snmpget of a string"
    expect_eq '.1.3.6.1.4.1.7310.1.2.0 = INTEGER: 42' \
        "$(snmpget -v1 -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.2.0)" \
        "$mode: snmpget v1 of an integer"
    expect_contains "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.9.0)" \
        "No Such" "$mode: snmpget of an unknown object"

    local walk
    walk=$(snmpwalk -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310)
    expect_eq '.1.3.6.1.4.1.7310.1.1.0 = STRING: "fake agent"
.1.3.6.1.4.1.7310.1.2.0 = INTEGER: 42
.1.3.6.1.4.1.7310.2.1.1.0 = INTEGER: 0
.1.3.6.1.4.1.7310.2.1.1.1 = INTEGER: 1
.1.3.6.1.4.1.7310.2.1.1.2 = INTEGER: 2
.1.3.6.1.4.1.7310.2.1.2.0 = STRING: "row 0"
.1.3.6.1.4.1.7310.2.1.2.1 = STRING: "row 1"
.1.3.6.1.4.1.7310.2.1.2.2 = STRING: "row 2"' "$walk" "$mode: snmpwalk of the subtree"

    snmpset -v2c -c private "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.2.0 i 77 >/dev/null ||
        fail "$mode: snmpset of a writable integer"
    expect_eq '.1.3.6.1.4.1.7310.1.2.0 = INTEGER: 77' \
        "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.2.0)" \
        "$mode: the set is read back"
    snmpset -v2c -c private "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.2.1.2.1 s "new text" \
        >/dev/null || fail "$mode: snmpset of a string"
    expect_eq '.1.3.6.1.4.1.7310.2.1.2.1 = STRING: "new text"' \
        "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.2.1.2.1)" \
        "$mode: the string set is read back"
    if snmpset -v1 -c private "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.1.0 s x \
        >"$WORK/refused" 2>&1; then
        fail "$mode: a set of a read-only object must be refused"
    fi
    expect_contains "$(cat "$WORK/refused")" "noSuchName" "$mode: v1 refusal"
    snmpset -v2c -c private "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.2.0 i 42 >/dev/null
    snmpset -v2c -c private "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.2.1.2.1 s "row 1" >/dev/null

    # After the set (and snmpd's empty line after it) the relay still serves.
    expect_eq '.1.3.6.1.4.1.7310.1.2.0 = INTEGER: 42' \
        "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.2.0)" \
        "$mode: served after a set"
    stop_snmpd
    pass "$mode"
}

check_chain pass_persist
check_chain pass

# A daemon that is gone: snmpd answers at once that there is no such object.
kill -TERM "$FAKE_PID"
wait "$FAKE_PID" || true
segment_gone || fail "the fake daemon side removes its segment"
start_snmpd "$PORT" pass_persist
expect_contains "$(snmpget -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310.1.1.0)" \
    "No Such" "no daemon"
walk=$(snmpwalk -v2c -c public "${SNMP_OPTS[@]}" "$TARGET" .1.3.6.1.4.1.7310)
[[ "$walk" != *INTEGER* && "$walk" != *STRING* ]] || fail "no daemon: nothing to walk: $walk"
stop_snmpd
pass "no daemon"
echo "1 passed, 0 failed"
