# Helpers of the AgentX system tests, on top of lib.sh: a second real snmpd
# that is an AgentX master on a socket of the test's own, and the daemon
# started with -x towards it. The relay's snmpd of lib.sh runs beside it, so
# both front ends of one daemon can be compared request by request.

AGENTX_DIR=$WORK/snmpdx

# Writes $AGENTX_DIR/snmpd.conf for an snmpd on 127.0.0.1:$1 whose AgentX
# master listens on $2 (a socket path or tcp:HOST:PORT); no pass lines. Its
# persistent folder is apart: snmpd writes an snmpd.conf of its own there.
write_agentx_snmpd_conf() {
    local port=$1 socket=$2
    mkdir -p "$AGENTX_DIR/persist"
    cat >"$AGENTX_DIR/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$port
rwcommunity  private 127.0.0.1
rocommunity  public  127.0.0.1
master agentx
agentXSocket $socket
[snmp] persistentDir $AGENTX_DIR/persist
CONF
}

# Starts the AgentX master's snmpd (configuration written before) on
# 127.0.0.1:$1, sets AGENTX_SNMPD_PID and waits until it answers.
start_agentx_snmpd() {
    local port=$1
    /usr/sbin/snmpd -f -Lf "$AGENTX_DIR/snmpd.log" -I -smux -C -c "$AGENTX_DIR/snmpd.conf" \
        -m '' -p "$AGENTX_DIR/snmpd.pid" &
    AGENTX_SNMPD_PID=$!
    wait_for 10 snmpget -v2c -c public -t 0.2 -r 0 -m '' "127.0.0.1:$port" .1.3.6.1.2.1.1.5.0 \
        >/dev/null 2>&1 || fail "the AgentX snmpd did not start: $(cat "$AGENTX_DIR/snmpd.log")"
}

stop_agentx_snmpd() {
    kill "$AGENTX_SNMPD_PID" 2>/dev/null || true
    wait "$AGENTX_SNMPD_PID" 2>/dev/null || true
}

# Starts the daemon like start_agent, with -x $1 (the relay's snmpd.conf
# must be written before).
start_agent_agentx() {
    [ -f "$WORK/snmpd/snmpd.conf" ] || fail "write snmpd.conf before the agent starts"
    export KORVOSIM_EVENTS=$WORK/events
    SNMP_PERSISTENT_DIR=$AGENT_PERSISTENT_DIR LD_LIBRARY_PATH=$BUILD_DIR \
        "$BUILD_DIR/qbz_korvodsnmpagent" -x "$1" \
        -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>>"$WORK/agent.err" || fail "the agent did not start"
    wait_for 10 segment_exists || fail "the agent did not serve: $(cat "$WORK/agent.err")"
    AGENT_PID=$(pgrep -x qbz_korvodsnmpa | head -1)
}

# True once a get of $2 through the snmpd on port $1 answers a value.
answers_value() {
    snmpget -v2c -c public -m '' -On -t 1 -r 0 "127.0.0.1:$1" "$2" 2>/dev/null |
        grep -q -E ' = (STRING|INTEGER): '
}

# How many lines of the system log contain $1.
log_count() {
    grep -c -F -- "$1" "$WORK/syslog" || true
}
