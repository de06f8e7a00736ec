# The trap sender's argument vectors, recorded by a stand-in mounted over
# /usr/bin/snmptrap, for events raised through the event callback against the
# sample definitions and their trap destinations.
source "$(dirname "$0")/lib.sh"

DRIVER=$BUILD_DIR/tests/korvo_trap_driver
RAID=1.3.6.1.4.1.7310.4.1
ENCL=1.3.6.1.4.1.7310.5.1
CALLS=$WORK/snmptrap.calls

fake_trap_sender
cd "$WORK" # the stores leave their trace file in the working directory

cp "$BUILD_DIR/examples/korvosim-raid.dat" "$BUILD_DIR/examples/korvosim-enclosure.dat" "$WORK/"

cat >"$WORK/raid.traps" <<'TRAPS'
# the local manager, then snmpd.conf's destinations, then one more
default public
TrapDestInd 3
192.0.2.1 second
TRAPS
printf 'TrapDestInd 1\r\n' >"$WORK/enclosure.traps"
cat >"$WORK/snmpd.conf" <<'CONF'
trapsink 10.0.0.1 c1
trapsink 10.0.0.1 c2 1162
CONF

# A controller list over the two sample stores: raid is library index 0,
# enclosure 1 (the stores are ordered by prefix). $1: extra token for raid.
write_list() {
    cat >"$WORK/list.ini" <<LIST
NoOfInstalledController = 2
$WORK/korvosim-raid.dat $WORK/raid.traps $1
$WORK/korvosim-enclosure.dat $WORK/enclosure.traps
LIST
}

# Raises an event; checks the callback's result.
raise() { # expected-result index code description args...
    local expected=$1
    shift
    local out
    out=$("$DRIVER" "$WORK/list.ini" "$WORK/snmpd.conf" "$@") || fail "driver failed: $*"
    expect_eq "result $expected" "$out" "callback result for event $2"
}

calls() { cat "$CALLS" 2>/dev/null || true; }

write_list ""

# ---- Pairs in order, typed variables and the description -----------------
# Event 257 is 0x101: a drive changed state, four arguments, description shown.
raise 1 0 257 "Drive 2 changed state" 1:ignored 2: 3: 0:Rebuilding
VARS="$RAID.3.1.1 i 1 $RAID.3.1.2 i 2 $RAID.3.1.6 i 3 $RAID.100.1.1 s Rebuilding"
VARS="$VARS $RAID.100.0.1 s Drive 2 changed state"
expect_eq "-v 1 -c public 127.0.0.1 $RAID.100  6 1  $VARS
-v 1 -c c1 10.0.0.1:162 $RAID.100  6 1  $VARS
-v 1 -c c2 10.0.0.1:1162 $RAID.100  6 1  $VARS
-v 1 -c second 192.0.2.1 $RAID.100  6 1  $VARS" "$(calls)" "one run per pair, in order"
pass "pairs in order with typed variables and the description"

# Hidden description, and more arguments than the trap defines: 0x402 has two.
rm -f "$CALLS"
raise 1 1 0x402 "Fan failed" 4:x 1200:y 9:z
VARS="$ENCL.1.1.1 i 4 $ENCL.1.1.5 i 1200"
expect_eq "-v 1 -c c1 10.0.0.1:162 $ENCL.100  6 2  $VARS
-v 1 -c c2 10.0.0.1:1162 $ENCL.100  6 2  $VARS" "$(calls)" "no description, two variables"
pass "description hidden, variables bounded by the definition"

# ---- Events that send nothing -----------------------------------------------
rm -f "$CALLS"
raise 0 0 0x999 "no such trap"
raise 1 1 0x501 "no arguments" # no variables: no sender runs
raise 1 5 0x101 "no such library"
expect_eq "" "$(calls)" "nothing sent"
write_list n
raise 1 0 257 "traps off" 1: 2: 3: 0:x
raise 1 1 0x401 "traps on for the other library" 1: 2: 0:ok
expect_eq 2 "$(calls | wc -l)" "only the library with traps on sends"
write_list ""
pass "undefined traps, empty traps and traps switched off"

# ---- Event codes in lower-case hexadecimal ------------------------------------
sed 's/^CODE=401$/CODE=4fa/' "$SOURCE_DIR/examples/korvosim-enclosure.ini" >"$WORK/hex.ini"
"$BUILD_DIR/qbz_korvomibconv" build "$WORK/hex.ini" "$WORK/korvosim-enclosure.dat" >/dev/null
rm -f "$CALLS"
raise 1 1 0x4FA "hex" 3: 1: 0:warm
expect_contains "$(calls)" "$ENCL.100  6 1  $ENCL.1.1.1 i 3" "event 0x4FA matches code 4fa"
pass "event code in lower-case hexadecimal"

