# Shared helpers of the system tests. Each test runs as PID 1 of private
# mount, IPC, PID and network namespaces (see tests/CMakeLists.txt): whatever
# it mounts or creates in shared memory disappears with it, every process it
# starts ends when it ends, and its ports on 127.0.0.1 are its own, so tests
# can run side by side.
set -euo pipefail

# The private network namespace starts with its loopback interface down.
ip link set lo up || { echo "FAIL: cannot bring up the private loopback interface" >&2; exit 1; }

BUILD_DIR=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
WORK=$(mktemp -d /tmp/korvo-test.XXXXXX)
AGENT_KEY=0x000884ba
# Every net-snmp program of a test (the managers, snmpd, snmptrapd, the
# daemon's trap sender) keeps to folders of the test, never the machine's
# /var/lib/snmp, /etc/snmp or ~/.snmp. The persistent folder starts empty, as
# on a machine where no net-snmp program has run yet: the first program run
# there says "Created directory: .../cert_indexes" on standard error, so tests
# compare what a program prints on standard output. The configuration folder
# loads no MIB module unless -m names it (what Debian's /etc/snmp/snmp.conf
# says too, but another machine's may not).
export SNMP_PERSISTENT_DIR=$WORK/snmp-persist
export SNMPCONFPATH=$WORK/snmp-conf
# The daemon's persistent folder, apart from the managers' one above: its trap
# sender (the real snmptrap) saves its state there after every run, first
# renaming the file to a backup, and a manager that starts in that moment
# reads both, the engine ID twice, and prints "buffer too small to read octet
# string (17 < 17)" among its answers.
AGENT_PERSISTENT_DIR=$WORK/agent-persist
# (cert_indexes made here, so that the sender does not announce it.)
mkdir -p "$SNMP_PERSISTENT_DIR" "$AGENT_PERSISTENT_DIR" "$SNMPCONFPATH"
mkdir -m 700 "$AGENT_PERSISTENT_DIR/cert_indexes"
echo "mibs :" >"$SNMPCONFPATH/snmp.conf"
# The controller list of the examples names the md library: a daemon of a
# test reads the test's own md tree (empty unless the test builds one),
# never the machine's arrays.
export KORVOMD_ROOT=$WORK/md-root

# Deletes a work folder that mktemp made for a test ("/tmp/korvo-NAME.XXXXXX")
# and everything in it, refusing any other path (an empty one included) and
# never descending into another file system mounted inside it.
remove_work_folder() {
    local folder=${1:-}
    if [[ ! $folder =~ ^/tmp/korvo-[a-z]+\.[A-Za-z0-9]{6}$ ]]; then
        echo "not removing [$folder]: not a work folder made by mktemp" >&2
        return 1
    fi
    [ -d "$folder" ] && [ ! -L "$folder" ] || return 0
    find "$folder" -xdev -delete
}

# Deletes what is inside a folder, the folder itself stays.
empty_folder() {
    local folder=${1:-}
    [ -n "$folder" ] && [ -d "$folder" ] || { echo "not emptying [$folder]" >&2; return 1; }
    find "$folder" -xdev -mindepth 1 -delete
}

# Takes the stand-ins and private folders of the test off the machine's paths,
# in the test's own mount namespace only (the test is its PID 1): a stand-in
# mounted over another makes the lower one's file a busy mount point, which
# the work folder's removal could not delete.
unmount_stand_ins() {
    [ $$ -eq 1 ] || return 0
    local target i
    for target in /usr/bin/snmptrap /etc/qbz_korvodsnmp /var/lib/qbz_korvodsnmp; do
        for ((i = 0; i < 5; i++)); do
            umount "$target" 2>/dev/null || break
        done
    done
}

cleanup() {
    local status=$?
    pkill -TERM -x qbz_korvodsnmpa 2>/dev/null || true
    jobs -p | xargs -r kill 2>/dev/null || true
    wait 2>/dev/null || true
    sleep 0.2
    unmount_stand_ins
    remove_work_folder "$WORK" || true
    exit $status
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

pass() {
    echo "ok: $*"
}

expect_eq() { # expected actual what
    [ "$1" == "$2" ] || fail "$3: expected [$1], got [$2]"
}

expect_contains() { # haystack needle what
    [[ "$1" == *"$2"* ]] || fail "$3: [$2] not in [$1]"
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 20))
    while ! "$@"; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return 1
        sleep 0.05
    done
}

segment_exists() {
    ipcs -m | awk '{print $1}' | grep -qx "$AGENT_KEY"
}

segment_gone() {
    ! segment_exists
}

