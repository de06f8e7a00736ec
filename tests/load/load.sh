# Load: the real daemon (ThreadSanitizer build) on the simulated library
# behind the real snmpd, four snmpwalk clients at once while 1,000 events are
# injected; every walk must equal a quiet reference walk, every event's trap
# must arrive at snmptrapd, and ThreadSanitizer must report nothing. Run
# inside private namespaces by scripts/load.sh.
#   load.sh BUILD SOURCE [REPORT]
source "$2/tests/system/lib.sh"
REPORT=${3:-/dev/stdout}
PORT=11296
TRAP_PORT=11297
TARGET=127.0.0.1:$PORT
EVENTS=1000
export TSAN_OPTIONS=log_path=$WORK/tsan
SNMP=(-m '' -On -t 10 -r 0)

install_sample_definitions
printf '127.0.0.1:%s public\n' $TRAP_PORT >/etc/qbz_korvodsnmp/korvosim-raid.traps
printf '127.0.0.1:%s public\n' $TRAP_PORT >/etc/qbz_korvodsnmp/korvosim-enclosure.traps
write_snmpd_conf $PORT pass_persist
start_snmptrapd $TRAP_PORT
start_agent
wait_for 10 test -p "$WORK/events" || fail "no event FIFO"
start_snmpd $PORT pass_persist

snmpwalk -v2c -c public "${SNMP[@]}" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/reference"
objects=$(wc -l <"$WORK/reference")
start=$(date +%s%N)
clients=()
for client in 1 2 3 4; do
    (for round in 1 2 3; do
        snmpwalk -v2c -c public "${SNMP[@]}" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/walk.$client.$round"
    done) &
    clients+=($!)
done
for i in $(seq 1 $EVENTS); do
    echo "event 101 0 $((i % 16))"
done >"$WORK/events"
wait_for 600 trap_count $EVENTS || fail "only $(grep -c '^TRAP' "$TRAPLOG") of $EVENTS traps arrived"
wait "${clients[@]}"
seconds=$((($(date +%s%N) - start) / 1000000000))
wrong=0
for walk in "$WORK"/walk.*; do
    cmp -s "$walk" "$WORK/reference" || wrong=$((wrong + 1))
done
sleep 1
traps=$(grep -c '^TRAP' "$TRAPLOG")
races=$(cat "$WORK"/tsan.* 2>/dev/null | grep -c 'WARNING: ThreadSanitizer' || true)
process_alive "$AGENT_PID" || fail "the daemon ended"
{
    echo "load: 4 clients x 3 walks of $objects objects, $wrong differing from the reference"
    echo "load: $EVENTS events injected, $traps traps at snmptrapd, ${seconds}s"
    echo "load: ThreadSanitizer reports: $races"
} | tee -a "$REPORT"
[ "$wrong" -eq 0 ] && [ "$traps" -eq $EVENTS ] && [ "$races" -eq 0 ] || fail "load failed"
