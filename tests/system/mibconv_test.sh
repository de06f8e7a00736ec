#!/bin/bash
# The definition tool on the sample definitions and on broken ones, and the
# controller list read at its fixed place (in a private mount namespace).
# The shared set-up of the system tests (work folder, net-snmp folders of the
# test's own, clean-up); here a failure is counted and the checks go on.
source "$(dirname "$0")/lib.sh"
set +e
TOOL=$BUILD_DIR/qbz_korvomibconv
FAILURES=0

fail() {
    echo "FAIL: $*"
    FAILURES=$((FAILURES + 1))
}

# build, dump and build again give the same bytes, in both table layouts.
for SAMPLE in korvosim-raid korvosim-enclosure korvomd; do
    INI=$SOURCE_DIR/examples/$SAMPLE.ini
    for LAYOUT in "" --windows; do
        $TOOL build $LAYOUT "$INI" "$WORK/a.dat" || fail "build $LAYOUT $SAMPLE"
        $TOOL dump $LAYOUT "$WORK/a.dat" >"$WORK/a.ini" || fail "dump $LAYOUT $SAMPLE"
        $TOOL build $LAYOUT "$WORK/a.ini" "$WORK/b.dat" || fail "rebuild $LAYOUT $SAMPLE"
        cmp -s "$WORK/a.dat" "$WORK/b.dat" || fail "round trip $LAYOUT $SAMPLE"
    done
    $TOOL check "$INI" >/dev/null || fail "check $SAMPLE.ini"
    $TOOL check "$BUILD_DIR/examples/$SAMPLE.dat" >/dev/null || fail "check $SAMPLE.dat"
done

# A small valid definition that the broken ones below change.
base() {
    cat <<'INI'
[GLOBALS]
DATA_SRC=demo
OID_PREFIX=1.3.6.1.4.1.7310.9
OID_VIEW=HideTrapDescription
VALID_OID=1.3.6.1.4.1.7310.9.1
MIB_VERSION=1.0
NO_OF_GROUPS=1
NO_OF_TBLS=2
NO_OF_TRAP_ATTRB=1
NO_OF_TRAPS=1
NO_OF_MAPs=3
[GRP_1]
ENTRY_OID=1
CLASS_NAME=Sys
NO_OF_ATTRBS=2
[GRP_1_ATTRB_1]
OID=1
NAME=Version
DATA_TYPE=1
[GRP_1_ATTRB_2]
OID=2
NAME=Count
DATA_TYPE=2
[TBL_1]
ENTRY_OID=2.1
CLASS_NAME=Disk
NO_OF_ATTRBS=1
NO_OF_KEYS=1
TBL_1_KEY_1=DiskId
[TBL_1_ATTRB_1]
OID=1
NAME=DiskId
DATA_TYPE=2
[TBL_2]
ENTRY_OID=3.1
CLASS_NAME=Fan
NO_OF_ATTRBS=1
NO_OF_KEYS=1
TBL_2_KEY_1=FanId
[TBL_2_ATTRB_1]
OID=1
NAME=FanId
DATA_TYPE=2
[TRAPATTRB_0]
OID=2.1.1
NAME=DiskId
DATA_TYPE=2
[TRAP_1]
ENTRY_OID=100
CODE=1a
TRAP_ID=1
NO_OF_ATTRBS=1
ATTRB_1=0
[MAP_1]
FROM_OID=1
TO_OID=2.1
[MAP_2]
FROM_OID=2.1
TO_OID=3.1
[MAP_3]
FROM_OID=3.1
TO_OID=100
INI
}

base >"$WORK/good.ini"
$TOOL check "$WORK/good.ini" >"$WORK/out" || { cat "$WORK/out"; fail "check of the valid base"; }

# expect_problem NAME 'sed script' 'expected text of the report'
expect_problem() {
    base | sed -e "$2" >"$WORK/$1.ini"
    if $TOOL check "$WORK/$1.ini" >"$WORK/out" 2>&1; then
        fail "$1: check passed"
    elif ! grep -qF -- "$3" "$WORK/out"; then
        cat "$WORK/out"
        fail "$1: no '$3'"
    fi
}

