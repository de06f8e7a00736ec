// The wake-up on the block's state word, on the real segment (this program
// runs in a private IPC namespace): each side wakes the other at once, a peer
// that only polls is still served, and a long-lived relay follows the daemon
// through stops and restarts.
#include "CGlobalsScope.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "platform/snmpapi.h"
#include "relaychannel.h"

#include <gtest/gtest.h>

#include <chrono>

#include <sys/shm.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

const char* const RATE_OID = ".1.3.6.1.4.1.7310.4.1.2.1.7.0";
const long LONG_SLEEP_US = 30L * 1000000L; // far beyond every deadline

UINT AnswerFortyTwo(RFC1157VarBind* pBinding, UINT nAction) {
    if (nAction != SNMP_ACTION_GET) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    pBinding->value.asnType = ASN_INTEGER;
    pBinding->value.asnValue.number = 42;
    return SNMP_STATUS_NOERROR;
}

RelayRequest RateGet() {
    RelayRequest stRequest;
    ParseNumericOid(RATE_OID, stRequest.vOID);
    return stRequest;
}

// True once the thread sits in a futex system call (202 on x86-64, 98 on
// arm64), so that a wake-up can only reach it as a wake-up.
bool IsInFutexWait(pid_t nTid) {
    std::ifstream stSyscall("/proc/self/task/" + std::to_string(nTid) + "/syscall");
    long nNumber = -1;
    stSyscall >> nNumber;
    return nNumber == SYS_futex;
}

void AwaitFutexWait(const std::atomic<pid_t>& nTid) {
    for (int i = 0; i < 10000 && (nTid == 0 || !IsInFutexWait(nTid)); ++i) {
        usleep(500);
    }
    ASSERT_TRUE(IsInFutexWait(nTid)) << "the sleeper never reached its wait";
}

// A thread that sleeps once on the state word with a long timeout and
// records how the sleep ended.
class CSleeper {
  public:
    CSleeper(const SHARED_DATA* pBlock, uint32_t nState) {
        m_stThread = std::thread([this, pBlock, nState] {
            m_nTid = static_cast<pid_t>(syscall(SYS_gettid));
            m_nResult = WaitBlockState(pBlock, nState, LONG_SLEEP_US);
        });
        AwaitFutexWait(m_nTid);
    }

    int Result() {
        m_stThread.join();
        return m_nResult;
    }

  private:
    std::atomic<pid_t> m_nTid{0};
    std::atomic<int> m_nResult{-1};
    std::thread m_stThread;
};

class WakeUpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_globals.SetAgentReady(true);
        m_globals.SetStopRequested(false);
        m_pBlock = AttachSharedBlock();
        ASSERT_NE(nullptr, m_pBlock);
        m_pBinding = AllocateRequestBinding();
    }

    void TearDown() override {
        StopLoop();
        ReleaseSharedBlock();
        SnmpUtilMemFree(m_pBinding->name.ids);
        SnmpUtilMemFree(m_pBinding);
    }

    void StartLoop() {
        m_stLoop = std::thread(RunChannelLoop, m_pBlock, m_pBinding, AnswerFortyTwo, nullptr);
    }

    void StopLoop() {
        if (m_stLoop.joinable()) {
            m_globals.SetStopRequested(true);
            m_stLoop.join();
            m_globals.SetStopRequested(false); // a test may start the loop again
        }
    }

    // Writes a get like a relay that never wakes anybody.
    void PostWithoutWaking(const char* pszOID) {
        memset(m_pBlock->buffer, 0, sizeof(m_pBlock->buffer));
        strcpy(m_pBlock->buffer, "-g");
        strcpy(m_pBlock->buffer + 3, pszOID);
        StoreBlockState(m_pBlock, ZUND_STATE_REQUEST);
    }

    // Waits (bounded) for the state, polling like an old relay.
    bool PollForState(uint32_t nState) {
        for (int i = 0; i < 100000 && LoadBlockState(m_pBlock) != nState; ++i) {
            usleep(50);
        }
        return LoadBlockState(m_pBlock) == nState;
    }

    CGlobalsScope m_globals; // ends after the loop's thread
    SHARED_DATA* m_pBlock = nullptr;
    RFC1157VarBind* m_pBinding = nullptr;
    std::thread m_stLoop;
};

TEST_F(WakeUpTest, SleepOnTheStateWordEndsByWakeChangeOrTimeout) {
    StoreBlockState(m_pBlock, ZUND_STATE_ANSWER);
    EXPECT_EQ(ZUND_WAIT_CHANGED, WaitBlockState(m_pBlock, ZUND_STATE_IDLE, LONG_SLEEP_US))
        << "a state other than the one seen is not slept on";
    EXPECT_EQ(ZUND_WAIT_TIMEOUT, WaitBlockState(m_pBlock, ZUND_STATE_ANSWER, 1000));

    CSleeper stSleeper(m_pBlock, ZUND_STATE_ANSWER);
    WakeBlockWaiters(m_pBlock);
    EXPECT_EQ(ZUND_WAIT_WOKEN, stSleeper.Result());
}

TEST_F(WakeUpTest, DaemonWakesTheRelayWhenItPublishesTheAnswer) {
    PostWithoutWaking(RATE_OID);
    CSleeper stRelay(m_pBlock, ZUND_STATE_REQUEST);
    // Taking the request (1 to 3) wakes nobody: the relay waits for 2.
    ASSERT_TRUE(ServeOneRequest(m_pBlock, m_pBinding, AnswerFortyTwo));
    EXPECT_EQ(ZUND_WAIT_WOKEN, stRelay.Result());
    EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_ANSWER), LoadBlockState(m_pBlock));
    EXPECT_STREQ(".1.3.6.1.4.1.7310.4.1.2.1.7.0\ninteger\n42\n", m_pBlock->buffer);
}

