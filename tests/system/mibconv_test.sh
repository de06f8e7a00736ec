#!/bin/bash
# The definition tool on the sample definitions and on broken ones, and the
# controller list read at its fixed place (in a private mount namespace).
set -u
BUILD_DIR=$1
SOURCE_DIR=$2
TOOL=$BUILD_DIR/qbz_korvomibconv
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILURES=0

fail() {
    echo "FAIL: $*"
    FAILURES=$((FAILURES + 1))
}

# build, dump and build again give the same bytes, in both table layouts.
for SAMPLE in korvosim-raid korvosim-enclosure; do
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
