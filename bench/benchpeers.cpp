#include "benchpeers.h"

#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "dispatch/genpvkdispatch.h"
#include "platform/AgentSignals.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const useconds_t LEGACY_RELAY_POLL_US = 50;
const int ATTACH_TRIES = 2000;

UINT FixedAnswerDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    if (nAction != SNMP_ACTION_GET) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    pBinding->value.asnType = ASN_INTEGER;
    pBinding->value.asnValue.number = 42;
    return SNMP_STATUS_NOERROR;
}

void RequestStop(int) {
    g_bStopRequested = 1;
}

// The daemon's loop before the wake-up: look, serve, sleep one poll period.
void RunPollingLoop(SHARED_DATA* pBlock, RFC1157VarBind* pBinding) {
    while (!g_bStopRequested) {
        ServeOneRequest(pBlock, pBinding, FixedAnswerDispatch);
        usleep(static_cast<useconds_t>(ZUND_POLL_PERIOD_US));
    }
}

[[noreturn]] void ServeInChild(BenchDaemonMode nMode) {
    // The daemon closes its standard output when it detaches; so does this one.
    freopen("/dev/null", "w", stdout);
    signal(SIGTERM, RequestStop);
    zund_initover = 1;
    SHARED_DATA* pBlock = AttachSharedBlock();
    if (pBlock == nullptr) {
        _exit(1);
    }
    RFC1157VarBind* pBinding = AllocateRequestBinding();
    if (nMode == BENCH_DAEMON_WAKES) {
        RunChannelLoop(pBlock, pBinding, FixedAnswerDispatch);
    } else {
        RunPollingLoop(pBlock, pBinding);
    }
    ReleaseSharedBlock();
    _exit(0);
}

SHARED_DATA* AttachWhenCreated() {
    for (int i = 0; i < ATTACH_TRIES; ++i) {
        int iID = shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, 0);
        if (iID >= 0) {
            void* pAttached = shmat(iID, nullptr, 0);
            return pAttached == reinterpret_cast<void*>(-1) ? nullptr
                                                            : static_cast<SHARED_DATA*>(pAttached);
        }
        usleep(1000);
    }
    return nullptr;
}

} // namespace

CBenchDaemon::CBenchDaemon(BenchDaemonMode nMode) {
    fflush(nullptr);
    m_nPid = fork();
    if (m_nPid == 0) {
        ServeInChild(nMode);
    }
    if (m_nPid > 0) {
        m_pBlock = AttachWhenCreated();
    }
}

CBenchDaemon::~CBenchDaemon() {
    if (m_pBlock != nullptr) {
        shmdt(m_pBlock);
    }
    if (m_nPid > 0) {
        kill(m_nPid, SIGTERM);
        int nStatus = 0;
        waitpid(m_nPid, &nStatus, 0);
    }
}

long long CBenchDaemon::CpuNanoseconds() const {
    std::ifstream stStat("/proc/" + std::to_string(m_nPid) + "/schedstat");
    long long nRunNs = -1;
    stStat >> nRunNs;
    return nRunNs;
}

RelayAnswer PollingRelayExchange(SHARED_DATA* pBlock, const RelayRequest& stRequest) {
    RelayAnswer stNoAnswer;
    while (LoadBlockState(pBlock) == ZUND_STATE_TAKEN) {
        usleep(LEGACY_RELAY_POLL_US);
    }
    if (!BuildRequestWords(stRequest, pBlock->buffer, ZUND_TEXT_AREA_SIZE)) {
        return stNoAnswer;
    }
    pBlock->numItems = 0;
    StoreBlockState(pBlock, ZUND_STATE_REQUEST);
    while (LoadBlockState(pBlock) != ZUND_STATE_ANSWER) {
        usleep(LEGACY_RELAY_POLL_US);
    }
    RelayAnswer stAnswer =
        ReadAnswer(stRequest, pBlock->numItems, pBlock->buffer, ZUND_TEXT_AREA_SIZE);
    StoreBlockState(pBlock, ZUND_STATE_IDLE);
    return stAnswer;
}