expect_problem capacity 's/^DATA_SRC=demo/DATA_SRC=a_data_source_of_thirty_chars/' \
    "[GLOBALS] DATA_SRC: \"a_data_source_of_thirty_chars\" is longer than 23"
expect_problem count_too_small 's/^NO_OF_TBLS=2/NO_OF_TBLS=1/' "[TBL_2] -: section beyond the count"
expect_problem missing_section '/^\[TBL_2\]/,/^DATA_TYPE=2/d' "[TBL_2] -: section missing"
expect_problem trap_index 's/^ATTRB_1=0/ATTRB_1=4/' "[TRAP_1] ATTRB_1: \"4\" names no TRAPATTRB"
expect_problem attribute_numbers 's/^OID=2$/OID=3/' "[GRP_1_ATTRB_2] OID: attribute numbers are not consecutive"
expect_problem walk_skips '0,/^TO_OID=2.1/s//TO_OID=3.1/' "[TBL_1] ENTRY_OID: never reached by the walk order"
expect_problem walk_back 's/=3\.1$/=1.5/' "walks from 2.1.1 back to 1.5.1"
expect_problem empty_group '0,/^NO_OF_ATTRBS=2/s//NO_OF_ATTRBS=0/' "[GRP_1] NO_OF_ATTRBS: no attributes"
expect_problem too_many_keys 's/^NO_OF_KEYS=1$/NO_OF_KEYS=4/' "[TBL_1] NO_OF_KEYS: 4 is more than 3"
expect_problem trap_code 's/^CODE=1a/CODE=001A/' "[TRAP_1] CODE: \"001A\" matches no event"
expect_problem missing_key '/^TRAP_ID=1/d' "[TRAP_1] TRAP_ID: missing"
expect_problem two_keys '0,/^NO_OF_KEYS=1$/s//NO_OF_KEYS=2/' "[TBL_1] NO_OF_KEYS: a row is addressed by one index"
expect_problem long_class 's/^CLASS_NAME=Disk$/CLASS_NAME=AVeryLongStorageClassName/' \
    "[TBL_1] CLASS_NAME: \"AVeryLongStorageClassName\" is longer than 23"
expect_problem data_type 's/^DATA_TYPE=1$/DATA_TYPE=3/' "[GRP_1_ATTRB_1] DATA_TYPE: \"3\" is neither"

# The last walk-order target that names a real table leaves it unreachable.
base | sed -e 's/^NO_OF_MAPs=3/NO_OF_MAPs=2/' >"$WORK/last.ini"
$TOOL check "$WORK/last.ini" >"$WORK/out" && fail "last target: check passed"
grep -qF "[MAP_2] TO_OID: the last walk-order entry ends the walk, so TBL_2" "$WORK/out" ||
    fail "last target not reported"

# Prefixes whose text order differs from their numeric order.
base | sed -e 's/7310\.9$/7310.10/; s/7310\.9\.1$/7310.10.1/' >"$WORK/ten.ini"
$TOOL check "$WORK/good.ini" "$WORK/ten.ini" >"$WORK/out" && fail "prefix order: check passed"
grep -qF "sort differently as text and as numbers" "$WORK/out" || fail "prefix order not reported"

# A persisted file that ends early or carries garbage.
$TOOL build "$WORK/good.ini" "$WORK/good.dat" || fail "build good"
head -c 300 "$WORK/good.dat" >"$WORK/short.dat"
$TOOL check "$WORK/short.dat" >"$WORK/out" && fail "short file: check passed"
grep -qF "ends before its counts" "$WORK/out" || fail "short file not reported"
$TOOL dump "$WORK/short.dat" >/dev/null 2>&1 && fail "short file dumped"
head -c 5000 /dev/urandom >"$WORK/garbage.dat"
$TOOL check "$WORK/garbage.dat" >/dev/null 2>&1
[ $? -eq 1 ] || fail "garbage: exit status"

