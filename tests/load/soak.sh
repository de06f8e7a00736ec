# Soak: the real daemon on the simulated library, N requests (default
# 1,000,000) sent straight through the block; the daemon's resident memory
# before and after. Run inside private namespaces by scripts/soak.sh.
#   soak.sh BUILD SOURCE [COUNT] [REPORT]
source "$2/tests/system/lib.sh"
COUNT=${3:-1000000}
REPORT=${4:-/dev/stdout}

install_sample_definitions
write_snmpd_conf 11295 pass_persist
start_agent
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$AGENT_PID/status"; }
"$BUILD_DIR/tests/korvo_soak" 10000 >/dev/null || fail "warm-up"
before=$(rss_kib)
result=$("$BUILD_DIR/tests/korvo_soak" "$COUNT") || fail "soak: $result"
after=$(rss_kib)
process_alive "$AGENT_PID" || fail "the daemon ended"
{
    echo "soak: $result"
    echo "soak: daemon RSS before ${before} KiB, after ${after} KiB, growth $((after - before)) KiB"
} | tee -a "$REPORT"
[ $((after - before)) -lt 1024 ] || fail "RSS grew by $((after - before)) KiB"
