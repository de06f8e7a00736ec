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
