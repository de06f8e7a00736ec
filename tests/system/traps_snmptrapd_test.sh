# A trap raised through the event callback leaves through the real trap
# sender and arrives at a real snmptrapd on 127.0.0.1, once per
# community/port pair and in order, with the expected enterprise, trap
# numbers and variables.
source "$(dirname "$0")/lib.sh"

DRIVER=$BUILD_DIR/tests/korvo_trap_driver
RAID=.1.3.6.1.4.1.7310.4.1
PORT=11562

cd "$WORK" # the stores leave their trace file in the working directory
cp "$BUILD_DIR/examples/korvosim-raid.dat" "$BUILD_DIR/examples/korvosim-enclosure.dat" "$WORK/"
printf '127.0.0.1:%s public\n127.0.0.1:%s second\n' $PORT $PORT >"$WORK/raid.traps"
: >"$WORK/enclosure.traps"
cat >"$WORK/list.ini" <<LIST
NoOfInstalledController = 2
$WORK/korvosim-raid.dat $WORK/raid.traps
$WORK/korvosim-enclosure.dat $WORK/enclosure.traps
LIST

start_snmptrapd $PORT

# The received traps without the fields that vary (time, addresses, uptime).
received() {
    grep '^TRAP' "$TRAPLOG" | cut -f5-8,10-
}

out=$("$DRIVER" "$WORK/list.ini" "" 0 0x101 "Drive state" 1: 2: 3: 0:Rebuilding)
expect_eq "result 1" "$out" "callback result"
wait_for 10 trap_count 2 || fail "two traps expected: $(cat "$TRAPLOG")"

TAB=$'\t'
VARS="$RAID.3.1.1 = INTEGER: 1$TAB$RAID.3.1.2 = INTEGER: 2$TAB$RAID.3.1.6 = INTEGER: 3"
VARS="$VARS$TAB$RAID.100.1.1 = Hex-STRING: $(hex Rebuilding) "
VARS="$VARS$TAB$RAID.100.0.1 = Hex-STRING: $(hex "Drive state") "
expect_eq "public$TAB$RAID.100${TAB}6$TAB.1$TAB$VARS
second$TAB$RAID.100${TAB}6$TAB.1$TAB$VARS" "$(received)" "the traps that arrived"
pass "one trap per pair arrived at snmptrapd, in order, with enterprise, number and variables"