# ---- Many problems in one section ----------------------------------------------
# A count far beyond the capacity: check stops the section's messages after a
# bounded number and says how many more there were; build refuses it.
base | sed -e 's/^NO_OF_ATTRBS=2/NO_OF_ATTRBS=99999999/' >"$WORK/huge.ini"
$TOOL check "$WORK/huge.ini" >"$WORK/out" 2>&1 && fail "huge count: check passed"
[ "$(wc -l <"$WORK/out")" -le 30 ] || fail "huge count: $(wc -l <"$WORK/out") lines of messages"
grep -qF "[GRP_1] NO_OF_ATTRBS: 99999999 is more than 999" "$WORK/out" || fail "huge count not reported"
grep -qE '^.*huge.ini: \[GRP_1\] [0-9]+ more problem\(s\) of this section' "$WORK/out" ||
    { cat "$WORK/out"; fail "no final line for the messages left out"; }
rm -f "$WORK/huge.dat"
if $TOOL build "$WORK/huge.ini" "$WORK/huge.dat" 2>"$WORK/err"; then
    fail "huge count: build wrote $(stat -c %s "$WORK/huge.dat") bytes"
fi
grep -qF "[GRP_1] NO_OF_ATTRBS: 99999999 is more than 999" "$WORK/err" || fail "build: no reason: $(cat "$WORK/err")"
grep -qF "refused" "$WORK/err" || fail "build: no refusal: $(cat "$WORK/err")"
[ ! -e "$WORK/huge.dat" ] || fail "build refused but wrote a file"
# A text cut to its field is a capacity problem too; other problems are not.
base | sed -e 's/^DATA_SRC=demo/DATA_SRC=a_data_source_of_thirty_chars/' >"$WORK/cut.ini"
$TOOL build "$WORK/cut.ini" "$WORK/cut.dat" 2>"$WORK/err" && fail "a cut DATA_SRC was built"
grep -qF "[GLOBALS] DATA_SRC:" "$WORK/err" || fail "build: no reason for the cut text: $(cat "$WORK/err")"
base | sed -e '/^\[TBL_2\]/,/^DATA_TYPE=2/d' >"$WORK/missing.ini"
$TOOL build "$WORK/missing.ini" "$WORK/missing.dat" 2>"$WORK/err" ||
    fail "build refused a definition without capacity problems: $(cat "$WORK/err")"

# ---- Names the agent or a MIB module cannot take ------------------------------
expect_problem path_source 's#^DATA_SRC=demo#DATA_SRC=/../tmp/x#' \
    '[GLOBALS] DATA_SRC: "/../tmp/x" is no plain file name part'
expect_problem backslash_source 's#^DATA_SRC=demo#DATA_SRC=..\\x#' 'is no plain file name part'
expect_problem utf8_name 's/^NAME=Version$/NAME=Versión/' \
    '[GRP_1_ATTRB_1] NAME: "Versión" holds characters other than printable ASCII'
expect_problem utf8_class 's/^CLASS_NAME=Fan$/CLASS_NAME=Lüfter/' '[TBL_2] CLASS_NAME: "Lüfter" holds'
base | sed -e 's/^NAME=Version$/NAME=Versión/' >"$WORK/utf8.ini"
$TOOL mib "$WORK/utf8.ini" >"$WORK/out" 2>"$WORK/err" && fail "mib wrote a module for a UTF-8 name"
grep -qF "[GRP_1_ATTRB_1] NAME" "$WORK/err" || fail "mib: no reason for the UTF-8 name"

