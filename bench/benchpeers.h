// The two ends of the request channel as the benchmarks run them: a daemon
// process serving a fixed answer, either with the wake-up or as the polling
// loop did before it, and the polling relay of before.
#ifndef KORVO_BENCHPEERS_H
#define KORVO_BENCHPEERS_H

#include "channel/zundshm.h"
#include "relaycore.h"

#include <sys/types.h>

// How the daemon process waits for requests.
enum BenchDaemonMode {
    BENCH_DAEMON_WAKES, // the daemon's own loop: sleeps on the state word
    BENCH_DAEMON_POLLS, // looks every 1500 us, as before the wake-up
};

// A forked daemon on the block (the caller runs in a private IPC namespace)
// that answers every get with the integer 42 under the requested OID.
class CBenchDaemon {
  public:
    explicit CBenchDaemon(BenchDaemonMode nMode);
    ~CBenchDaemon(); // stops the process; the block goes with it

    CBenchDaemon(const CBenchDaemon&) = delete;
    CBenchDaemon& operator=(const CBenchDaemon&) = delete;

    bool IsServing() const { return m_pBlock != nullptr; }
    pid_t Pid() const { return m_nPid; }

    // Nanoseconds the process has run on a CPU so far.
    long long CpuNanoseconds() const;

    // The block as the relay side attaches it.
    SHARED_DATA* Block() const { return m_pBlock; }

  private:
    pid_t m_nPid = -1;
    SHARED_DATA* m_pBlock = nullptr;
};

// The relay's exchange as it was before the wake-up: posts the request
// without waking anybody and polls every 50 us for the answer (no lock, the
// block attached once by the caller).
RelayAnswer PollingRelayExchange(SHARED_DATA* pBlock, const RelayRequest& stRequest);

#endif // KORVO_BENCHPEERS_H