# True while the process runs (a zombie counts as ended).
process_alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

process_ended() {
    ! process_alive "$1"
}

# True while no daemon runs.
no_agent_runs() {
    ! pgrep -x qbz_korvodsnmpa >/dev/null
}

# Replaces /dev by a private one with the usual devices (made afresh, never
# bound from the machine's /dev) and a system log socket served by
# korvo_logsink, which appends every message to $WORK/syslog.
private_syslog() {
    mount -t tmpfs -o mode=755 tmpfs /dev
    local device
    while read -r device major minor; do
        mknod -m 666 "/dev/$device" c "$major" "$minor"
    done <<DEVICES
null 1 3
zero 1 5
full 1 7
random 1 8
urandom 1 9
tty 5 0
DEVICES
    ln -s /proc/self/fd /dev/fd
    ln -s /proc/self/fd/0 /dev/stdin
    ln -s /proc/self/fd/1 /dev/stdout
    ln -s /proc/self/fd/2 /dev/stderr
    : >"$WORK/syslog"
    "$BUILD_DIR/tests/korvo_logsink" /dev/log "$WORK/syslog" &
    wait_for 5 test -S /dev/log || fail "log socket did not appear"
}

# Puts a recording stand-in over /usr/bin/snmptrap. It prints a version
# unless $WORK/snmptrap.mode says "nodigit" (or "hang": its version query
# never returns), and appends its arguments to $WORK/snmptrap.calls.
fake_trap_sender() {
    cat >"$WORK/snmptrap" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$WORK/snmptrap.calls"
if [ "\$(cat "$WORK/snmptrap.mode" 2>/dev/null)" = hang ] && [ "\$1" = -V ]; then
    exec sleep 600
fi
if [ "\$(cat "$WORK/snmptrap.mode" 2>/dev/null)" = nodigit ]; then
    echo "NET-SNMP version: unknown" >&2
else
    echo "NET-SNMP version: 5.9.3" >&2
fi
SCRIPT
    chmod +x "$WORK/snmptrap"
    mount --bind "$WORK/snmptrap" /usr/bin/snmptrap
}

# Mounts a private folder of the test ($WORK/state) over the daemon's state
# folder, where it keeps the snmp.conf files of trapsess secrets.
private_state_folder() {
    mkdir -p /var/lib/qbz_korvodsnmp "$WORK/state"
    mount --bind "$WORK/state" /var/lib/qbz_korvodsnmp
}