# ---- The keys only the tool reads ----------------------------------------------
# The base definition with every optional key.
noted() {
    base | sed -e '/^MIB_VERSION=1.0$/a MODULE_NAME=DEMO-STORE-MIB\nORGANIZATION=Demo storage\nCONTACT_INFO=The storage team, storage@example.com\nDESCRIPTION=The demo store.' \
        -e '/^NAME=Count$/a DESCRIPTION=How many disks there are.\nENUM=none(0),one(1),many(2)\nUNITS=disks' \
        -e '/^NAME=FanId$/a DESCRIPTION=Number of the fan.\nUNITS=fans' \
        -e '/^CODE=1a$/a NAME=diskChanged\nDESCRIPTION=A disk changed.'
}
noted >"$WORK/noted.ini"
$TOOL check "$WORK/noted.ini" >"$WORK/out" || { cat "$WORK/out"; fail "check of the keys"; }
$TOOL mib --updated 202601010000Z "$WORK/noted.ini" >"$WORK/DEMO-STORE-MIB.txt" 2>"$WORK/err" ||
    fail "mib with the keys: $(cat "$WORK/err")"
report=$(SMIPATH=$BUILD_DIR/mibs smilint -s -l 3 "$WORK/DEMO-STORE-MIB.txt" 2>&1)
[ -z "$report" ] || fail "smilint on the module with the keys: $report"
for text in 'DEMO-STORE-MIB DEFINITIONS ::= BEGIN' 'ORGANIZATION' '"Demo storage"' \
    '"The storage team, storage@example.com"' '"The demo store."' \
    'SYNTAX      INTEGER {' '                    many(2)' 'UNITS       "disks"' \
    '"How many disks there are."' 'diskChanged NOTIFICATION-TYPE' 'A disk changed. Event code 0x1a'; do
    grep -qF -- "$text" "$WORK/DEMO-STORE-MIB.txt" || fail "the module lacks [$text]"
done
name=$(snmptranslate -m DEMO-STORE-MIB -M "+$WORK:$BUILD_DIR/mibs" .1.3.6.1.4.1.7310.9.100.0.1 \
    2>"$WORK/err")
[ "$name" == "DEMO-STORE-MIB::diskChanged" ] || fail "snmptranslate: [$name] $(cat "$WORK/err")"
# build and the persisted file ignore the keys; dump says so.
$TOOL build "$WORK/noted.ini" "$WORK/noted.dat" || fail "build with the keys"
$TOOL build "$WORK/good.ini" "$WORK/good.dat" || fail "build good"
cmp -s "$WORK/noted.dat" "$WORK/good.dat" || fail "the keys changed the persisted file"
$TOOL dump "$WORK/noted.dat" >"$WORK/out" || fail "dump"
grep -q '^; .*never holds the keys' "$WORK/out" || fail "dump does not say that the keys are not kept"
grep -qE '^(ENUM|UNITS|DESCRIPTION)=' "$WORK/out" && fail "dump printed a key the file cannot hold"

# Without the keys, the sample's module is the one written before they existed.
mkdir -p "$WORK/plain"
awk '/^\[/ { trap = ($0 ~ /^\[TRAP_[0-9]+\]$/) }
     /^(DESCRIPTION|ENUM|UNITS|MODULE_NAME|ORGANIZATION|CONTACT_INFO)=/ { next }
     trap && /^NAME=/ { next }
     { print }' "$SOURCE_DIR/examples/korvosim-raid.ini" >"$WORK/plain/korvosim-raid.ini"
$TOOL mib --module KORVOSIM-RAID-MIB --updated 202601010000Z "$WORK/plain/korvosim-raid.ini" |
    cmp -s - "$SOURCE_DIR/tests/system/data/KORVOSIM-RAID-MIB.without-notes.txt" ||
    fail "a definition without the keys gives another module than before"

