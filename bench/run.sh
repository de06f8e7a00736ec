#!/usr/bin/env bash
# Builds the benchmarks (optimised, in build-bench/), runs every one of them
# in one run and writes bench/REPORT.md. Needs root: the channel and the
# end-to-end benchmarks run in private IPC (and mount, PID and network)
# namespaces with the real daemon, snmpd and snmptrapd on 127.0.0.1.
#   bench/run.sh            # 5 runs of everything
#   KORVO_BENCH_REPS=3 bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

REPS=${KORVO_BENCH_REPS:-5}
BUILD=build-bench
OUT=$BUILD/results

scripts/install-deps.sh
# RelWithDebInfo: optimised like Release (-O2, NDEBUG) and with symbols for
# perf and callgrind.
cmake -S . -B $BUILD -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVO_BUILD_BENCH=ON \
    -DKORVO_BUILD_TESTS=OFF >/dev/null
cmake --build $BUILD -j2
# The results of an earlier run: the files this script writes (e2e.sh
# appends to its own).
for RESULT in dispatch channel; do
    rm -f "$OUT/$RESULT.json" "$OUT/$RESULT.txt" "$OUT/$RESULT.log"
done
rm -f "$OUT/e2e.tsv" "$OUT/e2e.log"
mkdir -p $OUT

GBENCH=(--benchmark_repetitions="$REPS" --benchmark_out_format=json
        --benchmark_report_aggregates_only=false)
echo "== dispatch in process"
$BUILD/bench_dispatch "${GBENCH[@]}" --benchmark_min_time=0.2 \
    --benchmark_out=$OUT/dispatch.json >$OUT/dispatch.txt 2>$OUT/dispatch.log
echo "== channel round trip"
unshare --ipc $BUILD/bench_channel "${GBENCH[@]}" --benchmark_out=$OUT/channel.json \
    >$OUT/channel.txt 2>$OUT/channel.log
echo "== end to end, footprint, traps"
unshare --mount --ipc --pid --net --fork --mount-proc \
    bash bench/e2e.sh $BUILD . "$PWD/$OUT/e2e.tsv" "$REPS" >$OUT/e2e.log 2>&1 ||
    { tail -20 $OUT/e2e.log; exit 1; }
python3 bench/report.py $OUT "$REPS" >bench/REPORT.md
echo "wrote bench/REPORT.md"
