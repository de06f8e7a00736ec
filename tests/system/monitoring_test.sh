# The agent as monitoring systems see it, through the real snmpd, daemon and
# simulated library with the sample definitions: a walk with the generated
# MIB modules prints enumerated values by name and values with their units,
# snmptrapd with the modules prints the notifications by the names the
# definitions give, and the real Prometheus SNMP exporter, on the module that
# `qbz_korvomibconv exporter` writes, scrapes every row and column of the tree
# with the labels and values a walk gives, enumerated states by name.
source "$(dirname "$0")/lib.sh"

PORT=11471
TRAP_PORT=11472
EXPORTER=127.0.0.1:11473
TARGET=127.0.0.1:$PORT
MIBS=(-m KORVOSIM-RAID-MIB:KORVOSIM-ENCLOSURE-MIB -M "+$BUILD_DIR/mibs")
EXPORTER_BIN=/usr/bin/prometheus-snmp-exporter
[ -x "$EXPORTER_BIN" ] ||
    fail "prometheus-snmp-exporter is missing (scripts/install-deps.sh installs it)"

install_sample_definitions
for traps in /etc/qbz_korvodsnmp/*.traps; do
    echo "127.0.0.1:$TRAP_PORT public" >"$traps"
done
write_snmpd_conf $PORT pass_persist
start_agent
start_snmpd $PORT pass_persist
wait_for 10 test -p "$WORK/events" || fail "the simulated library made no event FIFO"

# ---- A walk with the modules ------------------------------------------------
snmpwalk -v2c -c public "${MIBS[@]}" "$TARGET" .1.3.6.1.4.1.7310 >"$WORK/walk" 2>"$WORK/walk.err"
walk=$(cat "$WORK/walk")
expect_contains "$walk" "KORVOSIM-RAID-MIB::physicalDriveState.0 = INTEGER: online(0)" "a drive's state"
expect_contains "$walk" "KORVOSIM-RAID-MIB::physicalDriveState.7 = INTEGER: hotSpare(4)" "a hot spare"
expect_contains "$walk" "KORVOSIM-RAID-MIB::logicalDriveRaidLevel.0 = INTEGER: raid5(5)" "a RAID level"
expect_contains "$walk" "KORVOSIM-RAID-MIB::adapterTemperature.0 = INTEGER: " "a temperature"
grep -q "^KORVOSIM-RAID-MIB::adapterTemperature.0 = INTEGER: [0-9]* degrees Celsius$" "$WORK/walk" ||
    fail "the temperature has no unit: $(grep adapterTemperature "$WORK/walk")"
expect_contains "$walk" "KORVOSIM-ENCLOSURE-MIB::batteryState.0 = INTEGER: optimal(0)" "a battery"
expect_contains "$walk" "KORVOSIM-ENCLOSURE-MIB::batteryVoltageMV.0 = INTEGER: " "a voltage"
# Every enumerated object prints a name for its value.
enumerated='(State|PowerSupplyState|RaidLevel|CachePolicy|AlarmEnable|LearnCycleEnable)\.'
bare=$(grep -E "::[a-zA-Z]*$enumerated" "$WORK/walk" | grep -vE 'INTEGER: [a-zA-Z0-9]+\(-?[0-9]+\)$' ||
    true)
expect_eq "" "$bare" "enumerated values without a name"
expect_eq 37 "$(grep -cE "::[a-zA-Z]*$enumerated" "$WORK/walk")" "enumerated objects in the walk"
pass "snmpwalk with the modules prints enumerated values by name and units"

# ---- The exporter's scrape against a walk -------------------------------------
"$BUILD_DIR/qbz_korvomibconv" exporter "$SOURCE_DIR/examples/korvosim-raid.ini" \
    "$SOURCE_DIR/examples/korvosim-enclosure.ini" >"$WORK/snmp.yml" ||
    fail "the exporter modules were not written"
"$EXPORTER_BIN" --config.file="$WORK/snmp.yml" --dry-run >"$WORK/exporter.log" 2>&1 ||
    fail "the exporter refuses the modules: $(cat "$WORK/exporter.log")"
"$EXPORTER_BIN" --config.file="$WORK/snmp.yml" --web.listen-address=$EXPORTER \
    >"$WORK/exporter.log" 2>&1 &

# The body of an HTTP GET of the exporter ($1: path).
http_get() {
    local reply
    exec 3<>"/dev/tcp/${EXPORTER%:*}/${EXPORTER#*:}" || return 1
    printf 'GET %s HTTP/1.0\r\nHost: %s\r\n\r\n' "$1" "$EXPORTER" >&3
    reply=$(cat <&3)
    exec 3<&-
    [[ "$reply" == "HTTP/1.0 200"* ]] || return 1
    printf '%s\n' "${reply#*$'\r\n\r\n'}"
}
exporter_up() { http_get /metrics >/dev/null 2>&1; }
wait_for 10 exporter_up || fail "the exporter did not start: $(cat "$WORK/exporter.log")"

scrape() { # module
    http_get "/snmp?module=$1&target=$TARGET" >"$WORK/scrape.$1" ||
        fail "scrape of $1 failed: $(cat "$WORK/scrape.$1")"
    grep -q '^snmp_scrape_pdus_returned' "$WORK/scrape.$1" || fail "no scrape of $1"
}

# The walks of a module in snmp.yml.
module_walks() {
    awk -v module="$1" '/^[a-z_0-9]+:$/ { inModule = ($0 == module ":"); inWalk = 0; next }
        inModule && /^  walk:$/ { inWalk = 1; next }
        inModule && inWalk && /^  - / { print $2; next }
        { inWalk = 0 }' "$WORK/snmp.yml"
}

# Compares the scrape of a module with a walk of the same subtrees: every
# object of the walk is one series whose labels (the row index named after
# the index column, the text of a DisplayString, the state's name) and value
# match it.
compare() { # module
    local module=$1 subtree
    scrape "$module"
    : >"$WORK/walk.$module"
    for subtree in $(module_walks "$module"); do
        snmpwalk -v2c -c public "${MIBS[@]}" -Oq -Os -Oe -OU "$TARGET" "$subtree" \
            >>"$WORK/walk.$module"
    done
    awk -v yml="$WORK/snmp.yml" -v module="$module" '
        BEGIN {
            while ((getline line < yml) > 0) {
                if (line ~ /^[a-z_0-9]+:$/) { inModule = (line == module ":") }
                if (!inModule) continue
                n = split(line, f, " ")
                if (line ~ /^  - name: /) { name = f[3] }
                else if (line ~ /^    type: /) { type[name] = f[2] }
                else if (line ~ /^    - labelname: /) { label[name] = f[3] }
                else if (line ~ /^      -?[0-9]+: /) { v = f[1]; sub(":", "", v); state[name, v] = f[2] }
            }
        }
        function series(name, firstName, firstValue, secondName, secondValue,   pairs) {
            if (secondName != "" && (firstName == "" || secondName < firstName)) {
                pairs = secondName "=\"" secondValue "\""
                if (firstName != "") pairs = pairs "," firstName "=\"" firstValue "\""
            } else if (firstName != "") {
                pairs = firstName "=\"" firstValue "\""
                if (secondName != "") pairs = pairs "," secondName "=\"" secondValue "\""
            }
            return pairs == "" ? name : name "{" pairs "}"
        }
        FILENAME != ARGV[ARGC - 1] {
            if ($0 ~ /^#/ || NF < 2) next
            value = $NF
            key = substr($0, 1, length($0) - length(value) - 1)
            scraped[key] = value
            next
        }
        {
            object = $1
            text = substr($0, length(object) + 2)
            if (text == "\"\"") text = ""
            dot = index(object, ".")
            name = substr(object, 1, dot - 1)
            row = substr(object, dot + 1)
            objects++
            if (!(name in type)) { print "no metric for " object; bad++; next }
            if (type[name] == "gauge") {
                key = series(name, label[name], row)
                want = text
            } else if (type[name] == "DisplayString") {
                key = series(name, label[name], row, name, text)
                want = 1
            } else {
                key = series(name, label[name], row, name, state[name, text])
                want = 1
            }
            if (!(key in scraped)) { print "missing: " key " (" object " " text ")"; bad++ }
            else if (scraped[key] + 0 != want + 0) {
                print "wrong: " key " " scraped[key] ", the walk gives " text; bad++
            }
        }
        END { printf "%d %d\n", objects, bad }
    ' "$WORK/scrape.$module" "$WORK/walk.$module" >"$WORK/compare.$module"
    read -r objects bad < <(tail -1 "$WORK/compare.$module")
    [ "$bad" == 0 ] || fail "the scrape of $module differs from the walk: $(head -20 "$WORK/compare.$module")"
    [ "$objects" -gt 10 ] || fail "a short walk of $module: $(cat "$WORK/walk.$module")"
    echo "$module: $objects objects of the walk, each a series with its labels and value"
}
expect_eq "1.3.6.1.4.1.7310.4.1.1 1.3.6.1.4.1.7310.4.1.2 1.3.6.1.4.1.7310.4.1.3 1.3.6.1.4.1.7310.4.1.4" \
    "$(module_walks korvosim_raid | xargs)" "the walks of the RAID module"
compare korvosim_raid
raid_objects=$objects
compare korvosim_enclosure
expect_eq "$(wc -l <"$WORK/walk")" "$((raid_objects + objects))" "objects of both modules against the whole walk"
expect_contains "$(cat "$WORK/scrape.korvosim_raid")" \
    'physicalDriveState{physicalDriveId="7",physicalDriveState="hotSpare"} 1' "a state by name"
expect_contains "$(cat "$WORK/scrape.korvosim_raid")" \
    'systemDriverVersion{systemDriverVersion="7.4.0-sim"} 1' "a scalar text"
expect_contains "$(cat "$WORK/scrape.korvosim_raid")" \
    '# HELP adapterTemperature Temperature of the adapter' "a help text"
pass "the exporter scrapes every row and column as the walk gives it"

# ---- A drive fails: named notifications, and the state in the scrape -------
cat >"$WORK/snmptrapd.conf" <<CONF
authCommunity log public
[snmp] persistentDir $SNMP_PERSISTENT_DIR
CONF
/usr/sbin/snmptrapd -f -C -c "$WORK/snmptrapd.conf" -n "${MIBS[@]}" -Lf "$WORK/traps.log" \
    -p "$WORK/snmptrapd.pid" -F 'TRAP %q%v\n' "udp:127.0.0.1:$TRAP_PORT" &
wait_for 10 grep -qs "NET-SNMP version" "$WORK/traps.log" || fail "snmptrapd did not start"
echo "fail-drive 0 3" >"$WORK/events"
wait_for 20 grep -q 'physicalDriveFailed' "$WORK/traps.log" ||
    fail "no named trap arrived: $(cat "$WORK/traps.log")"
wait_for 20 grep -q 'physicalDriveStateChanged' "$WORK/traps.log" ||
    fail "no state trap arrived: $(cat "$WORK/traps.log")"
traps=$(grep '^TRAP' "$WORK/traps.log")
expect_contains "$traps" "TRAP KORVOSIM-RAID-MIB::physicalDriveFailed" "the drive-failed notification"
expect_contains "$traps" "KORVOSIM-RAID-MIB::physicalDriveStateChanged" "the state notification"
expect_contains "$traps" "KORVOSIM-RAID-MIB::physicalDriveState = INTEGER: failed(2)" \
    "the new state by name"
expect_eq "" "$(grep -o 'korvosimRaidEvent[0-9a-f]*' <<<"$traps" || true)" "unnamed notifications"
pass "snmptrapd with the modules prints the notifications by name"

scrape korvosim_raid
expect_contains "$(cat "$WORK/scrape.korvosim_raid")" \
    'physicalDriveState{physicalDriveId="3",physicalDriveState="failed"} 1' "the failed drive"
pass "the scrape shows the failed drive's state by name"
