// The relay program, run for real in both of snmpd's protocols, against a
// daemon side scripted by the test on the real block (this program runs in a
// private IPC namespace).
#include "CGlobalsScope.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "platform/snmpapi.h"
#include "relaycore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const RELAY_PATH = KORVO_BUILD_DIR "/qbz_korvosnmprelay";

// ---- The scripted daemon side -------------------------------------------

std::map<std::vector<uint32_t>, int> g_mapObjects; // OID -> integer value
std::string g_strLastSetValue;
std::atomic<bool> g_bAnswerGetNextInPlace{false}; // a faulty get-next

std::vector<uint32_t> NameOf(const RFC1157VarBind* pBinding) {
    return std::vector<uint32_t>(pBinding->name.ids, pBinding->name.ids + pBinding->name.idLength);
}

UINT ScriptedDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    std::vector<uint32_t> vName = NameOf(pBinding);
    auto itObject = g_mapObjects.find(vName);
    if (nAction == SNMP_ACTION_SET) {
        if (pBinding->value.asnType == ASN_OCTETSTRING) {
            g_strLastSetValue = reinterpret_cast<char*>(pBinding->value.asnValue.string.stream);
        } else {
            g_strLastSetValue = std::to_string(pBinding->value.asnValue.number);
        }
        if (itObject == g_mapObjects.end()) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        itObject->second = static_cast<int>(pBinding->value.asnValue.number);
        return SNMP_STATUS_NOERROR;
    }
    if (nAction == SNMP_ACTION_GETNEXT && !g_bAnswerGetNextInPlace) {
        itObject = g_mapObjects.upper_bound(vName);
    }
    if (itObject == g_mapObjects.end()) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    for (size_t i = 0; i < itObject->first.size(); ++i) {
        pBinding->name.ids[i] = itObject->first[i];
    }
    pBinding->name.idLength = static_cast<UINT>(itObject->first.size());
    pBinding->value.asnType = ASN_INTEGER;
    pBinding->value.asnValue.number = itObject->second;
    return SNMP_STATUS_NOERROR;
}

class ScriptedDaemon {
  public:
    void Start() {
        m_bStop = false;
        m_stThread = std::thread([this] {
            while (!m_bStop) {
                if (!ServeOneRequest(m_pBlock, m_pBinding, ScriptedDispatch)) {
                    usleep(100);
                }
            }
        });
    }

    void Stop() {
        m_bStop = true;
        if (m_stThread.joinable()) {
            m_stThread.join();
        }
    }

    SHARED_DATA* m_pBlock = nullptr;
    RFC1157VarBind* m_pBinding = nullptr;

  private:
    std::atomic<bool> m_bStop{false};
    std::thread m_stThread;
};

// ---- The relay as a process ---------------------------------------------

struct RunResult {
    std::string strOut;
    std::string strErr;
    int nStatus = -1;
    double dSeconds = 0;
};

std::string ReadAll(int nFd) {
    std::string strText;
    char szChunk[512];
    ssize_t nRead;
    while ((nRead = read(nFd, szChunk, sizeof(szChunk))) > 0) {
        strText.append(szChunk, static_cast<size_t>(nRead));
    }
    return strText;
}

// Runs the relay once with pass arguments.
RunResult RunPass(const std::vector<std::string>& vArgs) {
    int aOut[2];
    int aErr[2];
    EXPECT_EQ(0, pipe2(aOut, O_CLOEXEC));
    EXPECT_EQ(0, pipe2(aErr, O_CLOEXEC));
    auto tStart = std::chrono::steady_clock::now();
    pid_t nPid = fork();
    if (nPid == 0) {
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        std::vector<char*> vArgv{const_cast<char*>(RELAY_PATH)};
        for (const std::string& strArg : vArgs) {
            vArgv.push_back(const_cast<char*>(strArg.c_str()));
        }
        vArgv.push_back(nullptr);
        execv(RELAY_PATH, vArgv.data());
        _exit(127);
    }
    close(aOut[1]);
    close(aErr[1]);
    RunResult stResult;
    stResult.strOut = ReadAll(aOut[0]);
    stResult.strErr = ReadAll(aErr[0]);
    close(aOut[0]);
    close(aErr[0]);
    waitpid(nPid, &stResult.nStatus, 0);
    stResult.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    return stResult;
}

