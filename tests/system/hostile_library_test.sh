# The real daemon behind the real snmpd on a storage library that misbehaves:
# shifting, negative and huge instance counts, texts of 511 and 512 bytes
# without terminator, failing and slow reads, null holders, missing exports,
# events with argument counts -1 and 1000, unterminated descriptions, events
# before initialisation ends and during shutdown, and an event storm. The
# daemon must stay up, answer every request in time and, in the ASan build,
# write nothing past a field.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hostile.sh"

PORT=11291
TARGET=127.0.0.1:$PORT
H=$HOSTILE_PREFIX

serve_hostile "$PORT"

# ---- Plain behaviour ------------------------------------------------------
expect_eq '"ok"' "$(hget $H.1.1.0)" "scalar text"
expect_eq 8 "$(hwalk)" "walk: 2 scalars and 3 columns of 2 rows"
pass "plain library"

# ---- Instance counts ------------------------------------------------------
behave count-shift
for round in 1 2 3 4 5; do
    n=$(hwalk)
    [ "$n" -ge 2 ] && [ "$n" -le $((2 + 3 * 7)) ] || fail "shifting counts: walk of $n objects"
done
expect_agent_sound "shifting counts"
behave count-negative
expect_eq 2 "$(hwalk)" "negative count: the table is empty"
expect_contains "$(hget $H.2.1.1.0)" "No Such" "negative count: no row"
behave count-huge
n=$(hwalk)
[ "$n" -eq $((2 + 3 * 300)) ] || fail "count of 300: $n objects, all 300 rows expected"
expect_agent_sound "instance counts"
pass "instance counts that shift, are negative or huge (300 rows: $n objects)"

# ---- Texts without terminator ----------------------------------------------
behave text-511
value=$(hget $H.1.1.0)
expect_eq $((511 + 2)) "${#value}" "511-byte scalar text (quoted)"
value=$(hget $H.2.1.2.1)
expect_eq $((511 + 2)) "${#value}" "511-byte column text (quoted)"
behave text-512
value=$(hget $H.1.1.0)
expect_eq $((511 + 2)) "${#value}" "512 bytes without terminator are cut to 511"
value=$(hget $H.2.1.2.0)
expect_eq $((511 + 2)) "${#value}" "column: 512 bytes cut to 511"
hwalk >/dev/null
expect_agent_sound "unterminated texts"
pass "texts of 511 and 512 bytes without terminator"

# ---- Failing and slow reads -------------------------------------------------
behave read-fail
# A scalar's get answers the buffer as the library left it (empty); the table
# engine answers "N/A".
expect_eq '""' "$(hget $H.1.1.0)" "failed scalar text read"
expect_eq '"N/A"' "$(hget $H.2.1.2.0)" "failed column text read"
expect_eq 0 "$(hget $H.2.1.3.1)" "failed integer read"
if snmpset -v2c -c private "${SNMP[@]}" "$TARGET" $H.2.1.3.0 i 5 >"$WORK/set" 2>&1; then
    fail "a refused write must fail the set"
fi
behave read-slow
ended=$(notes "slow read ends")
start=$(date +%s%N)
expect_contains "$(hget $H.1.2.0)" "No Such" "a read slower than the relay's deadline"
elapsed=$((($(date +%s%N) - start) / 1000000))
[ $elapsed -lt 4000 ] || fail "slow read answered after ${elapsed} ms"
behave
wait_for 10 noted_at_least "slow read ends" $((ended + 1)) ||
    fail "the daemon did not finish the slow read it is in"
expect_eq 7 "$(hget $H.1.2.0)" "the next request gets its own answer"
expect_eq '"ok"' "$(hget $H.1.1.0)" "and the one after"
expect_agent_sound "slow read"
pass "failing reads; a slow read refused in ${elapsed} ms, the next answered"

