# The AgentX front end when things go wrong, with the relay's snmpd beside it:
# a master that is not there at start-up, snmpd restarted, a stalled master
# (the relay path must not wait behind it), the relay and AgentX at once under
# concurrent walkers, and the daemon stopped (snmpd must not hang). The
# system log says when the master is reached, lost and regained.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/agentx_lib.sh"

RELAY_PORT=11661
AGENTX_PORT=11662
RELAY=127.0.0.1:$RELAY_PORT
AGENTX=127.0.0.1:$AGENTX_PORT
SOCKET=$WORK/agentx/master
SNMP=(-m '' -On -t 5 -r 0)
RAID=.1.3.6.1.4.1.7310.4.1
TREE=.1.3.6.1.4.1.7310
PING_INTERVAL=5

# True once the daemon's connects to the master's socket failed $1 times.
failed_connects_at_least() {
    local count
    count=$(grep -F "sun_path=\"$SOCKET\"" "$WORK/retries" 2>/dev/null | grep -c ') = -1 E') || true
    [ "${count:-0}" -ge "$1" ]
}

private_syslog
install_sample_definitions
mkdir -p "$WORK/agentx"
write_snmpd_conf "$RELAY_PORT" pass_persist
write_agentx_snmpd_conf "$AGENTX_PORT" "$SOCKET"

# ---- No master at start-up -------------------------------------------------------
start_agent_agentx "$SOCKET"
start_snmpd "$RELAY_PORT" pass_persist
wait_for 5 answers_value "$RELAY_PORT" $RAID.1.1.0 || fail "the block serves without a master"
wait_for 5 grep -q "AgentX master $SOCKET not reachable" "$WORK/syslog" ||
    fail "no log line for the missing master: $(cat "$WORK/syslog")"
snmpwalk -v2c -c public "${SNMP[@]}" "$RELAY" $TREE >"$WORK/reference"
expect_eq 249 "$(wc -l <"$WORK/reference")" "the quiet reference walk"
start_agentx_snmpd "$AGENTX_PORT"
wait_for 3 answers_value "$AGENTX_PORT" $RAID.1.1.0 || fail "the master is not joined later"
expect_eq 1 "$(log_count "AgentX master $SOCKET connected")" "the connect line"
expect_eq 1 "$(log_count "not reachable")" "the missing master is logged once"
pass "a master that comes after the daemon is joined; the block served meanwhile"

# ---- snmpd restarted ----------------------------------------------------------------
stop_agentx_snmpd
wait_for 5 grep -q "AgentX master $SOCKET lost" "$WORK/syslog" || fail "no log line for the loss"
answers_value "$RELAY_PORT" $RAID.1.1.0 || fail "the block serves while the master is away"
# A few retries that find nobody, seen as the daemon's failing connects to the
# socket (strace only watches), are logged once (checked below).
strace -qq -f -e trace=connect -e signal=none -o "$WORK/retries" -p "$AGENT_PID" 2>/dev/null &
TRACER=$!
wait_for 10 failed_connects_at_least 2 || fail "no retries: $(cat "$WORK/retries")"
kill "$TRACER"
wait "$TRACER" 2>/dev/null || true
start_agentx_snmpd "$AGENTX_PORT"
start=$EPOCHREALTIME
wait_for $PING_INTERVAL answers_value "$AGENTX_PORT" $RAID.1.1.0 ||
    fail "the subagent is not back within the ping interval"
echo "back after $(echo "$EPOCHREALTIME - $start" | bc) s"
wait_for 2 grep -q "AgentX master $SOCKET regained: 3 of 3 subtrees registered" "$WORK/syslog" ||
    fail "no log line for the regained master: $(cat "$WORK/syslog")"
expect_eq 1 "$(log_count "lost")" "one loss, one line"
snmpwalk -v2c -c public "${SNMP[@]}" "$AGENTX" $TREE >"$WORK/after-restart"
cmp -s "$WORK/reference" "$WORK/after-restart" || fail "the walk after the restart differs"
pass "snmpd restarted: back within the ping interval, the block unaffected"

# ---- A stalled master ---------------------------------------------------------------
kill -STOP "$AGENTX_SNMPD_PID"
(snmpwalk -v2c -c public -m '' -On -t 1 -r 0 "$AGENTX" $TREE >/dev/null 2>&1 || true) &
stalled_walk=$!
start=$EPOCHREALTIME
snmpbulkwalk -v2c -c public "${SNMP[@]}" "$RELAY" $TREE >"$WORK/while-stalled"
elapsed=$(echo "$EPOCHREALTIME - $start" | bc)
cmp -s "$WORK/reference" "$WORK/while-stalled" || fail "the relay's walk while the master stalls"
[ "$(echo "$elapsed < 3" | bc)" == 1 ] || fail "the relay waited behind the stalled master: $elapsed s"
# A master that stays stalled past a ping interval is given up and joined
# afresh once it goes on.
wait_for $((2 * PING_INTERVAL + 2)) grep -q "lost (no answer to a ping)" "$WORK/syslog" ||
    fail "a master that does not answer pings is not given up: $(cat "$WORK/syslog")"
answers_value "$RELAY_PORT" $RAID.1.1.0 || fail "the block serves while the master stalls"
kill -CONT "$AGENTX_SNMPD_PID"
wait "$stalled_walk"
wait_for 10 answers_value "$AGENTX_PORT" $RAID.1.1.0 || fail "AgentX after the master went on"
expect_eq 2 "$(log_count "regained")" "the master regained after the stall"
pass "a stalled master does not hold up the relay ($elapsed s for its walk) and is joined again"

# ---- Both front ends at once ------------------------------------------------------------
walker() { # name, tool, target
    local i
    for ((i = 0; i < 3; i++)); do
        "$2" -v2c -c public "${SNMP[@]}" "$3" $TREE >"$WORK/$1.$i" 2>&1
    done
}
walkers=()
walker relay-walk snmpwalk "$RELAY" &
walkers+=($!)
walker relay-bulk snmpbulkwalk "$RELAY" &
walkers+=($!)
walker agentx-walk snmpwalk "$AGENTX" &
walkers+=($!)
walker agentx-bulk snmpbulkwalk "$AGENTX" &
walkers+=($!)
wait "${walkers[@]}"
for name in relay-walk relay-bulk agentx-walk agentx-bulk; do
    for i in 0 1 2; do
        cmp -s "$WORK/reference" "$WORK/$name.$i" ||
            fail "$name run $i differs from the quiet walk: $(diff "$WORK/reference" "$WORK/$name.$i" | head -3)"
    done
done
pass "4 concurrent walkers through the relay and AgentX, every walk as the quiet one"

# ---- The daemon stopped ---------------------------------------------------------------------
stop_agent
start=$EPOCHREALTIME
answer=$(snmpget -v2c -c public "${SNMP[@]}" "$AGENTX" $RAID.1.1.0)
elapsed=$(echo "$EPOCHREALTIME - $start" | bc)
expect_contains "$answer" "No Such Object" "snmpd without the subagent"
[ "$(echo "$elapsed < 2" | bc)" == 1 ] || fail "snmpd took $elapsed s to answer"
walk=$(snmpwalk -v2c -c public "${SNMP[@]}" "$AGENTX" $TREE)
[[ "$walk" != *INTEGER* && "$walk" != *STRING* ]] || fail "nothing of ours after the stop: $walk"
answers_value "$AGENTX_PORT" .1.3.6.1.2.1.1.5.0 || fail "snmpd's own objects after the stop"
pass "the daemon stopped: snmpd answers at once"
echo "1 passed, 0 failed"