// The relay in pass_persist mode, talked to line by line.
class PersistentRelay {
  public:
    PersistentRelay() {
        int aIn[2];
        int aOut[2];
        int aErr[2];
        EXPECT_EQ(0, pipe2(aIn, O_CLOEXEC));
        EXPECT_EQ(0, pipe2(aOut, O_CLOEXEC));
        EXPECT_EQ(0, pipe2(aErr, O_CLOEXEC));
        m_nPid = fork();
        if (m_nPid == 0) {
            dup2(aIn[0], 0);
            dup2(aOut[1], 1);
            dup2(aErr[1], 2);
            execl(RELAY_PATH, RELAY_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(aIn[0]);
        close(aOut[1]);
        close(aErr[1]);
        m_nToRelay = aIn[1];
        m_nFromRelay = aOut[0];
        m_nErrors = aErr[0];
    }

    ~PersistentRelay() {
        close(m_nToRelay);
        int nStatus;
        waitpid(m_nPid, &nStatus, 0);
        EXPECT_EQ("", ReadAll(m_nErrors)) << "the relay wrote to standard error";
        close(m_nFromRelay);
        close(m_nErrors);
    }

    void Send(const std::string& strLines) {
        ASSERT_EQ(static_cast<ssize_t>(strLines.size()),
                  write(m_nToRelay, strLines.c_str(), strLines.size()));
    }

    // Reads one line, or "<timeout>" after a few seconds.
    std::string ReadLine() {
        std::string strLine;
        char cByte;
        while (true) {
            pollfd stPoll = {m_nFromRelay, POLLIN, 0};
            if (poll(&stPoll, 1, 5000) <= 0) {
                return "<timeout>";
            }
            if (read(m_nFromRelay, &cByte, 1) != 1) {
                return "<eof>";
            }
            if (cByte == '\n') {
                return strLine;
            }
            strLine += cByte;
        }
    }

    // True when the relay has nothing more to say within a short time.
    bool IsQuiet() {
        pollfd stPoll = {m_nFromRelay, POLLIN, 0};
        return poll(&stPoll, 1, 300) == 0;
    }

  private:
    pid_t m_nPid = -1;
    int m_nToRelay = -1;
    int m_nFromRelay = -1;
    int m_nErrors = -1;
};

const std::string ADAPTER_RATE = ".1.3.6.1.4.1.7310.4.1.2.1.7.0";
const std::string ADAPTER_ALARM = ".1.3.6.1.4.1.7310.4.1.2.1.8.0";

class RelayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_globals.SetAgentReady(true);
        g_bAnswerGetNextInPlace = false;
        g_mapObjects.clear();
        std::vector<uint32_t> vOID;
        ParseNumericOid(ADAPTER_RATE, vOID);
        g_mapObjects[vOID] = 30;
        ParseNumericOid(ADAPTER_ALARM, vOID);
        g_mapObjects[vOID] = 1;
        m_stDaemon.m_pBlock = AttachSharedBlock();
        ASSERT_NE(nullptr, m_stDaemon.m_pBlock);
        m_stDaemon.m_pBinding = AllocateRequestBinding();
    }

    void TearDown() override {
        m_stDaemon.Stop();
        ReleaseSharedBlock();
        SnmpUtilMemFree(m_stDaemon.m_pBinding->name.ids);
        SnmpUtilMemFree(m_stDaemon.m_pBinding);
    }

    CGlobalsScope m_globals; // ends after the daemon's thread
    ScriptedDaemon m_stDaemon;
};

TEST_F(RelayTest, PassModeAnswersGetGetNextAndSet) {
    m_stDaemon.Start();
    RunResult stGet = RunPass({"-g", ADAPTER_RATE});
    EXPECT_EQ(ADAPTER_RATE + "\ninteger\n30\n", stGet.strOut);
    EXPECT_EQ("", stGet.strErr);
    EXPECT_EQ(0, stGet.nStatus);

    EXPECT_EQ(ADAPTER_RATE + "\ninteger\n30\n", RunPass({"-n", ".1.3.6.1.4.1.7310"}).strOut);
    EXPECT_EQ(ADAPTER_ALARM + "\ninteger\n1\n", RunPass({"-n", ADAPTER_RATE}).strOut);
    EXPECT_EQ("", RunPass({"-n", ADAPTER_ALARM}).strOut) << "past the last object";

    RunResult stSet = RunPass({"-s", ADAPTER_RATE, "integer", "55"});
    EXPECT_EQ("", stSet.strOut);
    EXPECT_EQ(ADAPTER_RATE + "\ninteger\n55\n", RunPass({"-g", ADAPTER_RATE}).strOut);
    EXPECT_EQ("not-writable\n", RunPass({"-s", ADAPTER_RATE + ".9", "integer", "1"}).strOut);
    EXPECT_EQ("not-writable\n", RunPass({"-s", ADAPTER_RATE, "octet", "'00 01'"}).strOut);
}

TEST_F(RelayTest, PassModeSetStripsQuotingAndJoinsSplitValues) {
    m_stDaemon.Start();
    RunPass({"-s", ADAPTER_RATE, "string", "'new name'"});
    EXPECT_EQ("new name", g_strLastSetValue);
    RunPass({"-s", ADAPTER_RATE, "string", "two", "words"});
    EXPECT_EQ("two words", g_strLastSetValue);
}