# expect_note NAME 'sed script on the noted definition' 'expected text of the report'
expect_note() {
    noted | sed -e "$2" >"$WORK/$1.ini"
    if $TOOL check "$WORK/$1.ini" >"$WORK/out" 2>&1; then
        fail "$1: check passed"
    elif ! grep -qF -- "$3" "$WORK/out"; then
        cat "$WORK/out"
        fail "$1: no '$3'"
    fi
    $TOOL mib "$WORK/$1.ini" >/dev/null 2>&1 && fail "$1: mib wrote a module"
}
LONG=$(printf 'x%.0s' $(seq 1001))
expect_note enum_syntax 's/^ENUM=.*/ENUM=none(0),one/' '[GRP_1_ATTRB_2] ENUM: "one" is no label(value)'
expect_note enum_label 's/^ENUM=.*/ENUM=None(0)/' 'ENUM: label "None" is no SMI identifier'
expect_note enum_hyphen 's/^ENUM=.*/ENUM=no-disk(0)/' 'label "no-disk" is no SMI identifier'
expect_note enum_twice 's/^ENUM=.*/ENUM=a(0),a(1)/' 'ENUM: label a is given twice'
expect_note enum_value_twice 's/^ENUM=.*/ENUM=a(0),b(0)/' 'ENUM: value 0 is given twice'
expect_note enum_range 's/^ENUM=.*/ENUM=a(2147483648)/' 'value "2147483648" of a is no integer'
expect_note enum_empty 's/^ENUM=.*/ENUM=/' '[GRP_1_ATTRB_2] ENUM: "" is no label(value)'
expect_note enum_text '/^NAME=Version$/a ENUM=a(1)' '[GRP_1_ATTRB_1] ENUM: the attribute is no integer'
expect_note enum_key '/^NAME=DiskId$/a ENUM=a(1)' "[TBL_1_ATTRB_1] ENUM: the attribute is the table's key"
expect_note units_long 's/^UNITS=disks/UNITS=disks of the kind that spin and hum/' \
    '[GRP_1_ATTRB_2] UNITS: longer than 32 characters'
expect_note description_long "s/^DESCRIPTION=How many.*/DESCRIPTION=$LONG/" \
    '[GRP_1_ATTRB_2] DESCRIPTION: longer than 1000 characters'
expect_note description_utf8 's/^DESCRIPTION=How many.*/DESCRIPTION=Wie viele Platten es gibt, grün./' \
    'DESCRIPTION: holds a double quote or characters other than printable ASCII'
expect_note description_quote 's/^DESCRIPTION=How many.*/DESCRIPTION=The "count"/' \
    '[GRP_1_ATTRB_2] DESCRIPTION: holds a double quote'
expect_note description_empty 's/^DESCRIPTION=How many.*/DESCRIPTION=/' '[GRP_1_ATTRB_2] DESCRIPTION: empty'
expect_note trap_name 's/^NAME=diskChanged/NAME=Disk-Changed/' '[TRAP_1] NAME: "Disk-Changed" is no SMI identifier'
expect_note trap_name_taken 's/^NAME=diskChanged/NAME=sysCount/' \
    '[TRAP_1] NAME: sysCount is already the name of another object of the module'
expect_note trap_name_identity 's/^NAME=diskChanged/NAME=demoStoreMIB/' '[TRAP_1] NAME: demoStoreMIB is already'
expect_note trap_description 's/^DESCRIPTION=A disk changed./DESCRIPTION=A disk changed\tstate./' \
    '[TRAP_1] DESCRIPTION: holds a double quote or characters other than printable ASCII'
expect_note module_keyword 's/^MODULE_NAME=.*/MODULE_NAME=OBJECT-TYPE/' '[GLOBALS] MODULE_NAME: "OBJECT-TYPE" is no SMI module name'
expect_note module_base 's/^MODULE_NAME=.*/MODULE_NAME=SNMPv2-SMI/' '"SNMPv2-SMI" is no SMI module name'
expect_note module_lower 's/^MODULE_NAME=.*/MODULE_NAME=demo-mib/' '"demo-mib" is no SMI module name'
expect_note module_hyphens 's/^MODULE_NAME=.*/MODULE_NAME=DEMO--MIB/' '"DEMO--MIB" is no SMI module name'
expect_note organization_long "s/^ORGANIZATION=.*/ORGANIZATION=$LONG/" '[GLOBALS] ORGANIZATION: longer than 200'
expect_note contact_long "s/^CONTACT_INFO=.*/CONTACT_INFO=$LONG$LONG/" '[GLOBALS] CONTACT_INFO: longer than 1000'
expect_note module_description_utf8 's/^DESCRIPTION=The demo store./DESCRIPTION=Le dépôt./' \
    '[GLOBALS] DESCRIPTION: holds'
