#!/usr/bin/env bash
# Profiles the daemon on the AgentX path: the real daemon on the benchmarks'
# storage library (one table of 20 columns, KORVOBENCH_ROWS instances, 500 by
# default: 10,000 objects) under callgrind, joined to the real snmpd as its
# AgentX master, walked once with snmpwalk and once with snmpbulkwalk. For
# each walk it writes the instructions the daemon ran per object (callgrind's
# counts, the same on any load), a function breakdown (callgrind_annotate),
# and the system calls per object of a second walk without callgrind
# (strace -c on every thread). Needs root; run it as PID 1 of private mount,
# IPC, PID and network namespaces:
#   unshare --mount --ipc --pid --net --fork --mount-proc \
#       bash bench/profile.sh BUILD_DIR SOURCE_DIR OUT_DIR
source "$2/tests/system/lib.sh" "$1" "$2"
source "$2/tests/system/agentx_lib.sh"
OUT=$(mkdir -p "$3" && cd "$3" && pwd)
PORT=11861
SOCKET=$WORK/agentx/master
TREE=.1.3.6.1.4.1.7310.90
export KORVOBENCH_ROWS=${KORVOBENCH_ROWS:-500}
OBJECTS=$((KORVOBENCH_ROWS * 20))
mkdir -p "$WORK/agentx"

private_controller_folder
cp "$BUILD_DIR/bench/korvobench.dat" /etc/qbz_korvodsnmp/
: >/etc/qbz_korvodsnmp/korvobench.traps
printf '%s\n' "NoOfInstalledController = 1" \
    "/etc/qbz_korvodsnmp/korvobench.dat /etc/qbz_korvodsnmp/korvobench.traps" \
    >/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini
write_snmpd_conf 11862 pass_persist
write_agentx_snmpd_conf "$PORT" "$SOCKET"
start_agentx_snmpd "$PORT"

walk() { # tool: snmpwalk or snmpbulkwalk; prints the objects walked
    "$1" -v2c -c public -m '' -On -t 30 -r 0 "127.0.0.1:$PORT" $TREE | wc -l
}

# The daemon under callgrind; the parent that detaches and the shell of its
# version probe are not followed. The counts are zeroed before each walk and
# written out after it.
SNMP_PERSISTENT_DIR=$AGENT_PERSISTENT_DIR LD_LIBRARY_PATH=$BUILD_DIR \
    valgrind --tool=callgrind --trace-children=yes --trace-children-skip='*/sh,*/snmptrap' \
    --callgrind-out-file="$WORK/callgrind.%p" \
    "$BUILD_DIR/qbz_korvodsnmpagent" -x "$SOCKET" -c "$WORK/snmpd/snmpd.conf" \
    >/dev/null 2>>"$WORK/agent.err" || fail "the agent did not start"
wait_for 120 segment_exists || fail "the agent did not serve: $(cat "$WORK/agent.err")"
wait_for 120 answers_value "$PORT" $TREE.1.1.1.1 || fail "no answer through AgentX"
AGENT_PID=$(pgrep -f 'callgrind.*qbz_korvodsnmpagent' | sort -n | tail -1)
for tool in snmpwalk snmpbulkwalk; do
    callgrind_control --zero "$AGENT_PID" >/dev/null
    objects=$(walk $tool)
    callgrind_control --dump="$tool" "$AGENT_PID" >/dev/null
    dump=$(ls -t "$WORK"/callgrind.* | head -1)
    cp "$dump" "$OUT/$tool.callgrind"
    callgrind_annotate --threshold=100 --inclusive=yes "$dump" >"$OUT/$tool.inclusive.txt"
    callgrind_annotate --threshold=100 "$dump" >"$OUT/$tool.self.txt"
    total=$(awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}' "$OUT/$tool.self.txt")
    printf '%s\t%s objects\t%s instructions per object\n' "$tool" "$objects" \
        "$((total / (objects > 0 ? objects : 1)))" | tee -a "$OUT/summary.txt"
done
kill -TERM "$AGENT_PID"
wait_for 60 process_ended "$AGENT_PID" || true

# CPU per object without callgrind (the daemon's threads, from schedstat),
# then the system calls per object.
start_agent_agentx "$SOCKET"
wait_for 10 answers_value "$PORT" $TREE.1.1.1.1 || fail "no answer through AgentX"
cpu_ns() {
    cat /proc/"$AGENT_PID"/task/*/schedstat | awk '{s += $1} END {printf "%.0f\n", s}'
}
for tool in snmpwalk snmpbulkwalk; do
    for run in 1 2 3; do
        before=$(cpu_ns)
        objects=$(walk $tool)
        printf '%s\t%s objects\t%s us CPU per object (run %s)\n' "$tool" "$objects" \
            "$(echo "scale=2; ($(cpu_ns) - $before) / 1000 / $objects" | bc)" "$run" |
            tee -a "$OUT/summary.txt"
    done
done
for tool in snmpwalk snmpbulkwalk; do
    strace -c -f -q -o "$OUT/$tool.strace.txt" -p "$AGENT_PID" &
    STRACE_PID=$!
    sleep 1
    objects=$(walk $tool)
    kill -INT "$STRACE_PID"
    wait "$STRACE_PID" 2>/dev/null || true
    calls=$(awk '$NF == "total" {print $(NF-2)}' "$OUT/$tool.strace.txt")
    printf '%s\t%s objects\t%s system calls per object\n' "$tool" "$objects" \
        "$(echo "scale=2; $calls / $objects" | bc)" | tee -a "$OUT/summary.txt"
done
