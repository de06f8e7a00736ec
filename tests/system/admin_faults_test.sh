# The daemon as a careless administrator meets it: start-up files that never
# end or block (a link to /dev/zero, a FIFO), a missing, empty or
# miscounted controller list, an overlong path, persisted definitions cut
# short or with counts beyond their length, a trap sender whose version query
# hangs, and the signals administrators send (SIGHUP to reload, SIGUSR1,
# SIGUSR2, SIGALRM, SIGPIPE). Every start-up problem leaves one clear line on
# standard error and in the system log at LOG_ERR.
source "$(dirname "$0")/lib.sh"

PORT=11661
TARGET=127.0.0.1:$PORT
SNMP=(-m '' -On -t 5 -r 0)
AGENT=$BUILD_DIR/qbz_korvodsnmpagent
LIST=/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini
ERR_PRIORITY='<27>' # facility daemon, priority LOG_ERR

private_syslog
fake_trap_sender
install_sample_definitions
write_snmpd_conf "$PORT" pass_persist
export LD_LIBRARY_PATH=$BUILD_DIR KORVOSIM_EVENTS=$WORK/events
cp /etc/qbz_korvodsnmp/* "$WORK/"

restore_configuration() {
    empty_folder /etc/qbz_korvodsnmp || fail "cannot empty the controller folder"
    cp "$WORK"/QBZ_KorvoSNMP.ini "$WORK"/*.dat "$WORK"/*.traps /etc/qbz_korvodsnmp/
}

no_daemon() {
    ! pgrep -x qbz_korvodsnmpa >/dev/null
}

# Starts the daemon, expects it to end by itself without serving, and checks
# that standard error and the system log (at LOG_ERR) name the problem.
expect_refused_start() { # what, text of the message
    : >"$WORK/syslog"
    "$AGENT" -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>"$WORK/start.err" ||
        fail "$1: the foreground part exits 0"
    wait_for 10 no_daemon || fail "$1: the daemon keeps running (it hangs)"
    segment_gone || fail "$1: a block without definitions"
    expect_contains "$(cat "$WORK/start.err")" "$2" "$1: standard error"
    wait_for 5 grep -q "$ERR_PRIORITY.*$2" "$WORK/syslog" ||
        fail "$1: no LOG_ERR line with [$2] in: $(cat "$WORK/syslog")"
}

# ---- Controller lists that never end, block, are missing or miscounted ---------
ln -sf /dev/zero $LIST
expect_refused_start "a link to /dev/zero" "controller list $LIST: not a regular file"
rm $LIST && mkfifo $LIST
expect_refused_start "a FIFO" "controller list $LIST: not a regular file"
rm $LIST
expect_refused_start "no controller list" "controller list $LIST: no such file"
: >$LIST
expect_refused_start "an empty controller list" "no NoOfInstalledController line"
echo "/etc/qbz_korvodsnmp/korvosim-raid.dat" >$LIST
expect_refused_start "no count line" "no NoOfInstalledController line"
echo "NoOfInstalledController = 4294967298" >$LIST
expect_refused_start "a count that would wrap" "4294967298 is more than 256"
printf 'NoOfInstalledController = 1\n/%s.dat\n' "$(printf 'd%.0s' $(seq 1 300))" >$LIST
expect_refused_start "an overlong path" "path longer than 254 characters"
restore_configuration
pass "controller lists that never end, block, are missing, empty or miscounted"

# ---- Persisted definitions cut short or with counts beyond their length --------
expected_walk_of_second_only() {
    snmpwalk -v2c -c public "${SNMP[@]}" -Oq "$TARGET" .1.3.6.1.4.1.7310 | cut -d' ' -f1 >"$WORK/walk"
    expect_eq 16 "$(wc -l <"$WORK/walk")" "$1: the intact definition's objects"
    [ "$(grep -c '^.1.3.6.1.4.1.7310.5.1' "$WORK/walk")" -eq 16 ] || fail "$1: objects of the refused one"
}
start_snmpd "$PORT" pass_persist
head -c 2000 "$WORK/korvosim-raid.dat" >/etc/qbz_korvodsnmp/korvosim-raid.dat
: >"$WORK/syslog"
start_agent
expect_contains "$(cat "$WORK/agent.err")" \
    "MIB definition file /etc/qbz_korvodsnmp/korvosim-raid.dat refused: it ends before" "cut short"
grep -q "$ERR_PRIORITY.*korvosim-raid.dat refused" "$WORK/syslog" || fail "cut short: no LOG_ERR line"
expected_walk_of_second_only "cut short"
stop_agent
# The group count says 999 (offset 124) while the file holds one group.
cp "$WORK/korvosim-raid.dat" /etc/qbz_korvodsnmp/korvosim-raid.dat
printf '999\0' | dd of=/etc/qbz_korvodsnmp/korvosim-raid.dat bs=1 seek=124 conv=notrunc status=none
: >"$WORK/agent.err"
start_agent
expect_contains "$(cat "$WORK/agent.err")" "korvosim-raid.dat refused" "counts beyond the length"
expected_walk_of_second_only "counts beyond the length"
stop_agent
restore_configuration
pass "a definition cut short or overcounted is refused whole; the other one is walked"

# ---- Trap destination files and snmpd.conf that never end ------------------------
ln -sf /dev/zero /etc/qbz_korvodsnmp/korvosim-raid.traps
mkfifo "$WORK/snmpd.fifo"
echo "TrapDestInd 1" >/etc/qbz_korvodsnmp/korvosim-enclosure.traps
: >"$WORK/agent.err"
KORVOSIM_EVENTS=$WORK/events LD_LIBRARY_PATH=$BUILD_DIR "$AGENT" -c "$WORK/snmpd.fifo" \
    >/dev/null 2>>"$WORK/agent.err" || fail "trap files: the agent did not start"
wait_for 10 segment_exists || fail "trap files that never end keep the daemon from serving"
AGENT_PID=$(pgrep -x qbz_korvodsnmpa | head -1)
expect_contains "$(cat "$WORK/agent.err")" \
    "trap destination file /etc/qbz_korvodsnmp/korvosim-raid.traps: not a regular file" "/dev/zero"
expect_contains "$(cat "$WORK/agent.err")" "snmpd.conf $WORK/snmpd.fifo: not a regular file" "a FIFO"
expect_eq '"7.4.0-sim"' "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" .1.3.6.1.4.1.7310.4.1.1.1.0)" \
    "served without those destinations"
stop_agent
restore_configuration
pass "trap destination files and snmpd.conf that never end or block are refused; the daemon serves"

# ---- A trap sender whose version query never returns -----------------------------
echo hang >"$WORK/snmptrap.mode"
start=$(date +%s)
status=0
"$AGENT" -c "$WORK/snmpd/snmpd.conf" >/dev/null 2>"$WORK/probe.err" || status=$?
took=$(($(date +%s) - start))
expect_eq 255 "$status" "a hanging version query"
[ "$took" -le 20 ] || fail "the probe waited $took s"
expect_contains "$(cat "$WORK/probe.err")" "gave no answer" "the probe's message"
segment_gone || fail "no block without a trap sender"
rm "$WORK/snmptrap.mode"
pass "a trap sender whose version query hangs ends the start (status 255)"

# ---- Signals administrators send ----------------------------------------------
: >"$WORK/syslog"
start_agent
expect_eq "0022" "$(awk '/^Umask/ {print $2}' "/proc/$AGENT_PID/status")" \
    "files the daemon creates are not group- or world-writable"
kill -PIPE "$AGENT_PID"
# A request answered after the signal: the daemon ran past it.
expect_eq '"7.4.0-sim"' "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" .1.3.6.1.4.1.7310.4.1.1.1.0)" \
    "served after SIGPIPE"
process_alive "$AGENT_PID" || fail "SIGPIPE ended the daemon"
# SIGHUP: new destinations are read and used, and the daemon keeps serving.
wait_for 10 test -p "$WORK/events" || fail "no event FIFO"
echo "default reloaded" >/etc/qbz_korvodsnmp/korvosim-raid.traps
kill -HUP "$AGENT_PID"
wait_for 5 grep -q "re-read the trap destinations" "$WORK/syslog" || fail "SIGHUP: no log line"
process_alive "$AGENT_PID" || fail "SIGHUP ended the daemon"
expect_eq '"7.4.0-sim"' "$(snmpget -v2c -c public "${SNMP[@]}" -Oqv "$TARGET" .1.3.6.1.4.1.7310.4.1.1.1.0)" \
    "served after SIGHUP"
: >"$WORK/snmptrap.calls"
echo "fail-drive 0 3" >"$WORK/events"
wait_for 10 grep -q -- "-c reloaded 127.0.0.1" "$WORK/snmptrap.calls" ||
    fail "SIGHUP: the new destination gets no trap: $(cat "$WORK/snmptrap.calls")"
grep -q -- "-c public" "$WORK/snmptrap.calls" && fail "SIGHUP: the old destination still gets traps"
pass "SIGPIPE is ignored; SIGHUP re-reads the trap destinations while serving; umask 022"

for signal in USR1 USR2 ALRM; do
    : >"$WORK/syslog"
    kill -$signal "$AGENT_PID"
    wait_for 10 process_ended "$AGENT_PID" || fail "SIG$signal: the daemon keeps running"
    segment_gone || fail "SIG$signal: the block stays"
    wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "SIG$signal: no stop line"
    start_agent
done
pass "SIGUSR1, SIGUSR2 and SIGALRM stop the daemon cleanly"
