# One daemon on the simulated library and the sample definitions behind two
# real snmpds: one with the relay (pass_persist), one whose AgentX master the
# daemon joins with -x. Everything asked through AgentX must come back as it
# comes through the relay: whole walks in every version, gets, sets and every
# kind of refused set; a walk runs on past our subtree into snmpd's objects;
# and the same over a TCP master.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/agentx_lib.sh"

RELAY_PORT=11561
AGENTX_PORT=11562
AGENTX_TCP_PORT=11563
RELAY=127.0.0.1:$RELAY_PORT
AGENTX=127.0.0.1:$AGENTX_PORT
SOCKET=$WORK/agentx/master
SNMP=(-m '' -On -t 5 -r 0)
RAID=.1.3.6.1.4.1.7310.4.1
SHELF=.1.3.6.1.4.1.7310.5.1
TREE=.1.3.6.1.4.1.7310

private_syslog
install_sample_definitions
mkdir -p "$WORK/agentx"
write_snmpd_conf "$RELAY_PORT" pass_persist
write_agentx_snmpd_conf "$AGENTX_PORT" "$SOCKET"
start_agentx_snmpd "$AGENTX_PORT"
start_agent_agentx "$SOCKET"
start_snmpd "$RELAY_PORT" pass_persist
wait_for 10 answers_value "$AGENTX_PORT" $RAID.1.1.0 || fail "no answer through AgentX"
expect_eq 1 "$(log_count "AgentX master $SOCKET connected: 3 of 3 subtrees registered")" \
    "the connect line"
pass "the daemon registered the three definitions' prefixes with the master"

# ---- Whole walks, both ways ---------------------------------------------------
both_walks() { # name, tool and its options...
    local name=$1
    shift
    "$@" "${SNMP[@]}" "$RELAY" $TREE >"$WORK/$name.relay"
    "$@" "${SNMP[@]}" "$AGENTX" $TREE >"$WORK/$name.agentx"
    cmp -s "$WORK/$name.relay" "$WORK/$name.agentx" ||
        fail "$name differs: $(diff "$WORK/$name.relay" "$WORK/$name.agentx" | head -5)"
    expect_eq 249 "$(wc -l <"$WORK/$name.agentx")" "$name: every object"
}
both_walks walk1 snmpwalk -v1 -c public
both_walks walk2c snmpwalk -v2c -c public
both_walks bulk25 snmpbulkwalk -v2c -c public -Cr25
both_walks bulk7 snmpbulkwalk -v2c -c public -Cr7
grep -q "^$SHELF.1.1.1.0 = INTEGER: " "$WORK/walk2c.agentx" ||
    fail "the walk enters the second definition at its first object"
snmpwalk -v2c -c public "${SNMP[@]}" "$AGENTX" $TREE.5 >"$WORK/shelf.agentx"
snmpwalk -v2c -c public "${SNMP[@]}" "$RELAY" $TREE.5 >"$WORK/shelf.relay"
cmp -s "$WORK/shelf.relay" "$WORK/shelf.agentx" || fail "the second definition's walk differs"
expect_eq 16 "$(wc -l <"$WORK/shelf.agentx")" "the second definition alone"
# From its prefix itself, as the master asks when a walk enters it.
snmpwalk -v2c -c public "${SNMP[@]}" "$AGENTX" $SHELF >"$WORK/shelf.prefix"
cmp -s "$WORK/shelf.agentx" "$WORK/shelf.prefix" || fail "a walk from the second prefix"
pass "v1, v2c and bulk walks through AgentX are those through the relay"

# ---- Gets ------------------------------------------------------------------------
for oid in $RAID.1.1.0 $RAID.1.2.0 $RAID.1.3.0 $RAID.2.1.1.1 $RAID.2.1.2.0 $RAID.2.1.7.1 \
    $RAID.3.1.11.15 $SHELF.1.1.2.0 $SHELF.2.1.8.0; do
    for version in 1 2c; do
        relay=$(snmpget -v$version -c public "${SNMP[@]}" "$RELAY" "$oid")
        agentx=$(snmpget -v$version -c public "${SNMP[@]}" "$AGENTX" "$oid")
        expect_eq "$relay" "$agentx" "v$version get of $oid"
    done
done
expect_eq "$RAID.2.1.7.2 = No Such Instance currently exists at this OID" \
    "$(snmpget -v2c -c public "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.2)" "a missing instance"
expect_eq "$RAID.2.1.99.0 = No Such Object available on this agent at this OID" \
    "$(snmpget -v2c -c public "${SNMP[@]}" "$AGENTX" $RAID.2.1.99.0)" "a missing object"
if snmpget -v1 -c public "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.2 >"$WORK/v1get" 2>&1; then
    fail "a v1 get of a missing instance must fail"
fi
expect_contains "$(cat "$WORK/v1get")" "noSuchName" "v1: a missing instance"
pass "gets of scalars and table cells; missing instances and objects"

# ---- Past our subtree --------------------------------------------------------------
last=$(tail -1 "$WORK/walk2c.agentx" | cut -d' ' -f1)
after_relay=$(snmpgetnext -v2c -c public "${SNMP[@]}" "$RELAY" "$last" | cut -d' ' -f1)
after_agentx=$(snmpgetnext -v2c -c public "${SNMP[@]}" "$AGENTX" "$last" | cut -d' ' -f1)
expect_eq "$after_relay" "$after_agentx" "the object after our last one"
[[ "$after_agentx" == .1.3.6.1.4.1.* && "$after_agentx" != $TREE.* ]] ||
    fail "after our last object comes snmpd's next one: $after_agentx"
