# Faults around the daemon behind the real snmpd: the daemon or the relay
# killed in the middle of a request, snmpd restarted, the trap sender missing
# or hanging, SIGTERM and SIGINT while serving and while initialising, and a
# second daemon started while one serves.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hostile.sh"

PORT=11293
TARGET=127.0.0.1:$PORT
H=$HOSTILE_PREFIX

serve_hostile "$PORT"
expect_eq 7 "$(hget $H.1.2.0)" "served"

# Runs a get in the background and returns once the daemon is inside the
# slow read it asks for.
get_during_slow_read() {
    local begun
    behave read-slow
    begun=$(notes "slow read begins")
    ENDED=$(notes "slow read ends")
    snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" $H.1.2.0 >"$WORK/pending" 2>&1 &
    PENDING=$!
    wait_for 10 noted_at_least "slow read begins" $((begun + 1)) ||
        fail "the get did not reach the library: $(cat "$WORK/pending")"
}

elapsed_ms() {
    echo $((($(date +%s%N) - $1) / 1000000))
}

# ---- The daemon killed mid-request ---------------------------------------------
get_during_slow_read
start=$(date +%s%N)
kill -KILL "$AGENT_PID"
wait "$PENDING" || fail "killed daemon: the manager got no answer: $(cat "$WORK/pending")"
expect_contains "$(cat "$WORK/pending")" "No Such" "killed daemon: no such object"
took=$(elapsed_ms $start)
[ "$took" -lt 3000 ] || fail "killed daemon: answered after $took ms"
behave
start_hostile_agent plain || fail "a new daemon over a killed one's block: $(cat "$WORK/agent.err")"
expect_eq 7 "$(hget $H.1.2.0)" "a new daemon serves the next request"
pass "daemon killed mid-request: no such object after $took ms, a new daemon serves"

# ---- The relay killed mid-request ----------------------------------------------
get_during_slow_read
pkill -KILL -x qbz_korvosnmpre || fail "no relay to kill"
wait "$PENDING" || true
behave
wait_for 10 noted_at_least "slow read ends" $((ENDED + 1)) ||
    fail "the daemon did not finish the slow read"
process_alive "$AGENT_PID" || fail "the daemon ended with the relay"
expect_eq 7 "$(hget $H.1.2.0)" "served through a new relay"
pass "relay killed mid-request: the daemon unaffected"

# ---- snmpd restarted ------------------------------------------------------------
stop_snmpd
write_snmpd_conf "$PORT" pass_persist
start_snmpd "$PORT" pass_persist
expect_eq '"ok"' "$(hget $H.1.1.0)" "served after snmpd restarted"
pass "snmpd restarted"

# ---- The trap sender missing or hanging ------------------------------------------
umount /usr/bin/snmptrap
chmod -x "$WORK/snmptrap"
mount --bind "$WORK/snmptrap" /usr/bin/snmptrap
fire_events "3 2 plain"
wait_for 10 sent_at_least 3 || fail "events not sent with the trap sender missing"
expect_eq 7 "$(hget $H.1.2.0)" "served with the trap sender missing"
process_alive "$AGENT_PID" || fail "the daemon ended without a trap sender"
umount /usr/bin/snmptrap
cat >"$WORK/snmptrap" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$WORK/snmptrap.calls"
exec sleep 60
SCRIPT
chmod +x "$WORK/snmptrap"
mount --bind "$WORK/snmptrap" /usr/bin/snmptrap
before=$(sender_calls)
fire_events "2 2 plain"
wait_for 5 calls_at_least $((before + 1)) || fail "the hanging sender was not started"
start=$(date +%s%N)
expect_eq 7 "$(hget $H.1.2.0)" "served while the trap sender hangs"
wait_for 30 calls_at_least $((before + 2)) || fail "the second trap never ran: the hung sender was not ended"
took=$(elapsed_ms $start)
process_alive "$AGENT_PID" || fail "the daemon ended with a hanging trap sender"
pass "trap sender missing (events dropped) and hanging (ended, next trap after $took ms)"
umount /usr/bin/snmptrap
fake_trap_sender

# ---- A second daemon --------------------------------------------------------------
FIRST=$AGENT_PID
second_status=0
LD_LIBRARY_PATH=$BUILD_DIR/tests/hostile/plain "$BUILD_DIR/qbz_korvodsnmpagent" \
    -c "$WORK/snmpd/snmpd.conf" >"$WORK/second.out" 2>"$WORK/second.err" || second_status=$?
# A request answered after the second daemon's start returned: the block is
# still the first one's.
expect_eq 7 "$(hget $H.1.2.0)" "the first daemon serves after the second one's start"
expect_eq "$FIRST" "$(pgrep -x qbz_korvodsnmpa | paste -sd' ')" "only the first daemon runs"
segment_exists || fail "the second daemon removed the first one's block"
expect_eq 7 "$(hget $H.1.2.0)" "the first daemon still serves"
expect_eq 255 "$second_status" "the second daemon's exit status"
pass "a second daemon refuses to start (status $second_status): $(cat "$WORK/second.err")"

# ---- SIGTERM and SIGINT while serving --------------------------------------------
for signal in TERM INT; do
    : >"$WORK/syslog"
    get_during_slow_read
    kill -$signal "$AGENT_PID"
    wait_for 10 process_ended "$AGENT_PID" || fail "SIG$signal while serving: still running"
    wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "SIG$signal while serving: no stop line"
    segment_gone || fail "SIG$signal while serving: the block stays"
    wait "$PENDING" || true
    behave
    start_hostile_agent plain || fail "restart after SIG$signal"
done
pass "SIGTERM and SIGINT while serving: block removed, stop line logged"

# ---- SIGTERM and SIGINT while initialising ---------------------------------------
kill -TERM "$AGENT_PID"
wait_for 10 process_ended "$AGENT_PID" || fail "the daemon did not stop"
for signal in TERM INT; do
    : >"$WORK/syslog"
    behave init-slow
    begun=$(notes "slow init begins")
    LD_LIBRARY_PATH=$BUILD_DIR/tests/hostile/plain "$BUILD_DIR/qbz_korvodsnmpagent" \
        -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>>"$WORK/agent.err" || fail "init-slow start"
    wait_for 10 noted_at_least "slow init begins" $((begun + 1)) ||
        fail "the daemon did not begin initialising: $(cat "$WORK/agent.err")"
    pid=$(pgrep -x qbz_korvodsnmpa | head -1)
    [ -n "$pid" ] || fail "the daemon is not initialising"
    segment_gone || fail "a block before initialisation ended"
    kill -$signal "$pid"
    wait_for 10 process_ended "$pid" || fail "SIG$signal while initialising: still running"
    wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "SIG$signal while initialising: no stop line"
    segment_gone || fail "SIG$signal while initialising: a block stays"
done
! ls "$WORK"/sanitizer.* >/dev/null 2>&1 || fail "sanitizer: $(cat "$WORK"/sanitizer.*)"
pass "SIGTERM and SIGINT while initialising: no block, stop line logged"