# ---- Events ---------------------------------------------------------------
fire_events "1 -1 plain" "1 1000 plain" "3 2 unterminated" "1 0 plain"
wait_for 20 calls_at_least 6 || fail "events: $(sender_calls) sender runs of 6"
grep -q 'D\{128\}' "$WORK/snmptrap.calls" &&
    fail "an unterminated description was passed on past 127 bytes"
expect_agent_sound "odd events"
pass "events with argument counts -1, 0 and 1000 and unterminated texts"

before=$(sender_calls)
fire_events "1000 2 plain"
wait_for 120 sent_at_least 1006 || fail "storm: only $(events_sent) events sent"
wait_for 60 calls_at_least $((before + 1000)) ||
    fail "storm: $(($(sender_calls) - before)) sender runs of 1000"
expect_eq '"ok"' "$(hget $H.1.1.0)" "served after the storm"
expect_agent_sound "event storm"
pass "a storm of 1000 events: every one sent"

# ---- Events during shutdown ---------------------------------------------------
flood_start=$(events_sent)
behave event-flood
wait_for 10 sent_at_least $((flood_start + 20)) || fail "no event flood: $(events_sent) events sent"
kill -TERM "$AGENT_PID"
wait_for 15 process_ended "$AGENT_PID" || fail "the daemon did not stop during an event flood"
wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "no stop line during an event flood"
segment_gone || fail "the block stays after a stop during an event flood"
! ls "$WORK"/sanitizer.* >/dev/null 2>&1 || fail "stop during a flood: $(cat "$WORK"/sanitizer.*)"
pass "stop during an event flood"

# ---- Events before initialisation ends --------------------------------------
behave early-events
start_hostile_agent plain || fail "early events: the daemon did not start: $(cat "$WORK/agent.err")"
expect_eq '"ok"' "$(hget $H.1.1.0)" "served after early events"
expect_agent_sound "early events"
behave
kill -TERM "$AGENT_PID"
wait_for 15 process_ended "$AGENT_PID" || fail "the daemon did not stop"
pass "events before initialisation ends"

# ---- Null holders (the agent asks for a holder on a class's first use) ------
behave null-holder
start_hostile_agent plain || fail "null holders: the daemon did not start"
expect_contains "$(hget $H.1.1.0)" "No Such" "null holder: scalar"
expect_contains "$(hget $H.2.1.1.0)" "No Such" "null holder: table"
hwalk >/dev/null
grep -q -E "= (STRING|INTEGER)" "$WORK/walk" && fail "null holder: a value was walked"
expect_agent_sound "null holders"
behave
kill -TERM "$AGENT_PID"
wait_for 15 process_ended "$AGENT_PID" || fail "the daemon did not stop"
pass "null holder for every class"

# ---- Missing exports --------------------------------------------------------
# A library without one of its three exports is refused while the daemon
# initialises: it names the export on standard error and in the system log
# (at LOG_ERR: facility daemon), and ends without a block.
for missing in without_init:InitializeDll without_holder:getObjectHolderByName_c \
    without_events:startEventProcessing; do
    variant=${missing%%:*}
    export_name=${missing#*:}
    : >"$WORK/syslog"
    LD_LIBRARY_PATH=$BUILD_DIR/tests/hostile/$variant "$BUILD_DIR/qbz_korvodsnmpagent" \
        -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>"$WORK/start.err" ||
        fail "$variant: the start ends before the daemon detaches: $(cat "$WORK/start.err")"
    wait_for 10 no_agent_runs || fail "$variant: the daemon keeps running"
    segment_gone || fail "$variant: a block without a daemon"
    expect_contains "$(cat "$WORK/start.err")" "lacks the export $export_name" "$variant: standard error"
    wait_for 5 grep -q "<27>.*lacks the export $export_name" "$WORK/syslog" ||
        fail "$variant: no LOG_ERR line naming $export_name in: $(cat "$WORK/syslog")"
done
expect_contains "$(hget $H.1.1.0)" "No Such" "no daemon: no such object in time"
pass "missing exports: each one refused at start-up, the export named"