# ---- A sender that does not end ---------------------------------------------
# A second stand-in over the first: a run for community "hang" never ends.
cat >"$WORK/snmptrap-hanging" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$CALLS"
[ "\$4" = hang ] && exec sleep 120
exit 0
SCRIPT
chmod +x "$WORK/snmptrap-hanging"
mount --bind "$WORK/snmptrap-hanging" /usr/bin/snmptrap
printf 'h1 hang\nh2 after\n' >"$WORK/raid.traps"
rm -f "$CALLS"
started=$(date +%s)
raise 1 0 0x103 "rebuild started" 1: 2:
elapsed=$(($(date +%s) - started))
[ "$elapsed" -ge 9 ] && [ "$elapsed" -le 30 ] || fail "a hung sender is given 10 s, took $elapsed s"
expect_eq "-v 1 -c hang h1 $RAID.100  6 3  $RAID.3.1.1 i 1 $RAID.3.1.2 i 2 $RAID.100.0.3 s rebuild started
-v 1 -c after h2 $RAID.100  6 3  $RAID.3.1.1 i 1 $RAID.3.1.2 i 2 $RAID.100.0.3 s rebuild started" \
    "$(calls)" "the next pair is served after the hung one"
! pgrep -x sleep >/dev/null || fail "the hung sender was killed"
pass "a hung sender is killed and the next pair served"

# ---- SNMPv2c traps, informs and trapsess lines ----------------------------------
# From here on a stand-in records each argument exactly, and the snmp.conf a
# run is pointed at; the daemon's state folder is a private one.
private_state_folder
exact_trap_sender
RUNS=$WORK/sender.runs
runs() { cat "$RUNS" 2>/dev/null || true; }
AUTH_PASS='auth pass "1'
PRIV_PASS=privpass12
cat >"$WORK/raid.traps" <<'TRAPS'
default public
TrapDestInd 3
127.0.0.1:1162 c2 2c
127.0.0.1:1163 c3 inform
TRAPS
cat >"$WORK/snmpd.conf" <<'CONF'
trapsess -v 3 -u korvo -l authPriv -a SHA -A 'auth pass "1' -x AES -X privpass12 -e 0x8000000001020304 10.0.0.4:162
trapsink 10.0.0.1 c1
trap2sink 10.0.0.2 c4
informsink 10.0.0.3 c5 1620
trapsess -v 2c -c c6 -Ci 10.0.0.5
trapsess -v 1 -c c7 10.0.0.6
CONF
VARS="[$RAID.3.1.1] [i] [1] [$RAID.3.1.2] [i] [2] [$RAID.100.0.3] [s] [rebuild started]"
V2="[] [$RAID.100.0.3] $VARS"
V1="[$RAID.100] [] [6] [3] [] $VARS"
raise 1 0 0x103 "rebuild started" 1: 2: 2>"$WORK/driver.err"
STATE=/var/lib/qbz_korvodsnmp/trap-secrets
expect_eq "ARGS [-v] [1] [-c] [public] [127.0.0.1] $V1
ARGS [-v] [1] [-c] [c1] [10.0.0.1:162] $V1
ARGS [-v] [3] [-u] [korvo] [-l] [authPriv] [-a] [SHA] [-x] [AES] [-e] [0x8000000001020304] [10.0.0.4:162] $V2
CONF $SNMPCONFPATH:$STATE/g1/1 700 600 defAuthPassphrase \"auth pass \\\"1\"|defPrivPassphrase \"privpass12\"|
ARGS [-v] [2c] [-c] [c4] [10.0.0.2:162] $V2
ARGS [-v] [2c] [-c] [c5] [-Ci] [-t] [1] [-r] [3] [10.0.0.3:1620] $V2
ARGS [-v] [2c] [-c] [c6] [-Ci] [-t] [1] [-r] [3] [10.0.0.5] $V2
ARGS [-v] [1] [-c] [c7] [10.0.0.6] $V1
ARGS [-v] [2c] [-c] [c2] [127.0.0.1:1162] $V2
ARGS [-v] [2c] [-c] [c3] [-Ci] [-t] [1] [-r] [3] [127.0.0.1:1163] $V2" "$(runs)" \
    "every kind in order: the file's, snmpd.conf's older keywords, its newer lines, the file's"
! grep '^ARGS' "$RUNS" | grep -q -e "$PRIV_PASS" -e "auth pass" || fail "a pass phrase in a vector"
[ ! -e "$STATE" ] || fail "the secrets stay after the driver ended: $(ls -R "$STATE")"
expect_eq "" "$(cat "$WORK/driver.err")" "nothing to report"
pass "SNMPv2c, inform and trapsess vectors in order; secrets only in a 0600 snmp.conf"

