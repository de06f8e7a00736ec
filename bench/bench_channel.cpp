// The request channel alone: one get round trip relay -> daemon -> relay,
// with the wake-up on both sides, as both sides polled before it, and each
// new side against an old peer; and the daemon's CPU while nobody asks.
// Runs in a private IPC namespace (bench/run.sh starts it with unshare).
#include "CLatencyLog.h"
#include "benchpeers.h"
#include "relaychannel.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <unistd.h>

namespace {

enum RelayMode {
    RELAY_WAKES, // the relay's own exchange: lock, attach, wake, sleep on the word
    RELAY_POLLS, // the relay before the wake-up: polls every 50 us
};

RelayRequest AdapterRateGet() {
    RelayRequest stRequest;
    stRequest.nMethod = RELAY_GET;
    ParseNumericOid(".1.3.6.1.4.1.7310.4.1.2.1.7.0", stRequest.vOID);
    return stRequest;
}

void ReportLatencies(benchmark::State& stState, CLatencyLog& stLog) {
    stState.counters["p50_us"] = stLog.PercentileUs(0.50);
    stState.counters["p99_us"] = stLog.PercentileUs(0.99);
    stState.counters["req_per_s"] =
        benchmark::Counter(static_cast<double>(stState.iterations()), benchmark::Counter::kIsRate);
}

void BM_RoundTrip(benchmark::State& stState) {
    RelayMode nRelay = static_cast<RelayMode>(stState.range(0));
    CBenchDaemon stDaemon(static_cast<BenchDaemonMode>(stState.range(1)));
    if (!stDaemon.IsServing()) {
        stState.SkipWithError("the daemon did not start");
        return;
    }
    RelayRequest stRequest = AdapterRateGet();
    CLatencyLog stLog;
    for (auto _ : stState) {
        CLatencyLog::Clock::time_point tStart = CLatencyLog::Clock::now();
        RelayAnswer stAnswer = nRelay == RELAY_WAKES
                                   ? ExchangeWithDaemon(stRequest)
                                   : PollingRelayExchange(stDaemon.Block(), stRequest);
        stLog.Add(tStart, CLatencyLog::Clock::now());
        if (stAnswer.nKind != RelayAnswer::VALUE) {
            stState.SkipWithError("no answer");
            break;
        }
    }
    ReportLatencies(stState, stLog);
}

// Relay, daemon: both wake; both poll (before); new relay with an old daemon;
// old relay with the new daemon.
BENCHMARK(BM_RoundTrip)
    ->ArgNames({"relay_polls", "daemon_polls"})
    ->Args({RELAY_WAKES, BENCH_DAEMON_WAKES})
    ->Args({RELAY_POLLS, BENCH_DAEMON_POLLS})
    ->Args({RELAY_WAKES, BENCH_DAEMON_POLLS})
    ->Args({RELAY_POLLS, BENCH_DAEMON_WAKES})
    ->UseRealTime()
    ->MinTime(0.5);

long long ProcessCpuNs() {
    timespec stNow;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &stNow);
    return static_cast<long long>(stNow.tv_sec) * 1000000000LL + stNow.tv_nsec;
}

// The relay's own exchange as it is tuned: the segment looked up before every
// request (as before) or only after a wait timed out, and a spin of some
// microseconds on the state word before the sleep. CPU per round trip of
// both sides besides the latencies.
void BM_RelayTuning(benchmark::State& stState) {
    RelayTuning stSaved = g_stRelayTuning;
    g_stRelayTuning.bLookUpEveryRequest = stState.range(0) != 0;
    g_stRelayTuning.nSpinUs = static_cast<long>(stState.range(1));
    CBenchDaemon stDaemon(BENCH_DAEMON_WAKES);
    if (!stDaemon.IsServing()) {
        g_stRelayTuning = stSaved;
        stState.SkipWithError("the daemon did not start");
        return;
    }
    RelayRequest stRequest = AdapterRateGet();
    CLatencyLog stLog;
    long long nRelayCpu = ProcessCpuNs();
    long long nDaemonCpu = stDaemon.CpuNanoseconds();
    for (auto _ : stState) {
        CLatencyLog::Clock::time_point tStart = CLatencyLog::Clock::now();
        RelayAnswer stAnswer = ExchangeWithDaemon(stRequest);
        stLog.Add(tStart, CLatencyLog::Clock::now());
        if (stAnswer.nKind != RelayAnswer::VALUE) {
            stState.SkipWithError("no answer");
            break;
        }
    }
    double dRounds = static_cast<double>(stState.iterations());
    stState.counters["relay_cpu_us"] = (ProcessCpuNs() - nRelayCpu) / 1000.0 / dRounds;
    stState.counters["daemon_cpu_us"] = (stDaemon.CpuNanoseconds() - nDaemonCpu) / 1000.0 / dRounds;
    ReportLatencies(stState, stLog);
    g_stRelayTuning = stSaved;
}

BENCHMARK(BM_RelayTuning)
    ->ArgNames({"lookup_every", "spin_us"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({0, 20})
    ->Args({0, 50})
    ->UseRealTime()
    ->MinTime(0.5);

// The daemon's CPU while no request comes, as a percentage of one core.
void BM_IdleDaemonCpu(benchmark::State& stState) {
    CBenchDaemon stDaemon(static_cast<BenchDaemonMode>(stState.range(0)));
    if (!stDaemon.IsServing()) {
        stState.SkipWithError("the daemon did not start");
        return;
    }
    const unsigned IDLE_WINDOW_US = 2000000;
    long long nCpuNs = 0;
    for (auto _ : stState) {
        long long nBefore = stDaemon.CpuNanoseconds();
        usleep(IDLE_WINDOW_US);
        nCpuNs += stDaemon.CpuNanoseconds() - nBefore;
    }
    stState.counters["cpu_percent"] =
        100.0 * static_cast<double>(nCpuNs) /
        (static_cast<double>(stState.iterations()) * IDLE_WINDOW_US * 1000.0);
}

BENCHMARK(BM_IdleDaemonCpu)
    ->ArgName("daemon_polls")
    ->Arg(BENCH_DAEMON_WAKES)
    ->Arg(BENCH_DAEMON_POLLS)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
