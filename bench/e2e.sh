# End-to-end benchmarks: the real daemon on the simulated library behind the
# real snmpd on 127.0.0.1, walked through pass, pass_persist (the relay as it
# is, as it was before, and with a spin) and AgentX; snmpd's own objects
# (.1.3.6.1.2.1) walked the same way right after each walk as the reference
# of that pair;
# two peers in the AgentX snmpd (a minimal pass_persist program and a minimal
# AgentX subagent on net-snmp's agent library) answering a table of the same
# size; the CPU and context switches per object of every process involved;
# the daemon's footprint; traps from injection to arrival at snmptrapd. Run
# by bench/run.sh as PID 1 of private mount, IPC, PID and network namespaces:
#   bash bench/e2e.sh BUILD_DIR SOURCE_DIR RESULTS_FILE REPETITIONS
# Appends "name<TAB>value<TAB>unit" lines to RESULTS_FILE, one per run.
source "$2/tests/system/lib.sh" "$1" "$2"
source "$2/tests/system/agentx_lib.sh"
RESULTS=$3
REPS=${4:-5}
PORT=11761
TRAP_PORT=11762
TARGET=127.0.0.1:$PORT
SNMP=(-m '' -On -t 10 -r 0)
AGENT_TREE=.1.3.6.1.4.1.7310
PASS_PEER_TREE=.1.3.6.1.4.1.99991
AGENTX_PEER_TREE=.1.3.6.1.4.1.99992
SNMPD_OWN=.1.3.6.1.2.1    # snmpd's own objects: about 5,500
PASS_WALK_SECONDS=20      # a pass walk of 10,000 objects is cut here
SOCKET=$WORK/agentx/master
mkdir -p "$WORK/agentx"

record() { # name value unit
    printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$RESULTS"
}

# CPU nanoseconds and context switches of a process, all its threads.
proc_cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f\n", s}'
}
proc_switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {printf "%.0f\n", s}'
}

# The processes measured around every walk of a section, as NAME:PID.
PROCS=()

# Walks $3 with $2 (snmpwalk or snmpbulkwalk) and records objects per second
# under $1, the object count, and per process CPU microseconds and context
# switches per object. With $4, the walk is stopped after $4 seconds and the
# rate is that of the objects walked so far.
timed_walk() {
    local name=$1 tool=$2 tree=$3 limit=${4:-0} start end objects entry
    local -A cpu switches
    for entry in "${PROCS[@]}"; do
        cpu[$entry]=$(proc_cpu_ns "${entry#*:}")
        switches[$entry]=$(proc_switches "${entry#*:}")
    done
    start=$EPOCHREALTIME
    objects=$( (timeout "$limit" "$tool" -v2c -c public "${SNMP[@]}" "$TARGET" "$tree" || true) | wc -l)
    end=$EPOCHREALTIME
    record "$name" "$(echo "$objects / ($end - $start)" | bc -l)" objects/s
    record "$name.objects" "$objects" objects
    [ "$objects" -gt 0 ] || return 0
    for entry in "${PROCS[@]}"; do
        record "$name.cpu.${entry%%:*}" \
            "$(echo "($(proc_cpu_ns "${entry#*:}") - ${cpu[$entry]}) / 1000 / $objects" | bc -l)" us/object
        record "$name.cs.${entry%%:*}" \
            "$(echo "($(proc_switches "${entry#*:}") - ${switches[$entry]}) / $objects" | bc -l)" switches/object
    done
}

# Alternating pairs: each target (NAME=TREE) walked, then snmpd's own objects
# right after it as that pair's reference, with snmpwalk and snmpbulkwalk.
walk_set() { # label, runs, time limit of the targets' walks, NAME=TREE...
    local label=$1 reps=$2 limit=$3 i target tool
    shift 3
    for ((i = 0; i < reps; i++)); do
        for tool in walk bulkwalk; do
            for target in "$@"; do
                timed_walk "$tool.$label.${target%%=*}" "snmp$tool" "${target#*=}" "$limit"
                timed_walk "$tool.$label.${target%%=*}.snmpd_own" "snmp$tool" $SNMPD_OWN
            done
        done
    done
}

