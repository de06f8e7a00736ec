# End-to-end benchmarks: the real daemon on the simulated library behind the
# real snmpd on 127.0.0.1, walked through pass and pass_persist, snmpd's own
# objects walked the same way as the reference; the daemon's footprint; traps
# (SNMPv1, SNMPv2c, informs) from injection to arrival at snmptrapd. Run by bench/run.sh as PID 1 of
# private mount, IPC and PID namespaces:
#   bash bench/e2e.sh BUILD_DIR SOURCE_DIR RESULTS_FILE REPETITIONS
# Appends "name<TAB>value<TAB>unit" lines to RESULTS_FILE, one per run.
source "$2/tests/system/lib.sh" "$1" "$2"
RESULTS=$3
REPS=${4:-5}
PORT=11761
TRAP_PORT=11762
TARGET=127.0.0.1:$PORT
SNMP=(-m '' -On -t 10 -r 0)
AGENT_TREE=.1.3.6.1.4.1.7310
NATIVE_SMALL=.1.3.6.1.2.1.4 # snmpd's IP group: a few hundred objects
NATIVE_LARGE=.1.3.6.1.2.1   # snmpd's MIB-2: several thousand objects
PASS_WALK_SECONDS=20        # a pass walk of 10,000 objects is cut here

record() { # name value unit
    printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$RESULTS"
}

# Walks $3 with $2 (snmpwalk or snmpbulkwalk) and records objects per second
# under $1, and the object count. With $4, the walk is stopped after $4
# seconds and the rate is that of the objects walked so far.
timed_walk() {
    local name=$1 tool=$2 tree=$3 limit=${4:-0} start end objects
    start=$EPOCHREALTIME
    objects=$( (timeout "$limit" "$tool" -v2c -c public "${SNMP[@]}" "$TARGET" "$tree" || true) | wc -l)
    end=$EPOCHREALTIME
    record "$name" "$(echo "$objects / ($end - $start)" | bc -l)" objects/s
    record "$name.objects" "$objects" objects
}

# Every walk of one tree and its native reference.
walk_set() { # label, runs, native tree, time limit of the agent's walks
    local label=$1 reps=$2 native=$3 limit=${4:-0} i
    for ((i = 0; i < reps; i++)); do
        timed_walk "walk.$label.agent" snmpwalk $AGENT_TREE "$limit"
        timed_walk "walk.$label.native" snmpwalk "$native"
        timed_walk "bulkwalk.$label.agent" snmpbulkwalk $AGENT_TREE "$limit"
        timed_walk "bulkwalk.$label.native" snmpbulkwalk "$native"
    done
}

serve() { # mode (pass or pass_persist)
    write_snmpd_conf "$PORT" "$1"
    start_agent
    start_snmpd "$PORT" "$1"
}

unserve() {
    stop_snmpd
    stop_agent
}

rss_kb() {
    awk '/^VmRSS/ {print $2}' "/proc/$AGENT_PID/status"
}

cpu_ns() {
    awk '{print $1}' "/proc/$AGENT_PID/schedstat"
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
install_sample_definitions
serve pass_persist
walk_set sample.persist "$REPS" $NATIVE_SMALL
footprint
unserve
serve pass
walk_set sample.pass "$REPS" $NATIVE_SMALL
unserve

# ---- A tree of about 10,000 objects ------------------------------------------
install_sample_definitions inventory <<'INVENTORY'
adapters 2
drives-per-adapter 455
INVENTORY
serve pass_persist
walk_set large.persist "$REPS" $NATIVE_LARGE
unserve
serve pass
walk_set large.pass 1 $NATIVE_LARGE $PASS_WALK_SECONDS
unserve

# ---- Traps -------------------------------------------------------------------
# SNMPv1 traps, SNMPv2c traps and informs (each acknowledged by snmptrapd),
# to one and to four destinations.
if grep -q '^int ExecTrap' "$SOURCE_DIR/src/genpvktrap.cpp"; then
    trap_set
fi
echo "end-to-end benchmarks done"