# Puts a stand-in over /usr/bin/snmptrap that prints a version for -V and
# appends one line per other run to $WORK/sender.runs: "ARGS", then each
# argument in brackets; and, when the
# run's SNMPCONFPATH is not the test's own (the daemon pointed the run at a
# folder of its own), a line "CONF PATH FOLDER-MODE FILE-MODE CONTENTS" for
# the last folder of the path (contents with '|' for line ends).
exact_trap_sender() {
    cat >"$WORK/snmptrap-exact" <<SCRIPT
#!/bin/bash
if [ "\$*" = -V ]; then
    echo "NET-SNMP version: 5.9.3" >&2
    exit 0
fi
{
    printf ARGS
    for argument in "\$@"; do printf ' [%s]' "\$argument"; done
    echo
    if [ "\${SNMPCONFPATH:-}" != "$SNMPCONFPATH" ]; then
        folder=\${SNMPCONFPATH##*:}
        echo "CONF \$SNMPCONFPATH \$(stat -c %a "\$folder") \$(stat -c %a "\$folder/snmp.conf")" \
            "\$(tr '\n' '|' <"\$folder/snmp.conf")"
    fi
} >>"$WORK/sender.runs"
SCRIPT
    chmod +x "$WORK/snmptrap-exact"
    mount --bind "$WORK/snmptrap-exact" /usr/bin/snmptrap
}

# Mounts a private folder of the test over the controller list's folder.
private_controller_folder() {
    mkdir -p /etc/qbz_korvodsnmp "$WORK/etc-korvo"
    mount --bind "$WORK/etc-korvo" /etc/qbz_korvodsnmp
}

# Writes $WORK/snmpd/snmpd.conf for snmpd on 127.0.0.1:$1 with the relay for
# the agent's subtree ($2: pass_persist or pass); further lines from $3.
write_snmpd_conf() {
    local port=$1 mode=$2 extra=${3:-}
    mkdir -p "$WORK/snmpd"
    cat >"$WORK/snmpd/snmpd.conf" <<CONF
agentAddress udp:127.0.0.1:$port
rwcommunity  private 127.0.0.1
rocommunity  public  127.0.0.1
$mode .1.3.6.1.4.1.7310 $BUILD_DIR/qbz_korvosnmprelay
[snmp] persistentDir $WORK/snmpd
$extra
CONF
}

# Starts the real snmpd on 127.0.0.1:$1 with the relay for the agent's subtree
# ($2: pass_persist or pass), and waits until it answers.
start_snmpd() {
    local port=$1 mode=$2
    [ -f "$WORK/snmpd/snmpd.conf" ] || write_snmpd_conf "$port" "$mode"
    /usr/sbin/snmpd -f -Lf "$WORK/snmpd/snmpd.log" -I -smux -C -c "$WORK/snmpd/snmpd.conf" \
        -m '' -p "$WORK/snmpd/snmpd.pid" &
    SNMPD_PID=$!
    wait_for 10 snmpget -v2c -c public -t 0.2 -r 0 -m '' "127.0.0.1:$port" .1.3.6.1.2.1.1.5.0 \
        >/dev/null 2>&1 || fail "snmpd did not start: $(cat "$WORK/snmpd/snmpd.log")"
}

stop_snmpd() {
    kill "$SNMPD_PID" 2>/dev/null || true
    wait "$SNMPD_PID" 2>/dev/null || true
    rm -f "$WORK/snmpd/snmpd.conf"
}

# Installs the sample definitions, their trap destination files and the
# controller list in the private controller folder. An inventory for the
# simulated library may follow on standard input when $1 is "inventory".
install_sample_definitions() {
    [ -d "$WORK/etc-korvo" ] || private_controller_folder
    cp "$BUILD_DIR"/examples/*.dat "$SOURCE_DIR"/examples/*.traps /etc/qbz_korvodsnmp/
    cp "$SOURCE_DIR/examples/QBZ_KorvoSNMP.ini" /etc/qbz_korvodsnmp/
    if [ "${1:-}" == inventory ]; then
        cat >/etc/qbz_korvodsnmp/korvosim.inventory
    fi
}

# Starts the real daemon on the simulated library (found through
# LD_LIBRARY_PATH), with the simulator's event FIFO at $WORK/events, and sets
# AGENT_PID once the shared-memory block exists.
start_agent() {
    [ -f "$WORK/snmpd/snmpd.conf" ] || fail "write snmpd.conf before the agent starts"
    export KORVOSIM_EVENTS=$WORK/events
    SNMP_PERSISTENT_DIR=$AGENT_PERSISTENT_DIR LD_LIBRARY_PATH=$BUILD_DIR \
        "$BUILD_DIR/qbz_korvodsnmpagent" -c "$WORK/snmpd/snmpd.conf" \
        >/dev/null 2>>"$WORK/agent.err" || fail "the agent did not start"
    wait_for 10 segment_exists || fail "the agent did not serve: $(cat "$WORK/agent.err")"
    AGENT_PID=$(pgrep -x qbz_korvodsnmpa | head -1)
}

stop_agent() {
    kill -TERM "$AGENT_PID"
    wait_for 10 process_ended "$AGENT_PID" || fail "the agent did not stop"
}

# Starts a real snmptrapd on udp:127.0.0.1:$1 that accepts the communities
# public and second (and whatever lines $2 adds to its configuration) and
# logs every trap as one tab-separated line starting with TRAP to
# $WORK/snmptrapd.log (strings in hexadecimal, so no value can break the
# line).
TRAPLOG=$WORK/snmptrapd.log
start_snmptrapd() {
    local port=$1 extra=${2:-}
    cat >"$WORK/snmptrapd.conf" <<CONF
authCommunity log public
authCommunity log second
$extra
[snmp] persistentDir $SNMP_PERSISTENT_DIR
CONF
    /usr/sbin/snmptrapd -f -C -c "$WORK/snmptrapd.conf" -X -n -Onx -m '' -A -Lf "$TRAPLOG" \
        -p "$WORK/snmptrapd.pid" \
        -F 'TRAP\t%t\t%b\t%a\t%u\t%N\t%w\t%q\t%T\t%V\t%v\n' "udp:127.0.0.1:$port" &
    wait_for 10 grep -qs "NET-SNMP version" "$TRAPLOG" || fail "snmptrapd did not start"
}

# True once snmptrapd has logged at least $1 traps.
trap_count() {
    [ "$(grep -c '^TRAP' "$TRAPLOG")" -ge "$1" ]
}

# The bytes of a text as snmptrapd prints a Hex-STRING.
hex() {
    printf %s "$1" | od -An -tx1 -v | tr a-f A-F | xargs
}