# snmpd.conf for a mode: pass or pass_persist with the relay program $2 (the
# relay by default), or agentx (the master on $SOCKET and the pass_persist
# peer answering $2 objects).
write_mode_conf() { # mode, relay program or peer size
    local mode=$1 arg=${2:-$BUILD_DIR/qbz_korvosnmprelay}
    mkdir -p "$WORK/snmpd"
    if [ "$mode" == agentx ]; then
        cat >"$WORK/snmpd/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$PORT
rocommunity  public  127.0.0.1
master agentx
agentXSocket $SOCKET
pass_persist $PASS_PEER_TREE $BUILD_DIR/bench_peer_passpersist $arg
[snmp] persistentDir $WORK/snmpd
CONF
        return
    fi
    cat >"$WORK/snmpd/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$PORT
rocommunity  public  127.0.0.1
$mode $AGENT_TREE $arg
[snmp] persistentDir $WORK/snmpd
CONF
}

# The pass_persist child of snmpd whose program name starts with $1.
snmpd_child() {
    local pid
    for pid in $(pgrep -P "$SNMPD_PID"); do
        [[ "$(cat "/proc/$pid/comm")" == "$1"* ]] && echo "$pid" && return
    done
}

serve() { # mode (pass, pass_persist, agentx), relay program or peer size
    local mode=$1 arg=${2:-}
    write_mode_conf "$mode" $arg
    if [ "$mode" == agentx ]; then
        start_agent_agentx "$SOCKET"
    else
        start_agent
    fi
    start_snmpd "$PORT" "$mode"
    # The first request starts a pass_persist program; then it is measured.
    snmpget -v2c -c public "${SNMP[@]}" "$TARGET" $AGENT_TREE.4.1.1.1.0 >/dev/null
    PROCS=("snmpd:$SNMPD_PID" "daemon:$AGENT_PID")
    if [ "$mode" == pass_persist ]; then
        local relay
        relay=$(snmpd_child "$(basename "${arg:-qbz_korvosnmprelay}" | cut -c1-15)")
        [ -n "$relay" ] || fail "no relay under snmpd"
        PROCS+=("relay:$relay")
    fi
    if [ "$mode" == agentx ]; then
        wait_for 10 answers_value "$PORT" $AGENT_TREE.4.1.1.1.0 || fail "no answer through AgentX"
        "$BUILD_DIR/bench_peer_agentx" "$SOCKET" "$arg" 2>"$WORK/peer.err" &
        AGENTX_PEER_PID=$!
        wait_for 10 answers_value "$PORT" $AGENTX_PEER_TREE.1.1.1 ||
            fail "the AgentX peer does not answer: $(cat "$WORK/peer.err")"
        snmpget -v2c -c public "${SNMP[@]}" "$TARGET" $PASS_PEER_TREE.1.1.1 >/dev/null
        PROCS+=("passpeer:$(snmpd_child bench_peer_pass)" "agentxpeer:$AGENTX_PEER_PID")
    fi
}

unserve() {
    if [ -n "${AGENTX_PEER_PID:-}" ]; then
        kill "$AGENTX_PEER_PID" 2>/dev/null || true
        wait "$AGENTX_PEER_PID" 2>/dev/null || true
        AGENTX_PEER_PID=
    fi
    stop_snmpd
    stop_agent
    PROCS=()
}

rss_kb() {
    awk '/^VmRSS/ {print $2}' "/proc/$AGENT_PID/status"
}

cpu_ns() {
    proc_cpu_ns "$AGENT_PID"
}

footprint() {
    local i before
    record footprint.rss_after_start "$(rss_kb)" KiB
    "$BUILD_DIR/bench_requests" 100000 >"$WORK/requests" || fail "requests: $(cat "$WORK/requests")"
    record footprint.rss_after_100k "$(rss_kb)" KiB
    record footprint.requests_per_s "$(awk '{print $1 / $3}' "$WORK/requests")" requests/s
    for ((i = 0; i < REPS; i++)); do
        before=$(cpu_ns)
        sleep 10
        record footprint.idle_cpu "$(echo "($(cpu_ns) - $before) * 6 / 1000000000" | bc -l)" "CPU s/min"
    done
}