snmpwalk -v2c -c public "${SNMP[@]}" "$AGENTX" .1.3.6.1.4.1 >"$WORK/enterprises"
expect_eq 249 "$(grep -c "^$TREE\." "$WORK/enterprises")" "our objects in a walk of enterprises"
grep -A1 "^$last " "$WORK/enterprises" | tail -1 | grep -q "^$after_agentx " ||
    fail "the enterprises walk goes on past our subtree"
cut -d' ' -f1 "$WORK/enterprises" >"$WORK/enterprises.oids"
sort -V -u "$WORK/enterprises.oids" | cmp -s - "$WORK/enterprises.oids" ||
    fail "the enterprises walk is not strictly increasing"
pass "a walk runs past our subtree into snmpd's next objects"

# ---- Sets --------------------------------------------------------------------------
snmpset -v2c -c private "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.1 i 55 >/dev/null ||
    fail "a set through AgentX"
expect_eq "$RAID.2.1.7.1 = INTEGER: 55" \
    "$(snmpget -v2c -c public "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.1)" "read back through AgentX"
expect_eq "$RAID.2.1.7.1 = INTEGER: 55" \
    "$(snmpget -v2c -c public "${SNMP[@]}" "$RELAY" $RAID.2.1.7.1)" "read back through the relay"
snmpset -v2c -c private "${SNMP[@]}" "$AGENTX" $SHELF.2.1.8.0 i 0 >/dev/null ||
    fail "a set in the second definition"
expect_eq "$SHELF.2.1.8.0 = INTEGER: 0" \
    "$(snmpget -v2c -c public "${SNMP[@]}" "$RELAY" $SHELF.2.1.8.0)" "the second definition's set"
snmpset -v2c -c private "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.0 i 40 $RAID.2.1.7.1 i 45 >/dev/null ||
    fail "a set of two objects"
expect_eq "40 45" "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$AGENTX" $RAID.2.1.7.0 $RAID.2.1.7.1 |
    xargs)" "both objects written"

# Every refusal kind, in both versions, exactly as the relay reports it.
long_text=$(printf 'x%.0s' $(seq 300))
refusals=(
    "$RAID.2.1.6.0 i 20"        # read-only attribute: notWritable
    "$RAID.2.1.7.0 s 20"        # text for an integer: notWritable
    "$RAID.2.1.7.2 i 20"        # an instance that does not exist: notWritable
    "$RAID.2.1.7.0 i 101"       # a value the library refuses on the write: notWritable
    "$RAID.2.1.2.0 s newmodel"  # a text attribute: notWritable
    "$RAID.9.9.9 i 1"           # no such object: notWritable
    "$RAID.2.1.7.0 u 5"         # another type: notWritable
    "$RAID.2.1.7.0 x 0001ff"    # bytes that are not text: notWritable
    "$RAID.2.1.2.0 s $long_text" # a text over 255 characters: notWritable
)
for refusal in "${refusals[@]}"; do
    for version in 1 2c; do
        # shellcheck disable=SC2086
        relay=$(snmpset -v$version -c private "${SNMP[@]}" "$RELAY" $refusal 2>&1) &&
            fail "the relay accepted [$refusal]"
        # shellcheck disable=SC2086
        agentx=$(snmpset -v$version -c private "${SNMP[@]}" "$AGENTX" $refusal 2>&1) &&
            fail "AgentX accepted [$refusal]"
        expect_eq "$relay" "$agentx" "v$version refusal of [${refusal:0:40}]"
    done
done
expect_contains "$agentx" "notWritable" "the long text"
expect_eq "40 45" "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$AGENTX" $RAID.2.1.7.0 $RAID.2.1.7.1 |
    xargs)" "refused sets change nothing"
# A set of two objects whose second write the library refuses leaves the
# first one as it was.
if snmpset -v2c -c private "${SNMP[@]}" "$AGENTX" $RAID.2.1.7.0 i 60 $RAID.2.1.7.1 i 101 \
    >"$WORK/partial" 2>&1; then
    fail "a set with a refused write must fail"
fi
expect_contains "$(cat "$WORK/partial")" "notWritable" "the refused write"
expect_eq "40 45" "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$AGENTX" $RAID.2.1.7.0 $RAID.2.1.7.1 |
    xargs)" "the first write was undone"
pass "sets are read back; every refusal kind is the relay's"

# ---- A master on TCP -----------------------------------------------------------------
stop_snmpd
stop_agent
stop_agentx_snmpd
write_agentx_snmpd_conf "$AGENTX_PORT" "tcp:127.0.0.1:$AGENTX_TCP_PORT"
start_agentx_snmpd "$AGENTX_PORT"
write_snmpd_conf "$RELAY_PORT" pass_persist
start_agent_agentx "tcp:127.0.0.1:$AGENTX_TCP_PORT"
wait_for 10 answers_value "$AGENTX_PORT" $RAID.1.1.0 || fail "no answer through a TCP master"
snmpbulkwalk -v2c -c public "${SNMP[@]}" "$AGENTX" $TREE >"$WORK/tcp.walk"
expect_eq 249 "$(wc -l <"$WORK/tcp.walk")" "a bulk walk through a TCP master"
pass "a master on tcp:127.0.0.1"
echo "1 passed, 0 failed"
