#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs one target, or
# all of them one after the other, for the given number of seconds each,
# starting from the committed seed corpus in fuzz/corpus/TARGET. What the
# fuzzer finds besides goes into build-fuzz/corpus/TARGET; a crash, leak or
# undefined behaviour stops the run with its reproducer in build-fuzz/crashes.
#
#   fuzz/run.sh TARGET|all SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=(persist mibdef ctrllist trapdest snmpdconf oidtext request relay getnext agentx mdstat)
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh TARGET|all SECONDS (targets: ${TARGETS[*]})" >&2
    exit 2
fi
if [ "$1" == all ]; then
    selected=("${TARGETS[@]}")
else
    [[ " ${TARGETS[*]} " == *" $1 "* ]] || { echo "unknown target $1" >&2; exit 2; }
    selected=("$1")
fi
seconds=$2
BUILD=$(pwd)/${KORVO_FUZZ_BUILD:-build-fuzz}
SEEDS=$(pwd)/fuzz/corpus

SANITIZERS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVO_BUILD_TESTS=OFF -DKORVO_BUILD_FUZZ=ON \
    -DCMAKE_C_FLAGS="$SANITIZERS -fno-omit-frame-pointer" \
    -DCMAKE_CXX_FLAGS="$SANITIZERS -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
targets=()
for target in "${selected[@]}"; do targets+=(--target "${target}_fuzz"); done
cmake --build "$BUILD" -j2 "${targets[@]}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${selected[@]}"; do
    corpus=$BUILD/corpus/$target
    crashes=$BUILD/crashes/$target
    mkdir -p "$corpus" "$crashes"
    echo "== fuzzing $target for ${seconds}s"
    # -close_fd_mask=1: the readers' trace lines on standard output are noise.
    if "$BUILD/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=4096 -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$crashes/" \
        "$corpus" "$SEEDS/$target" >"$BUILD/$target.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$BUILD/$target.log" || true
    else
        echo "FAIL: $target (see $BUILD/$target.log)"
        tail -n 40 "$BUILD/$target.log"
        status=1
    fi
done
exit $status