TEST_F(WakeUpTest, RelayWakesADaemonThatSleepsOnTheWord) {
    // A daemon side whose sleep would outlast the relay's deadline many
    // times: only the relay's wake-up gets the request served in time.
    std::atomic<pid_t> nTid{0};
    std::atomic<int> nWoken{-1};
    std::thread stDaemon([&] {
        nTid = static_cast<pid_t>(syscall(SYS_gettid));
        nWoken = WaitBlockState(m_pBlock, ZUND_STATE_IDLE, LONG_SLEEP_US);
        ServeOneRequest(m_pBlock, m_pBinding, AnswerFortyTwo);
    });
    AwaitFutexWait(nTid);
    RelayAnswer stAnswer = ExchangeWithDaemon(RateGet());
    stDaemon.join();
    EXPECT_EQ(ZUND_WAIT_WOKEN, nWoken.load());
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ(RATE_OID, stAnswer.strOID);
    EXPECT_EQ("42", stAnswer.strValue);
    EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_IDLE), LoadBlockState(m_pBlock));
}

TEST_F(WakeUpTest, RelayThatOnlyPollsIsStillServedByTheLoop) {
    StartLoop();
    for (int i = 0; i < 5; ++i) {
        PostWithoutWaking(RATE_OID);
        ASSERT_TRUE(PollForState(ZUND_STATE_ANSWER)) << "request " << i;
        EXPECT_EQ(1u, m_pBlock->numItems);
        EXPECT_STREQ(".1.3.6.1.4.1.7310.4.1.2.1.7.0\ninteger\n42\n", m_pBlock->buffer);
        StoreBlockState(m_pBlock, ZUND_STATE_IDLE);
    }
}

TEST_F(WakeUpTest, RelayGetsAnswersFromADaemonThatNeverWakes) {
    // The daemon's side as it was before the wake-up: look, serve, publish
    // without waking, sleep one poll period.
    std::atomic<bool> bStop{false};
    std::thread stOldDaemon([&] {
        while (!bStop) {
            if (ExchangeBlockState(m_pBlock, ZUND_STATE_REQUEST, ZUND_STATE_TAKEN)) {
                strcpy(m_pBlock->buffer, ".1.3.6.1.4.1.7310.4.1.2.1.7.0\ninteger\n7\n");
                m_pBlock->numItems = 1;
                StoreBlockState(m_pBlock, ZUND_STATE_ANSWER);
            }
            usleep(static_cast<useconds_t>(ZUND_POLL_PERIOD_US));
        }
    });
    for (int i = 0; i < 3; ++i) {
        RelayAnswer stAnswer = ExchangeWithDaemon(RateGet());
        ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind) << "request " << i;
        EXPECT_EQ("7", stAnswer.strValue);
    }
    bStop = true;
    stOldDaemon.join();
}

TEST_F(WakeUpTest, LongLivedRelayFollowsTheDaemonThroughStopsAndRestarts) {
    StartLoop();
    ASSERT_EQ(RelayAnswer::VALUE, ExchangeWithDaemon(RateGet()).nKind);
    StopLoop();

    // Stopped: the segment is removed.
    ReleaseSharedBlock();
    EXPECT_EQ(RelayAnswer::NO_OBJECT, ExchangeWithDaemon(RateGet()).nKind);

    // Restarted: a new segment.
    m_pBlock = AttachSharedBlock();
    ASSERT_NE(nullptr, m_pBlock);
    StartLoop();
    ASSERT_EQ(RelayAnswer::VALUE, ExchangeWithDaemon(RateGet()).nKind);
    StopLoop();

    // Killed: the segment stays, attached by nobody but the relay. The relay
    // looks the segment up only after a wait timed out, so its first request
    // goes into the block; the first poll period without an answer shows
    // that nobody serves it: the request is withdrawn and answered at once,
    // not after the whole deadline. From then on the relay does not count
    // itself as the daemon and posts no request nobody takes.
    shmdt(g_pcShMemPtr);
    g_pcShMemPtr = nullptr;
    int iOldID = iShMemID;
    auto tStart = std::chrono::steady_clock::now();
    EXPECT_EQ(RelayAnswer::NO_OBJECT, ExchangeWithDaemon(RateGet()).nKind);
    EXPECT_LT(std::chrono::steady_clock::now() - tStart,
              std::chrono::milliseconds(RELAY_DEADLINE_MS / 2));
    SHARED_DATA* pOld = static_cast<SHARED_DATA*>(shmat(iOldID, nullptr, 0));
    ASSERT_NE(reinterpret_cast<void*>(-1), static_cast<void*>(pOld));
    EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_IDLE), LoadBlockState(pOld)) << "withdrawn";
    strcpy(pOld->buffer, "untouched");
    shmdt(pOld);
    EXPECT_EQ(RelayAnswer::NO_OBJECT, ExchangeWithDaemon(RateGet()).nKind);
    pOld = static_cast<SHARED_DATA*>(shmat(iOldID, nullptr, 0));
    ASSERT_NE(reinterpret_cast<void*>(-1), static_cast<void*>(pOld));
    EXPECT_STREQ("untouched", pOld->buffer);
    shmdt(pOld);
    m_pBlock = AttachSharedBlock();
    ASSERT_NE(nullptr, m_pBlock);
    StartLoop();
    RelayAnswer stAnswer = ExchangeWithDaemon(RateGet());
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ("42", stAnswer.strValue);
}

} // namespace
