# The daemon's command line, trap sender probe, start-up, system log lines and
# the tear-down on SIGTERM, SIGINT and SIGSEGV, with a recording stand-in for
# the trap sender.
source "$(dirname "$0")/lib.sh"

AGENT=$BUILD_DIR/qbz_korvodsnmpagent
BANNER="Brennic KORVO SNMP Agent Ver 3.18.0.2 (Mar 19th, 2015)"
USAGE_TAIL="-v|-c <Full path of snmpd.conf>"

private_syslog
fake_trap_sender
install_sample_definitions
write_snmpd_conf 11061 pass_persist
export LD_LIBRARY_PATH=$BUILD_DIR KORVOSIM_EVENTS=$WORK/events

# ---- Command line -------------------------------------------------------
expect_eq "$BANNER " "$("$AGENT" -v)" "-v prints name and version"
expect_eq "$BANNER " "$("$AGENT" -v -c /etc/snmp/snmpd.conf)" "-v ignores the rest"
[ ! -e "$WORK/snmptrap.calls" ] || fail "-v must not probe the trap sender"

for args in "" "-c" "-C" "other" "other -v" "other -c" "-x -y"; do
    # shellcheck disable=SC2086
    out=$("$AGENT" $args) || fail "usage exits 0 ($args)"
    expect_eq $'\n'" Usage : $AGENT $USAGE_TAIL" "$out" "usage text for [$args]"
done
long_path=/$(printf 'p%.0s' $(seq 1 99))
out=$("$AGENT" -c "$long_path")
expect_contains "$out" "Usage :" "a configuration path of 100 characters"
segment_gone || fail "no daemon may start from a usage case"
[ -z "$(cat "$WORK/syslog")" ] || fail "usage cases log nothing"
pass "command line"

# ---- A trap sender without a version ------------------------------------
echo nodigit >"$WORK/snmptrap.mode"
set +e
"$AGENT" -c /etc/snmp/snmpd.conf >"$WORK/out" 2>&1
status=$?
set -e
expect_eq 255 "$status" "status with a trap sender that prints no digit"
expect_eq "" "$(cat "$WORK/out")" "nothing printed"
expect_eq "-V" "$(cat "$WORK/snmptrap.calls")" "the probe's argument"
segment_gone || fail "no segment without a trap sender"
[ -z "$(cat "$WORK/syslog")" ] || fail "nothing logged without a trap sender"
rm "$WORK/snmptrap.mode"
pass "version probe"

# ---- Start and stop -----------------------------------------------------
# Starts the daemon with -C, checks what a start shows, and sets DAEMON_PID.
start_daemon() {
    : >"$WORK/syslog"
    local out
    out=$("$AGENT" -C "$WORK/snmpd/snmpd.conf") || fail "the foreground part exits 0"
    expect_eq "$BANNER Started" "$out" "start banner"
    wait_for 5 segment_exists || fail "the daemon creates the segment"
    DAEMON_PID=$(pgrep -x qbz_korvodsnmpa | head -1)
    [ -n "$DAEMON_PID" ] || fail "the daemon runs"
    local perms size
    read -r perms size < <(ipcs -m | awk -v key="$AGENT_KEY" '$1 == key {print $4, $5}')
    expect_eq "600 1024" "$perms $size" "segment permissions and size"
    wait_for 5 grep -q "Started" "$WORK/syslog" || fail "no start line in the log"
    expect_eq "<30>" "$(grep -o '^<[0-9]*>' "$WORK/syslog")" "daemon facility, info level"
    expect_contains "$(cat "$WORK/syslog")" "Brennic KORVO SNMP Agent: Agent Ver 3.18.0.2 (Mar 19th, 2015) Started" "start line"
    [ "$(readlink "/proc/$DAEMON_PID/cwd")" == "/" ] || fail "the daemon works from /"
    [ "$(readlink "/proc/$DAEMON_PID/fd/1")" == "/dev/null" ] || fail "standard output is closed"
    [ "$(awk '{print $6}' "/proc/$DAEMON_PID/stat")" == "$DAEMON_PID" ] || fail "own session"
}

start_daemon
kill -TERM "$DAEMON_PID"
wait_for 5 process_ended "$DAEMON_PID" || fail "SIGTERM ends the daemon"
segment_gone || fail "SIGTERM removes the segment"
wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "no stop line"
expect_contains "$(cat "$WORK/syslog")" "Agent Ver 3.18.0.2 (Mar 19th, 2015) Stopped" "stop line"
pass "SIGTERM"

start_daemon
kill -INT "$DAEMON_PID"
wait_for 5 process_ended "$DAEMON_PID" || fail "SIGINT ends the daemon"
segment_gone || fail "SIGINT removes the segment"
wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "no stop line after SIGINT"
pass "SIGINT"

start_daemon
kill -SEGV "$DAEMON_PID"
wait_for 5 process_ended "$DAEMON_PID" || fail "SIGSEGV ends the daemon"
segment_gone || fail "SIGSEGV removes the segment"
pass "SIGSEGV"

# A stale segment from a daemon that was killed outright is taken over.
start_daemon
kill -KILL "$DAEMON_PID"
wait_for 5 process_ended "$DAEMON_PID" || fail "SIGKILL ends the daemon"
segment_exists || fail "a killed daemon leaves its segment"
start_daemon
kill -TERM "$DAEMON_PID"
wait_for 5 process_ended "$DAEMON_PID" || fail "the second daemon stops"
segment_gone || fail "the second daemon removes the segment"
pass "restart over a stale segment"
echo "1 passed, 0 failed"