# A trap variable at an attribute's OID is that attribute's object.
expect_note variable_description '/^\[TRAPATTRB_0\]/,/^DATA_TYPE/s/^NAME=DiskId$/NAME=DiskId\nDESCRIPTION=The disk./' \
    '[TRAPATTRB_0] DESCRIPTION: the variable is the attribute of TBL_1_ATTRB_1: describe it there'
expect_note variable_units '/^\[TRAPATTRB_0\]/,/^DATA_TYPE/s/^NAME=DiskId$/NAME=DiskId\nUNITS=disks/' \
    '[TRAPATTRB_0] UNITS: differs from the UNITS of TBL_1_ATTRB_1 ("")'
expect_note variable_enum_text '/^\[TRAPATTRB_0\]/,/^DATA_TYPE/s/^DATA_TYPE=2$/DATA_TYPE=1\nENUM=a(1)/' \
    '[TRAPATTRB_0] ENUM: the variable is no integer'

# ---- The exporter module --------------------------------------------------------
$TOOL exporter "$WORK/noted.ini" >"$WORK/snmp.yml" 2>"$WORK/err" || fail "exporter: $(cat "$WORK/err")"
for text in 'demo_store:' '  - 1.3.6.1.4.1.7310.9.1' '  - 1.3.6.1.4.1.7310.9.2' '  - name: sysCount' \
    '    oid: 1.3.6.1.4.1.7310.9.1.2' '    type: EnumAsStateSet' '      2: many' \
    "    help: 'How many disks there are. Units: disks. - 1.3.6.1.4.1.7310.9.1.2'" \
    '    - labelname: fanId' '    type: DisplayString' '    community: public'; do
    grep -qxF -- "$text" "$WORK/snmp.yml" || fail "the exporter module lacks [$text]: $(cat "$WORK/snmp.yml")"
done
/usr/bin/prometheus-snmp-exporter --config.file="$WORK/snmp.yml" --dry-run >"$WORK/out" 2>&1 ||
    fail "the exporter refuses the module: $(cat "$WORK/out")"
$TOOL exporter "$WORK/noted.ini" "$WORK/noted.ini" >/dev/null 2>"$WORK/err" &&
    fail "two exporter modules of one name"
grep -qF "a second module demo_store" "$WORK/err" || fail "no reason for the second module: $(cat "$WORK/err")"
$TOOL exporter >/dev/null 2>&1
[ $? -eq 2 ] || fail "exporter without definitions: exit status"

# The controller list at its fixed place, with a private folder over it.
mkdir -p /etc/qbz_korvodsnmp
mount --bind "$WORK" /etc/qbz_korvodsnmp || fail "bind mount"
cp "$BUILD_DIR"/examples/*.dat "$SOURCE_DIR"/examples/*.traps "$SOURCE_DIR"/examples/QBZ_KorvoSNMP.ini \
    /etc/qbz_korvodsnmp/
(cd "$WORK" && KORVO_FIXED_CONTROLLER_LIST=1 "$BUILD_DIR/tests/parseinifile_test" \
    --gtest_filter='*FixedPlace*' >"$WORK/out" 2>&1) || { cat "$WORK/out"; fail "fixed place"; }
grep -q "1 test.*PASSED\|PASSED.*1 test" "$WORK/out" || { cat "$WORK/out"; fail "fixed place not run"; }
umount /etc/qbz_korvodsnmp

if [ "$FAILURES" -ne 0 ]; then
    echo "$FAILURES failure(s)"
    exit 1
fi
echo "all passed"
