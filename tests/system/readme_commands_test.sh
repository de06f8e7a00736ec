# The command examples of README.md: the definition commands are taken from
# README and run against the build (paths of an installation replaced by the
# build's); the figure of systemd-analyze that README quotes is the one the
# unit gets; cmake --install puts everything where README says. The package,
# walk and trap commands are run by package_install_test.
source "$(dirname "$0")/lib.sh"

README=$SOURCE_DIR/README.md
export PATH=$BUILD_DIR:$PATH
cd "$WORK"
ln -s "$SOURCE_DIR/examples" examples

# The definition block: every indented line that starts with one of its commands.
mapfile -t COMMANDS < <(grep -E '^    (qbz_korvomibconv |SMIPATH=|snmptranslate )' "$README" |
    sed -e 's/^    //' -e "s#/usr/share/snmp/mibs#$BUILD_DIR/mibs#g")
[ ${#COMMANDS[@]} -ge 5 ] || fail "README's definition commands were not found"
for command in "${COMMANDS[@]}"; do
    output=$(bash -c "$command" 2>"$WORK/stderr") ||
        fail "README command failed: $command: $(cat "$WORK/stderr")"
    case "$command" in
    "qbz_korvomibconv check"*) expect_contains "$output" "no problems" "$command" ;;
    SMIPATH=*) expect_eq "" "$output$(cat "$WORK/stderr")" "$command" ;;
    snmptranslate*) expect_contains "$output" "KORVOSIM-RAID-MIB::adapterRebuildRate.1" "$command" ;;
    esac
done
cmp -s korvosim-raid.dat "$BUILD_DIR/examples/korvosim-raid.dat" || fail "build wrote other bytes"
pass "README's ${#COMMANDS[@]} definition commands run as README says"

# The systemd-analyze figure that README quotes.
quoted=$(sed -n 's/.*at \*\*\([0-9.]*\) (OK)\*\*.*/\1/p' "$README")
[ -n "$quoted" ] || fail "README quotes no systemd-analyze figure"
grep -q "^    systemd-analyze security --offline=true " "$README" || fail "README lacks the command"
figure=$(systemd-analyze security --offline=true \
    "$BUILD_DIR/packaging/qbz_korvodsnmpagent.service" 2>&1 | sed -n 's/.*exposure level.*: \([0-9.]*\) .*/\1/p')
expect_eq "$quoted" "$figure" "the exposure level of the unit"
pass "systemd-analyze rates the unit $figure, as README says"

# cmake --install, into a staging folder.
DESTDIR=$WORK/dest cmake --install "$BUILD_DIR" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install: $(tail "$WORK/install.log")"
PREFIX=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD_DIR/CMakeCache.txt")
for file in "$PREFIX/sbin/qbz_korvodsnmpagent" "$PREFIX/bin/qbz_korvosnmprelay" \
    "$PREFIX/bin/qbz_korvomibconv" /etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini \
    /etc/qbz_korvodsnmp/korvosim-raid.dat /usr/share/snmp/mibs/KORVOSIM-ENCLOSURE-MIB.txt \
    /etc/snmp/snmpd.conf.d/qbz_korvodsnmp.conf "$PREFIX/lib/systemd/system/qbz_korvodsnmpagent.service" \
    "$PREFIX/share/man/man1/qbz_korvomibconv.1"; do
    [ -e "$WORK/dest$file" ] || fail "cmake --install did not place $file"
done
ls "$WORK"/dest"$PREFIX"/lib*/libkorvosim.so "$WORK"/dest"$PREFIX"/lib*/korvosim.inventory \
    >/dev/null 2>&1 || fail "cmake --install did not place the simulator"
ls "$WORK"/dest"$PREFIX"/lib*/libkorvomd.so "$WORK/dest/etc/qbz_korvodsnmp/korvomd.dat" \
    "$WORK/dest/usr/share/snmp/mibs/KORVOMD-MIB.txt" >/dev/null 2>&1 ||
    fail "cmake --install did not place the md library, its definition and module"
# An existing configuration stays.
echo "# mine" >"$WORK/dest/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini"
DESTDIR=$WORK/dest cmake --install "$BUILD_DIR" >"$WORK/install.log" 2>&1
expect_eq "# mine" "$(cat "$WORK/dest/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini")" "the kept configuration"
pass "cmake --install places every part and keeps an existing configuration"
