# Get-next from OIDs that name no object, through the real snmpd, relay and
# daemon on the sample definitions: from every OID between and beyond the
# objects of the tree the answer is the next object in OID order (the sample
# walk orders increase), so a manager that resumes a walk anywhere sees the
# rest of the tree and the second definition. Also: a get below a scalar
# instance names nothing.
source "$(dirname "$0")/lib.sh"

PORT=11461
TARGET=127.0.0.1:$PORT
SNMP=(-m '' -On -t 5 -r 0)
RAID=.1.3.6.1.4.1.7310.4.1
SHELF=.1.3.6.1.4.1.7310.5.1

install_sample_definitions
write_snmpd_conf "$PORT" pass_persist
start_agent
start_snmpd "$PORT" pass_persist

snmpwalk -v2c -c public "${SNMP[@]}" -Oq "$TARGET" .1.3.6.1.4.1.7310 | cut -d' ' -f1 >"$WORK/objects"
expect_eq 249 "$(wc -l <"$WORK/objects")" "the reference walk"

# The probes: each object with one more sub-identifier (and with two), each
# group's and table's attribute one above its last, unused entry numbers,
# huge sub-identifiers at every level, OIDs of more than 50 sub-identifiers,
# and the points between and after the two definitions.
python3 - "$WORK/objects" >"$WORK/probes" <<'PY'
import sys
objects = [line.strip() for line in open(sys.argv[1]) if line.strip()]
raid, shelf = ".1.3.6.1.4.1.7310.4.1", ".1.3.6.1.4.1.7310.5.1"
probes = set()
for o in objects:
    probes.add(o + ".0")
    probes.add(o + ".5.7")
    parts = o.split(".")
    entry_attr = ".".join(parts[:-1])          # the attribute, without instance
    attr = int(parts[-2])
    probes.add(".".join(parts[:-2] + [str(attr + 1)]))       # attribute one above
    probes.add(".".join(parts[:-1] + ["4294967295"]))         # huge instance
    probes.add(entry_attr + ".4294967295.0")
for base in (raid, shelf):
    for n in (0, 5, 6, 9, 99, 101, 200, 4294967295):
        probes.add("%s.%d" % (base, n))
    for n in ("1.6", "1.4294967295", "1.0", "2.0", "2.2", "2.1.0", "2.1.11", "2.1.4294967295",
              "3.1.12", "3.2", "4.1.9", "1.1.9", "2.1.9", "4294967295.1", "1.5.0.0"):
        probes.add("%s.%s" % (base, n))
probes.add(raid + ".2.1.3" + ".0" * 45)               # 55 sub-identifiers
probes.add(raid + ".1.5.0" + ".1" * 50)
probes.update([".1.3.6.1.4.1.7310.4", ".1.3.6.1.4.1.7310.4.2", ".1.3.6.1.4.1.7310.5",
               ".1.3.6.1.4.1.7310.4.1.4294967295.4294967295", ".1.3.6.1.4.1.7310.5.0"])
for p in sorted(probes):
    print(p)
PY

# The expected answer of each probe: the first object after it in OID order,
# or nothing (the end of our subtree).
python3 - "$WORK/objects" "$WORK/probes" >"$WORK/expected" <<'PY'
import sys
key = lambda o: [int(x) for x in o.strip(".").split(".")]
objects = sorted((line.strip() for line in open(sys.argv[1]) if line.strip()), key=key)
for p in (line.strip() for line in open(sys.argv[2])):
    after = [o for o in objects if key(o) > key(p)]
    print(p, after[0] if after else "END")
PY

# Asked in batches of 20 bindings a request; a get-next past our last object
# leaves our subtree (snmpd's next objects or its end of the MIB).
: >"$WORK/answers"
xargs -n 20 <"$WORK/probes" >"$WORK/batches"
while read -r -a batch; do
    snmpgetnext -v2c -c public "${SNMP[@]}" -Oq "$TARGET" "${batch[@]}" >"$WORK/batch" ||
        fail "get-next batch failed: ${batch[*]}"
    [ "$(wc -l <"$WORK/batch")" -eq "${#batch[@]}" ] || fail "one answer per probe"
    paste -d' ' <(printf '%s\n' "${batch[@]}") <(cut -d' ' -f1 "$WORK/batch") >>"$WORK/answers"
done <"$WORK/batches"

wrong=0
while read -r probe expected; do
    actual=$(awk -v p="$probe" '$1 == p {print $2}' "$WORK/answers")
    if [ "$expected" == END ]; then
        [[ "$actual" != .1.3.6.1.4.1.7310.* ]] || { echo "from $probe: got $actual, expected past the subtree"; wrong=$((wrong + 1)); }
    elif [ "$actual" != "$expected" ]; then
        echo "from $probe: got $actual, expected $expected"
        wrong=$((wrong + 1))
    fi
done <"$WORK/expected"
expect_eq 0 "$wrong" "get-next answers of $(wc -l <"$WORK/probes") probes"
pass "get-next resumes the walk from every OID that names no object"

# A walk resumed from inside the first definition (snmpwalk keeps to the
# subtree it starts in, so get-next by get-next) reaches every later object,
# the second definition's among them.
: >"$WORK/resumed"
oid=$RAID.1.6
while :; do
    oid=$(snmpgetnext -v2c -c public "${SNMP[@]}" -Oq "$TARGET" "$oid" | cut -d' ' -f1)
    [[ "$oid" == .1.3.6.1.4.1.7310.* ]] || break
    echo "$oid" >>"$WORK/resumed"
done
tail -n +6 "$WORK/objects" | cmp -s - "$WORK/resumed" ||
    fail "a walk resumed past the group differs from the rest of the reference walk"
pass "a resumed walk crosses to the second definition"

# ---- A get below a scalar instance, or of a scalar without instance -----
for oid in $RAID.1.1.0.0 $RAID.1.2.0.5 $RAID.1.1 $RAID.1.1.5.0; do
    out=$(snmpget -v2c -c public "${SNMP[@]}" "$TARGET" "$oid" 2>&1)
    expect_contains "$out" "No Such" "get of $oid"
done
expect_contains "$(snmpget -v2c -c public "${SNMP[@]}" "$TARGET" $RAID.1.1.0)" "STRING" "the instance itself"
pass "gets below a scalar instance name nothing"
