# The real daemon with snmpd.conf's newer lines: a trapsess line's secrets
# are in a 0600 snmp.conf of the daemon's own while it runs, SIGHUP re-reads
# the destinations (new kinds too) and rewrites that file, the old one goes
# once the new lists are in use, and everything goes when the daemon stops.
source "$(dirname "$0")/lib.sh"

RAID=1.3.6.1.4.1.7310.4.1
STATE=/var/lib/qbz_korvodsnmp/trap-secrets
RUNS=$WORK/sender.runs

private_syslog
private_state_folder
exact_trap_sender
install_sample_definitions
echo "TrapDestInd 1" >/etc/qbz_korvodsnmp/korvosim-raid.traps
: >/etc/qbz_korvodsnmp/korvosim-enclosure.traps
SESSION="trapsess -v 3 -u korvo -l authPriv -a SHA -x AES -e 0x8000000001020304"
write_snmpd_conf 11863 pass_persist "$SESSION -A firstpass1 -X firstpriv1 10.0.0.4"
start_agent
wait_for 10 test -p "$WORK/events" || fail "the simulated library made no event FIFO"

# The one snmp.conf file under the state folder, with its modes.
secrets_file() {
    find "$STATE" -name snmp.conf
}
modes_of() { # file
    echo "$(stat -c %a "$(dirname "$1")") $(stat -c %a "$1")"
}

first=$(secrets_file)
expect_eq "$STATE/g1/1/snmp.conf" "$first" "the file written at start-up"
expect_eq "700 600" "$(modes_of "$first")" "folder and file modes"
expect_eq 'defAuthPassphrase "firstpass1"|defPrivPassphrase "firstpriv1"|' \
    "$(tr '\n' '|' <"$first")" "the file holds the secrets"
! grep -a -q firstpass1 /proc/"$AGENT_PID"/cmdline || fail "a secret on the daemon's command line"

echo "fail-drive 0 3" >"$WORK/events"
# The first run is complete once its CONF line follows its ARGS line.
wait_for 15 grep -q "^CONF" "$RUNS" || fail "no notification: $(cat "$RUNS" "$WORK/agent.err")"
expect_contains "$(head -1 "$RUNS")" \
    "ARGS [-v] [3] [-u] [korvo] [-l] [authPriv] [-a] [SHA] [-x] [AES] [-e] [0x8000000001020304] [10.0.0.4] [] [$RAID.100.0." \
    "the trapsess vector"
expect_contains "$(sed -n 2p "$RUNS")" "CONF $SNMPCONFPATH:$STATE/g1/1 700 600" \
    "the run is pointed at the file"
pass "secrets in a 0600 snmp.conf of the daemon's own, the sender pointed at it"

# ---- SIGHUP: new secrets and a new kind ---------------------------------------
cat >>"$WORK/snmpd/snmpd.conf" <<CONF
trap2sink 10.0.0.5 public
CONF
sed -i "s/firstpass1/secondpass/; s/firstpriv1/secondpriv/" "$WORK/snmpd/snmpd.conf"
kill -HUP "$AGENT_PID"
wait_for 10 grep -q "re-read the trap destinations" "$WORK/syslog" || fail "no re-reading logged"
second=$(secrets_file)
expect_eq "$STATE/g2/2/snmp.conf" "$second" "only the re-read file remains"
expect_eq "700 600" "$(modes_of "$second")" "modes of the re-read file"
expect_eq 'defAuthPassphrase "secondpass"|defPrivPassphrase "secondpriv"|' \
    "$(tr '\n' '|' <"$second")" "the re-read secrets"
rm -f "$RUNS"
echo "fail-drive 0 4" >"$WORK/events"
runs_at_least() {
    [ "$(grep -c '^ARGS' "$RUNS" 2>/dev/null)" -ge "$1" ]
}
wait_for 15 runs_at_least 4 || fail "notifications after SIGHUP: $(cat "$RUNS" "$WORK/agent.err")"
# An adapter-setting event after them: the library delivers events one after
# another and the daemon waits for each run, so once the marker's run to the
# last destination (the v2c one) is there, every run before it is complete.
echo "event 301 0 Marker 1" >"$WORK/events"
wait_for 15 grep -q '^ARGS \[-v\] \[2c\] .*\[Marker\]' "$RUNS" ||
    fail "the marker's runs: $(cat "$RUNS" "$WORK/agent.err")"
expect_contains "$(cat "$RUNS")" "CONF $SNMPCONFPATH:$STATE/g2/2 700 600" \
    "runs after the re-reading use the new file"
expect_contains "$(cat "$RUNS")" "ARGS [-v] [2c] [-c] [public] [10.0.0.5:162] [] [$RAID.100.0." \
    "the re-read v2c destination"
! grep '^ARGS' "$RUNS" | grep -q -e secondpass -e firstpass1 || fail "a pass phrase in a vector"
pass "SIGHUP re-reads the newer lines and rewrites the secrets; the old file is gone"

stop_agent
[ ! -e "$STATE" ] || fail "the secrets stay after the daemon stopped: $(find "$STATE")"
wait_for 5 grep -q "Stopped" "$WORK/syslog" || fail "no stop line"
pass "the secrets are removed when the daemon stops"