TEST_F(RelayTest, PersistentModeFollowsSnmpdsProtocol) {
    m_stDaemon.Start();
    PersistentRelay stRelay;
    stRelay.Send("PING\n");
    EXPECT_EQ("PONG", stRelay.ReadLine());
    stRelay.Send("get\n" + ADAPTER_RATE + "\n");
    EXPECT_EQ(ADAPTER_RATE, stRelay.ReadLine());
    EXPECT_EQ("integer", stRelay.ReadLine());
    EXPECT_EQ("30", stRelay.ReadLine());

    stRelay.Send("getnext\n" + ADAPTER_ALARM + "\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());

    // snmpd sends an empty line after every set; it must not be answered.
    stRelay.Send("set\n" + ADAPTER_ALARM + "\ninteger 0\n\n");
    EXPECT_EQ("DONE", stRelay.ReadLine());
    EXPECT_TRUE(stRelay.IsQuiet());

    stRelay.Send("set\n" + ADAPTER_ALARM + "\nstring \"quoted \"text\"\"\n\n");
    EXPECT_EQ("DONE", stRelay.ReadLine());
    EXPECT_EQ("quoted \"text\"", g_strLastSetValue);

    stRelay.Send("set\n" + ADAPTER_ALARM + "\noctet '00 01'\n\n");
    EXPECT_EQ("not-writable", stRelay.ReadLine());
    stRelay.Send("set\n" + ADAPTER_ALARM + "\nstring \"" + std::string(300, 'v') + "\"\n\n");
    EXPECT_EQ("not-writable", stRelay.ReadLine());

    stRelay.Send("getnext\n.1.3.6.1.4.1.7310\n");
    EXPECT_EQ(ADAPTER_RATE, stRelay.ReadLine());
    EXPECT_EQ("integer", stRelay.ReadLine());
    EXPECT_EQ("30", stRelay.ReadLine());
    EXPECT_TRUE(stRelay.IsQuiet());
}

TEST_F(RelayTest, GetNextThatDoesNotIncreaseIsNoSuchObject) {
    g_bAnswerGetNextInPlace = true;
    m_stDaemon.Start();
    EXPECT_EQ("", RunPass({"-n", ADAPTER_RATE}).strOut);
    PersistentRelay stRelay;
    stRelay.Send("getnext\n" + ADAPTER_RATE + "\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());
}

TEST_F(RelayTest, RequestsOutsideTheSubtreeOrTooLongAreNotPassedOn) {
    m_stDaemon.Start();
    PersistentRelay stRelay;
    stRelay.Send("get\n.1.3.6.1.2.1.1.1.0\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());
    std::string strLong = ADAPTER_RATE;
    for (int i = 0; i < 45; ++i) {
        strLong += ".1";
    }
    stRelay.Send("get\n" + strLong + "\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());
    stRelay.Send("get\nnot-an-oid\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());
}

TEST_F(RelayTest, SilentDaemonMeetsTheDeadlineAndTheBlockStaysUsable) {
    RunResult stGet = RunPass({"-g", ADAPTER_RATE});
    EXPECT_EQ("", stGet.strOut);
    EXPECT_EQ("", stGet.strErr);
    EXPECT_LT(stGet.dSeconds, 5.0);
    EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_IDLE), LoadBlockState(m_stDaemon.m_pBlock))
        << "the unanswered request is withdrawn";

    m_stDaemon.Start();
    EXPECT_EQ(ADAPTER_RATE + "\ninteger\n30\n", RunPass({"-g", ADAPTER_RATE}).strOut);
}

TEST_F(RelayTest, DaemonThatDiedMidRequestIsNotWaitedForForever) {
    StoreBlockState(m_stDaemon.m_pBlock, ZUND_STATE_TAKEN);
    PersistentRelay stRelay;
    stRelay.Send("get\n" + ADAPTER_RATE + "\n");
    EXPECT_EQ("NONE", stRelay.ReadLine());

    // A new daemon marks the block idle when it attaches.
    StoreBlockState(m_stDaemon.m_pBlock, ZUND_STATE_IDLE);
    m_stDaemon.Start();
    stRelay.Send("get\n" + ADAPTER_RATE + "\n");
    EXPECT_EQ(ADAPTER_RATE, stRelay.ReadLine());
    EXPECT_EQ("integer", stRelay.ReadLine());
    EXPECT_EQ("30", stRelay.ReadLine());
}

TEST_F(RelayTest, NoDaemonAtAllIsNoSuchObjectAtOnce) {
    ReleaseSharedBlock();
    RunResult stGet = RunPass({"-g", ADAPTER_RATE});
    EXPECT_EQ("", stGet.strOut);
    EXPECT_EQ("not-writable\n", RunPass({"-s", ADAPTER_RATE, "integer", "1"}).strOut);
    m_stDaemon.m_pBlock = AttachSharedBlock();
}

TEST_F(RelayTest, ConcurrentRelaysAreServedOneAtATime) {
    m_stDaemon.Start();
    std::vector<std::thread> vClients;
    std::vector<std::string> vAnswers(6);
    for (size_t i = 0; i < vAnswers.size(); ++i) {
        vClients.emplace_back([i, &vAnswers] {
            vAnswers[i] = RunPass({"-g", i % 2 ? ADAPTER_ALARM : ADAPTER_RATE}).strOut;
        });
    }
    for (std::thread& stClient : vClients) {
        stClient.join();
    }
    for (size_t i = 0; i < vAnswers.size(); ++i) {
        EXPECT_EQ(i % 2 ? ADAPTER_ALARM + "\ninteger\n1\n" : ADAPTER_RATE + "\ninteger\n30\n",
                  vAnswers[i]);
    }
}

} // namespace