# Injects $3 events and records events per second until the last trap (one
# per destination, $2 destinations of kind $1) has arrived. SNMPv1 figures
# keep their older names (traps.1, traps.4).
trap_run() {
    local kind=$1 destinations=$2 events=$3 i start end name
    local before
    before=$(grep -c '^TRAP' "$TRAPLOG" || true)
    start=$EPOCHREALTIME
    for ((i = 0; i < events; i++)); do
        echo "event 302 0 70" >"$KORVOSIM_EVENTS"
    done
    wait_for 120 trap_count $((before + events * destinations)) || fail "traps did not arrive"
    end=$EPOCHREALTIME
    name=traps.$kind.$destinations
    [ "$kind" == v1 ] && name=traps.$destinations
    record "$name" "$(echo "$events / ($end - $start)" | bc -l)" events/s
}

traps() { # kind (v1, v2c, inform), destinations
    local kind=$1 destinations=$2 i word=
    [ "$kind" == v1 ] || word=" $kind"
    : >/etc/qbz_korvodsnmp/korvosim-raid.traps
    for ((i = 0; i < destinations; i++)); do
        echo "127.0.0.1:$TRAP_PORT public$word" >>/etc/qbz_korvodsnmp/korvosim-raid.traps
    done
    : >/etc/qbz_korvodsnmp/korvosim-enclosure.traps
    write_snmpd_conf "$PORT" pass_persist
    start_agent
    for ((i = 0; i < REPS; i++)); do
        trap_run "$kind" "$destinations" 20
    done
    stop_agent
    rm -f "$WORK/snmpd/snmpd.conf"
}

trap_set() {
    install_sample_definitions
    start_snmptrapd $TRAP_PORT
    local kind
    for kind in v1 v2c inform; do
        traps $kind 1
        traps $kind 4
    done
}

# KORVO_BENCH_ONLY=traps runs the trap figures alone, for a quick look when
# this script is run by hand (bench/run.sh, for REPORT.md, runs everything).
if [ "${KORVO_BENCH_ONLY:-}" == traps ]; then
    trap_set
    echo "end-to-end benchmarks done"
    exit 0
fi

# ---- The sample tree ---------------------------------------------------------
AGENT=agent=$AGENT_TREE
PEERS=(passpeer=$PASS_PEER_TREE agentxpeer=$AGENTX_PEER_TREE)
install_sample_definitions
serve pass_persist
walk_set sample.persist "$REPS" 0 "$AGENT"
footprint
unserve
serve agentx 249
walk_set sample.agentx "$REPS" 0 "$AGENT" "${PEERS[@]}"
unserve
serve pass
walk_set sample.pass "$REPS" 0 "$AGENT"
unserve

# ---- A tree of about 10,000 objects ------------------------------------------
install_sample_definitions inventory <<'INVENTORY'
adapters 2
drives-per-adapter 455
INVENTORY
serve pass_persist
walk_set large.persist "$REPS" 0 "$AGENT"
unserve
serve pass_persist "$BUILD_DIR/bench_relay_before"
walk_set large.before "$REPS" 0 "$AGENT"
unserve
serve pass_persist "$BUILD_DIR/bench_relay_spin"
walk_set large.spin "$REPS" 0 "$AGENT"
unserve
serve agentx 10083
walk_set large.agentx "$REPS" 0 "$AGENT" "${PEERS[@]}"
unserve
serve pass
walk_set large.pass 1 $PASS_WALK_SECONDS "$AGENT"
unserve

# ---- Traps -------------------------------------------------------------------
# SNMPv1 traps, SNMPv2c traps and informs (each acknowledged by snmptrapd),
# to one and to four destinations.
if grep -q '^int ExecTrap' "$SOURCE_DIR/src/traps/genpvktrap.cpp"; then
    trap_set
fi
echo "end-to-end benchmarks done"