# ---- Hostile lines --------------------------------------------------------------
# Words that the sender would take as options are refused (a destination
# beginning with '-' reached it as an option once); shell text is passed as
# it is; texts that do not fit, and what the list has no room for, are
# refused with a message naming file and line (they were dropped silently).
LONG_HOST=$(printf 'h%.0s' $(seq 24))
printf -- '-c public\nhost -secret\n%s c\n127.0.0.1 ok\n' "$LONG_HOST" >"$WORK/raid.traps"
printf 'TrapDestInd 3\n' >>"$WORK/raid.traps"
cat >"$WORK/snmpd.conf" <<CONF
trapsink -oops
trapsink h -c
trapsink $LONG_HOST
trapsess -v 2c -c p -Lf $WORK/sender.log 10.0.0.7
trapsess -v 2c -c p -Y "persistentDir /etc" 10.0.0.7
trapsess -v 2c -c p -m ALL -M / 10.0.0.7
trapsess -v 2c -c p -- -host
trapsess -v 2c -c p -host
trapsess -v 2c -c p 10.0.0.7 extra
trap2sink -h
trapsess -v 2c -c \$(touch\ $WORK/pwned) ';reboot|&'
trap2sink \`touch $WORK/pwned3\` c
trapsess -v 2c -c p $(printf 'x%.0s' $(seq 1100)) 10.0.0.8
CONF
rm -f "$RUNS"
raise 1 0 0x103 "rebuild started" 1: 2: 2>"$WORK/driver.err"
expect_eq "ARGS [-v] [1] [-c] [ok] [127.0.0.1] $V1
ARGS [-v] [2c] [-c] [\$(touch $WORK/pwned)] [;reboot|&] $V2
ARGS [-v] [2c] [-c] [$WORK/pwned3\`] [\`touch:c] $V2" "$(runs)" "only the sound lines are sent"
ls "$WORK"/pwned* >/dev/null 2>&1 && fail "shell text was run"
REPORT=$(cat "$WORK/driver.err")
for expected in \
    "trap destination file $WORK/raid.traps line 1: the address -c would be taken as an option; refused" \
    "trap destination file $WORK/raid.traps line 2: the community begins with '-'" \
    "trap destination file $WORK/raid.traps line 3: the address $LONG_HOST is longer than 23 characters; refused" \
    "snmpd.conf $WORK/snmpd.conf line 1: the address -oops would be taken as an option; refused" \
    "snmpd.conf $WORK/snmpd.conf line 2: the community begins with '-'" \
    "snmpd.conf $WORK/snmpd.conf line 3: the address $LONG_HOST is longer than 23 characters" \
    "line 4: trapsess: option -L is not taken; refused" \
    "line 5: trapsess: option -Y is not taken; refused" \
    "line 6: trapsess: option -m is not taken; refused" \
    "line 7: trapsess: '--' is not taken; refused" \
    "line 8: trapsess: option -h is not taken; refused" \
    "line 9: trapsess: more than one host, or a stray word; refused" \
    "line 10: the address -h would be taken as an option; refused" \
    "line 13: trapsess line longer than 1023 characters; refused"; do
    expect_contains "$REPORT" "$expected" "the refusal"
done
[ ! -e "$WORK/sender.log" ] || fail "the sender was given a log file"
pass "hostile lines refused with file and line, shell text passed as it is"

# The list's limit: what does not fit is refused with a message, never cut.
{
    for i in $(seq 0 22); do echo "10.1.0.$i c"; done
    echo "TrapDestInd 3"
    echo "10.2.0.0 late"
} >"$WORK/raid.traps"
printf 'trap2sink 10.3.0.0 c\ninformsink 10.3.0.1 c\n' >"$WORK/snmpd.conf"
rm -f "$RUNS"
raise 1 0 0x103 "rebuild started" 1: 2: 2>"$WORK/driver.err"
expect_eq 24 "$(grep -c '^ARGS' "$RUNS")" "24 destinations"
expect_contains "$(tail -1 "$RUNS")" "[10.3.0.0:162]" "the 24th is snmpd.conf's first"
expect_contains "$(cat "$WORK/driver.err")" \
    "snmpd.conf $WORK/snmpd.conf line 2: informsink refused: the list holds no more than 24" \
    "a full list"
expect_contains "$(cat "$WORK/driver.err")" "raid.traps line 25: this line and those below it refused" \
    "the lines after a full list"
pass "what the list has no room for is refused with a message"
