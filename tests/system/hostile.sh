# Helpers of the hostile-library tests: the daemon behind the real snmpd on
# the hostile storage library (tests/hostile), whose misbehaviour the control
# file $CONTROL chooses. Sourced after lib.sh.
HOSTILE_PREFIX=.1.3.6.1.4.1.7310.9.1
CONTROL=$WORK/hostile.control
export KORVO_HOSTILE_CONTROL=$CONTROL
# Any sanitizer report of the daemon (ASan build) lands in $WORK/sanitizer.*.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}log_path=$WORK/sanitizer
export UBSAN_OPTIONS=${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=$WORK/sanitizer
SNMP=(-m '' -On -t 5 -r 0)

# Installs the hostile definition as the only controller type, with traps to
# the local host.
install_hostile_definition() {
    [ -d "$WORK/etc-korvo" ] || private_controller_folder
    "$BUILD_DIR/qbz_korvomibconv" build "$SOURCE_DIR/tests/hostile/hostile.ini" \
        /etc/qbz_korvodsnmp/hostile.dat >/dev/null || fail "hostile definition"
    echo "default public" >/etc/qbz_korvodsnmp/hostile.traps
    cat >/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini <<LIST
NoOfInstalledController = 1
/etc/qbz_korvodsnmp/hostile.dat /etc/qbz_korvodsnmp/hostile.traps
LIST
}

# The control words, one per argument (none: behave).
behave() {
    printf '%s\n' "$@" >"$CONTROL.new"
    mv "$CONTROL.new" "$CONTROL"
}

# Starts the daemon on the hostile library variant $1 (plain, without_holder,
# without_events, without_init); returns 1 when it does not come to serve.
start_hostile_agent() {
    SNMP_PERSISTENT_DIR=$AGENT_PERSISTENT_DIR LD_LIBRARY_PATH=$BUILD_DIR/tests/hostile/$1 \
        "$BUILD_DIR/qbz_korvodsnmpagent" \
        -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>>"$WORK/agent.err" || return 1
    wait_for 10 segment_exists || return 1
    AGENT_PID=$(pgrep -x qbz_korvodsnmpa | head -1)
}

agent_running() {
    pgrep -x qbz_korvodsnmpa >/dev/null
}

# A get through snmpd: prints the value, or "No Such..." for none; fails the
# test when snmpd's manager side times out.
hget() {
    local out
    out=$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" "$1" 2>"$WORK/hget.err") ||
        fail "get $1 was not answered: $out $(cat "$WORK/hget.err")"
    echo "$out"
}

# A walk of the hostile subtree that must end, in increasing order, within
# the manager's patience; prints the number of objects.
hwalk() {
    timeout 60 snmpwalk -v2c -c public "${SNMP[@]}" "$TARGET" "$HOSTILE_PREFIX" >"$WORK/walk" \
        2>"$WORK/walk.err" || fail "walk did not end: $(tail -3 "$WORK/walk" "$WORK/walk.err")"
    grep -q Timeout "$WORK/walk.err" && fail "walk timed out"
    cut -d' ' -f1 "$WORK/walk" >"$WORK/walk.oids"
    sort -V -u "$WORK/walk.oids" | cmp -s - "$WORK/walk.oids" || fail "walk not increasing"
    grep -c "^$HOSTILE_PREFIX" "$WORK/walk" || true
}

# Fails the test when the daemon has ended or a sanitizer reported anything.
expect_agent_sound() {
    agent_running || fail "$1: the daemon ended: $(cat "$WORK/agent.err")"
    ! ls "$WORK"/sanitizer.* >/dev/null 2>&1 || fail "$1: $(cat "$WORK"/sanitizer.*)"
}

# How many times the library noted $1 (a line of $CONTROL.notes).
notes() {
    local count
    count=$(grep -c -x -F -- "$1" "$CONTROL.notes" 2>/dev/null) || true
    echo "${count:-0}"
}

noted_at_least() { # note, count
    [ "$(notes "$1")" -ge "$2" ]
}

# Asks the hostile library for a burst of events ("COUNT ARGC KIND" lines).
fire_events() {
    printf '%s\n' "$@" >"$CONTROL.events.new"
    mv "$CONTROL.events.new" "$CONTROL.events"
}

events_sent() {
    cat "$CONTROL.sent" 2>/dev/null || echo 0
}

sender_calls() {
    local count
    count=$(grep -c -- '-v 1' "$WORK/snmptrap.calls" 2>/dev/null) || true
    echo "${count:-0}"
}

calls_at_least() {
    [ "$(sender_calls)" -ge "$1" ]
}

sent_at_least() {
    [ "$(events_sent)" -ge "$1" ]
}

# The daemon on the plain hostile library, behaving well for now, behind the
# real snmpd on 127.0.0.1:$1, with a private system log and a recording trap
# sender.
serve_hostile() {
    local port=$1
    private_syslog
    fake_trap_sender
    install_hostile_definition
    write_snmpd_conf "$port" pass_persist
    behave
    start_hostile_agent plain || fail "the daemon did not start: $(cat "$WORK/agent.err")"
    start_snmpd "$port" pass_persist
}
