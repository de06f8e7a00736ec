// The AgentX front end's command line and its session, against a master of
// the test's own on a Unix socket: open and register, answers, pings, a
// master that goes away, comes later or talks nonsense, and the shutdown.
#include "CGlobalsScope.h"
#include "agent/genpvkagent.h"
#include "agentx/agentxresponder.h"
#include "agentx/genpvkagentx.h"
#include "agentxtestutil.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

FakeMib g_stFakeMib;

namespace {

// ---- Command line ------------------------------------------------------------

struct Arguments {
    std::vector<std::string> vWords;
    std::vector<char*> vPointers;
    explicit Arguments(std::vector<std::string> vGiven) : vWords(std::move(vGiven)) {
        for (std::string& strWord : vWords) {
            vPointers.push_back(&strWord[0]);
        }
        vPointers.push_back(nullptr);
    }
    int Count() const { return static_cast<int>(vWords.size()); }
    char** Vector() { return vPointers.data(); }
};

std::vector<std::string> Remaining(char** argv, int argc) {
    return std::vector<std::string>(argv, argv + argc);
}

TEST(AgentXOptionTest, TakenWhereverItStands) {
    for (std::vector<std::string> vWords :
         {std::vector<std::string>{"agent", "-x", "/var/agentx/master", "-c", "/etc/snmpd.conf"},
          std::vector<std::string>{"agent", "-c", "/etc/snmpd.conf", "-x", "/var/agentx/master"},
          std::vector<std::string>{"agent", "-c", "-x", "/var/agentx/master", "/etc/snmpd.conf"}}) {
        Arguments stArgs(vWords);
        int argc = stArgs.Count();
        ASSERT_TRUE(TakeAgentXOption(argc, stArgs.Vector()));
        EXPECT_EQ((std::vector<std::string>{"agent", "-c", "/etc/snmpd.conf"}),
                  Remaining(stArgs.Vector(), argc));
        EXPECT_EQ(nullptr, stArgs.Vector()[argc]);
        EXPECT_STREQ("/var/agentx/master", GetAgentXAddress());
    }
    Arguments stPlain({"agent", "-c", "/etc/snmpd.conf"});
    int argc = stPlain.Count();
    ASSERT_TRUE(TakeAgentXOption(argc, stPlain.Vector()));
    EXPECT_EQ(3, argc);
    EXPECT_STREQ("", GetAgentXAddress()) << "without -x there is no address";
}

TEST(AgentXOptionTest, MalformedOptionsAreRefused) {
    for (std::vector<std::string> vWords :
         {std::vector<std::string>{"agent", "-c", "/etc/snmpd.conf", "-x"},
          std::vector<std::string>{"agent", "-x", "/a", "-x", "/b", "-c", "/etc/snmpd.conf"},
          std::vector<std::string>{"agent", "-x", "relative/path", "-c", "/etc/snmpd.conf"},
          std::vector<std::string>{"agent", "-x", "-c", "/etc/snmpd.conf"},
          std::vector<std::string>{"agent", "-x", std::string(300, '/'), "-c", "/c"}}) {
        Arguments stArgs(vWords);
        int argc = stArgs.Count();
        EXPECT_FALSE(TakeAgentXOption(argc, stArgs.Vector())) << vWords[2];
        EXPECT_STREQ("", GetAgentXAddress());
    }
}

TEST(AgentXOptionTest, CommandLineWithAndWithoutTheOption) {
    CGlobalsScope globals; // the command line sets gszSystemConf
    Arguments stStart({"agent", "-x", "tcp:127.0.0.1:705", "-C", "/etc/snmpd.conf"});
    EXPECT_EQ(CMDLINE_START, ParseCommandLine(stStart.Count(), stStart.Vector()));
    EXPECT_STREQ("/etc/snmpd.conf", gszSystemConf);
    EXPECT_STREQ("tcp:127.0.0.1:705", GetAgentXAddress());
    Arguments stVersion({"agent", "-v", "-x"});
    EXPECT_EQ(CMDLINE_VERSION, ParseCommandLine(stVersion.Count(), stVersion.Vector()));
    for (std::vector<std::string> vWords :
         {std::vector<std::string>{"agent", "-x", "/var/agentx/master"},
          std::vector<std::string>{"agent", "-x", "/var/agentx/master", "-c"},
          std::vector<std::string>{"agent", "-x", "nonsense", "-c", "/etc/snmpd.conf"}}) {
        Arguments stArgs(vWords);
        EXPECT_EQ(CMDLINE_USAGE, ParseCommandLine(stArgs.Count(), stArgs.Vector()));
    }
    Arguments stClassic({"agent", "-c", "/etc/snmpd.conf"});
    EXPECT_EQ(CMDLINE_START, ParseCommandLine(stClassic.Count(), stClassic.Vector()));
    EXPECT_STREQ("", GetAgentXAddress());
}

TEST(AgentXAddressTest, TheFormsNetSnmpWrites) {
    AgentXAddress stAddress;
    ASSERT_TRUE(ParseAgentXAddress("/var/agentx/master", stAddress));
    EXPECT_TRUE(stAddress.bUnix);
    EXPECT_EQ("/var/agentx/master", stAddress.strPath);
    ASSERT_TRUE(ParseAgentXAddress("unix:/run/agentx.sock", stAddress));
    EXPECT_EQ("/run/agentx.sock", stAddress.strPath);
    ASSERT_TRUE(ParseAgentXAddress("tcp:127.0.0.1:705", stAddress));
    EXPECT_FALSE(stAddress.bUnix);
    EXPECT_EQ("127.0.0.1", stAddress.strHost);
    EXPECT_EQ("705", stAddress.strPort);
    ASSERT_TRUE(ParseAgentXAddress("tcp:[::1]:1705", stAddress));
    EXPECT_EQ("::1", stAddress.strHost);
    ASSERT_TRUE(ParseAgentXAddress("tcp:localhost:65535", stAddress));
    for (const char* pszBad :
         {"", "tcp:", "tcp:host", "tcp::705", "tcp:host:0", "tcp:host:65536", "tcp:host:7o5",
          "udp:127.0.0.1:705", "localhost:705", "unix:", "agentx.sock"}) {
        EXPECT_FALSE(ParseAgentXAddress(pszBad, stAddress)) << pszBad;
    }
    std::string strLongest = "/" + std::string(106, 'p');
    EXPECT_TRUE(ParseAgentXAddress(strLongest.c_str(), stAddress)) << "107 characters fit";
    strLongest += "p";
    EXPECT_FALSE(ParseAgentXAddress(strLongest.c_str(), stAddress)) << "108 do not";
}

// ---- The session against the test's master ----------------------------------------

const char* const SUBTREE_A = "1.3.6.1.4.1.7310.4.1";
const char* const SUBTREE_B = "1.3.6.1.4.1.7310.5.1";

// The master's end: one listening socket, one connection at a time.
class CTestMaster {
  public:
    explicit CTestMaster(const std::string& strPath) : m_strPath(strPath) {}
    ~CTestMaster() {
        Drop();
        StopListening();
    }

    void Listen() {
        m_iListen = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un stAddress = {};
        stAddress.sun_family = AF_UNIX;
        strcpy(stAddress.sun_path, m_strPath.c_str());
        unlink(m_strPath.c_str());
        ASSERT_EQ(0, bind(m_iListen, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress)));
        ASSERT_EQ(0, listen(m_iListen, 4));
    }
    void StopListening() {
        if (m_iListen >= 0) {
            close(m_iListen);
            m_iListen = -1;
            unlink(m_strPath.c_str());
        }
    }
    bool Accept(int nTimeoutMs) {
        pollfd stFd = {m_iListen, POLLIN, 0};
        if (poll(&stFd, 1, nTimeoutMs) != 1) {
            return false;
        }
        Drop();
        m_iConnection = accept(m_iListen, nullptr, nullptr);
        return m_iConnection >= 0;
    }
    void Drop() {
        if (m_iConnection >= 0) {
            close(m_iConnection);
            m_iConnection = -1;
        }
    }
    // The next PDU, or a PDU of type 0 when none came within the timeout or
    // the connection ended (m_bClosed).
    const AgentXPdu& Read(int nTimeoutMs = 3000) {
        m_stPdu = AgentXPdu();
        m_stPdu.stHeader.nType = 0;
        m_bClosed = false;
        if (!ReadBytes(AGENTX_HEADER_SIZE, nTimeoutMs)) {
            return m_stPdu;
        }
        AgentXHeader stHeader;
        EXPECT_TRUE(ReadAgentXHeader(m_vBytes.data(), m_vBytes.size(), stHeader));
        std::vector<uint8_t> vHeader = m_vBytes;
        if (!ReadBytes(stHeader.nPayloadLength, nTimeoutMs)) {
            return m_stPdu;
        }
        m_vPayload = m_vBytes;
        EXPECT_TRUE(ReadAgentXPdu(stHeader, m_vPayload.data(), m_stPdu));
        return m_stPdu;
    }
    void Send(const CAgentXWriter& stWriter) {
        ASSERT_EQ(static_cast<ssize_t>(stWriter.Size()),
                  send(m_iConnection, stWriter.Bytes().data(), stWriter.Size(), MSG_NOSIGNAL));
    }
    void SendRaw(const std::vector<uint8_t>& vBytes) {
        ASSERT_EQ(static_cast<ssize_t>(vBytes.size()),
                  send(m_iConnection, vBytes.data(), vBytes.size(), MSG_NOSIGNAL));
    }
    void Respond(const AgentXHeader& stRequest, uint32_t nSessionID, uint16_t nError) {
        CAgentXWriter stWriter;
        AgentXHeader stHeader = stRequest;
        stHeader.nSessionID = nSessionID;
        stWriter.BeginResponse(stHeader, nError, 0);
        stWriter.EndPdu();
        Send(stWriter);
    }
    // Takes the Open and the Registers and accepts them all but those named.
    void OpenSession(uint32_t nSessionID, uint16_t nSecondRegisterError = AGENTX_ERR_NOERROR) {
        const AgentXPdu& stOpen = Read();
        ASSERT_EQ(AGENTX_OPEN, stOpen.stHeader.nType);
        Respond(stOpen.stHeader, nSessionID, AGENTX_ERR_NOERROR);
        std::vector<OidVector> vRegistered;
        for (int i = 0; i < 2; ++i) {
            const AgentXPdu& stRegister = Read();
            ASSERT_EQ(AGENTX_REGISTER, stRegister.stHeader.nType);
            EXPECT_EQ(nSessionID, stRegister.stHeader.nSessionID);
            vRegistered.push_back(RegisteredSubtree());
            Respond(stRegister.stHeader, nSessionID,
                    i == 1 ? nSecondRegisterError : uint16_t{AGENTX_ERR_NOERROR});
        }
        EXPECT_EQ((std::vector<OidVector>{Oid(SUBTREE_A), Oid(SUBTREE_B)}), vRegistered);
    }
    bool Closed() const { return m_bClosed; }
    const std::vector<uint8_t>& Payload() const { return m_vPayload; }

  private:
    // The subtree of the last Register read: after timeout, priority,
    // range_subid and a reserved byte.
    OidVector RegisteredSubtree() const {
        AgentXHeader stHeader;
        stHeader.nFlags = AGENTX_FLAG_NETWORK_BYTE_ORDER;
        stHeader.nType = AGENTX_GET;
        stHeader.nPayloadLength = static_cast<uint32_t>(m_vPayload.size() - 4);
        std::vector<uint8_t> vRange(m_vPayload.begin() + 4, m_vPayload.end());
        vRange.insert(vRange.end(), {0, 0, 0, 0});
        stHeader.nPayloadLength += 4;
        AgentXPdu stPdu;
        EXPECT_TRUE(ReadAgentXPdu(stHeader, vRange.data(), stPdu));
        EXPECT_EQ(127, m_vPayload[1]) << "the default priority";
        return stPdu.vRanges.empty() ? OidVector() : FromAgentX(stPdu.vRanges[0].stStart);
    }

    bool ReadBytes(size_t nWanted, int nTimeoutMs) {
        m_vBytes.assign(nWanted, 0);
        size_t nHave = 0;
        while (nHave < nWanted) {
            pollfd stFd = {m_iConnection, POLLIN, 0};
            if (poll(&stFd, 1, nTimeoutMs) != 1) {
                return false;
            }
            ssize_t nRead = recv(m_iConnection, m_vBytes.data() + nHave, nWanted - nHave, 0);
            if (nRead <= 0) {
                m_bClosed = true;
                return false;
            }
            nHave += static_cast<size_t>(nRead);
        }
        return true;
    }

    std::string m_strPath;
    int m_iListen = -1;
    int m_iConnection = -1;
    bool m_bClosed = false;
    std::vector<uint8_t> m_vBytes;
    std::vector<uint8_t> m_vPayload;
    AgentXPdu m_stPdu;
};

class AgentXSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_stFakeMib = FakeMib();
        g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.1.1.0")] = {false, 7, "", false};
        g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.5.1.1.1.1.0")] = {true, 0, "shelf", false};
        char szTemplate[] = "/tmp/korvoagentxXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(szTemplate));
        m_strDir = szTemplate;
        m_pMaster.reset(new CTestMaster(m_strDir + "/master"));
        ASSERT_EQ(0, pipe(m_aWake));
        m_stTimings.nPingIntervalMs = 300;
        m_stTimings.nRetryIntervalMs = 100;
        m_stTimings.nAnswerTimeoutMs = 500;
        m_stTimings.nSendTimeoutMs = 300;
    }
    void TearDown() override {
        StopSession();
        m_pMaster.reset();
        close(m_aWake[0]);
        close(m_aWake[1]);
        rmdir(m_strDir.c_str());
    }
    void StartSession() {
        ParseAgentXAddress((m_strDir + "/master").c_str(), m_stAddress);
        std::vector<AgentXOid> vSubtrees = {ToAgentX(Oid(SUBTREE_A)), ToAgentX(Oid(SUBTREE_B))};
        m_stResponder.SetSubtrees(vSubtrees);
        m_pSession.reset(new CAgentXSession(m_stAddress, m_strDir + "/master", vSubtrees,
                                            m_stResponder, m_stTimings));
        m_bStop = false;
        m_stThread = std::thread([this] { m_pSession->Run(&m_bStop, m_aWake[0]); });
    }
    // Asks the session to stop and returns how long it took, in ms.
    long StopSession() {
        if (!m_stThread.joinable()) {
            return 0;
        }
        auto tStart = std::chrono::steady_clock::now();
        m_bStop = true;
        char cWake = 1;
        EXPECT_EQ(1, write(m_aWake[1], &cWake, 1));
        m_stThread.join();
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - tStart)
                                     .count());
    }
    // A GetNext from SUBTREE_A, answered with the test MIB's first object.
    void ExpectServed() {
        CMasterPdu stRequest(AGENTX_GETNEXT, 500, 501);
        stRequest.Range(SUBTREE_A, true, "1.3.6.1.4.1.7310.4.2");
        stRequest.Writer().EndPdu();
        m_pMaster->Send(stRequest.Writer());
        const AgentXPdu& stResponse = m_pMaster->Read();
        ASSERT_EQ(AGENTX_RESPONSE, stResponse.stHeader.nType);
        EXPECT_EQ(500u, stResponse.stHeader.nPacketID);
        EXPECT_EQ(42u, stResponse.stHeader.nSessionID) << "the request's own header fields";
        ASSERT_EQ(1u, stResponse.vVarBinds.size());
        EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.1.1.0 = INTEGER: 7", VarBindText(stResponse.vVarBinds[0]));
    }

    std::string m_strDir;
    std::unique_ptr<CTestMaster> m_pMaster;
    int m_aWake[2] = {-1, -1};
    AgentXTimings m_stTimings;
    AgentXAddress m_stAddress;
    CAgentXResponder m_stResponder{FakeDispatch, FakeCheckSet};
    std::unique_ptr<CAgentXSession> m_pSession;
    volatile bool m_bStop = false;
    std::thread m_stThread;
    long m_nStopMs = 0;
};

TEST_F(AgentXSessionTest, OpensRegistersServesAndClosesOnShutdown) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(9, AGENTX_ERR_DUPLICATEREGISTRATION);
    ExpectServed();
    EXPECT_TRUE(m_pSession->IsServing()) << "a refused subtree does not stop the others";
    std::thread stStopper([this] { m_nStopMs = StopSession(); });
    const AgentXPdu& stClose = m_pMaster->Read();
    stStopper.join();
    EXPECT_EQ(AGENTX_CLOSE, stClose.stHeader.nType);
    EXPECT_EQ(AGENTX_CLOSE_SHUTDOWN, stClose.nCloseReason);
    EXPECT_EQ(9u, stClose.stHeader.nSessionID);
    EXPECT_LT(m_nStopMs, 1000);
}

TEST_F(AgentXSessionTest, AMasterThatIsNotThereYetIsTriedAgain) {
    StartSession();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    m_pMaster->Listen();
    ASSERT_TRUE(m_pMaster->Accept(1000)) << "within the retry interval";
    m_pMaster->OpenSession(3);
    ExpectServed();
}

TEST_F(AgentXSessionTest, ALostMasterIsRegainedAndPingsAreSent) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(4);
    const AgentXPdu& stPing = m_pMaster->Read(2000);
    ASSERT_EQ(AGENTX_PING, stPing.stHeader.nType) << "within the ping interval";
    EXPECT_EQ(4u, stPing.stHeader.nSessionID);
    m_pMaster->Respond(stPing.stHeader, 4, AGENTX_ERR_NOERROR);
    // The master goes away: the session comes back and opens afresh.
    m_pMaster->Drop();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(5);
    ExpectServed();
}

TEST_F(AgentXSessionTest, AMasterThatDoesNotAnswerPingsIsDropped) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(6);
    ASSERT_EQ(AGENTX_PING, m_pMaster->Read(2000).stHeader.nType);
    // No answer: the next ping time ends the session, and a new one starts.
    m_pMaster->Read(2000);
    EXPECT_TRUE(m_pMaster->Closed());
    ASSERT_TRUE(m_pMaster->Accept(2000));
    EXPECT_EQ(AGENTX_OPEN, m_pMaster->Read().stHeader.nType);
}

TEST_F(AgentXSessionTest, OpenNotAnsweredOrRefusedStartsOver) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    EXPECT_EQ(AGENTX_OPEN, m_pMaster->Read().stHeader.nType);
    ASSERT_TRUE(m_pMaster->Accept(2000)) << "after the answer timeout";
    const AgentXPdu& stOpen = m_pMaster->Read();
    ASSERT_EQ(AGENTX_OPEN, stOpen.stHeader.nType);
    m_pMaster->Respond(stOpen.stHeader, 0, AGENTX_ERR_OPENFAILED);
    ASSERT_TRUE(m_pMaster->Accept(2000)) << "after a refusal";
    m_pMaster->OpenSession(8);
    ExpectServed();
}

TEST_F(AgentXSessionTest, NonsenseFromTheMasterEndsTheSessionWithAParseError) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(10);
    // A payload that does not hold what a Get needs is answered parseError;
    // a header that is not AgentX ends the session.
    std::vector<uint8_t> vBadGet = {1, AGENTX_GET, 0x10, 0,  0, 0, 0, 10, 0, 0, 0, 1,
                                    0, 0,          0,    77, 0, 0, 0, 4,  9, 0, 0, 0};
    m_pMaster->SendRaw(vBadGet);
    const AgentXPdu& stAnswer = m_pMaster->Read();
    ASSERT_EQ(AGENTX_RESPONSE, stAnswer.stHeader.nType);
    EXPECT_EQ(77u, stAnswer.stHeader.nPacketID);
    EXPECT_EQ(AGENTX_ERR_PARSEERROR, stAnswer.nError);
    std::vector<uint8_t> vNotAgentX(AGENTX_HEADER_SIZE, 0xff);
    m_pMaster->SendRaw(vNotAgentX);
    const AgentXPdu& stClose = m_pMaster->Read();
    ASSERT_EQ(AGENTX_CLOSE, stClose.stHeader.nType);
    EXPECT_EQ(AGENTX_CLOSE_PARSEERROR, stClose.nCloseReason);
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(11);
    ExpectServed();
}

TEST_F(AgentXSessionTest, RequestsSplitAndJoinedInTheStreamAreAllAnswered) {
    m_pMaster->Listen();
    StartSession();
    ASSERT_TRUE(m_pMaster->Accept(2000));
    m_pMaster->OpenSession(12);
    CAgentXWriter stTwo;
    for (uint32_t nPacket : {21u, 22u}) {
        stTwo.BeginPdu(AGENTX_GET, 0, 12, 1, nPacket);
        stTwo.AppendOid(ToAgentX(Oid("1.3.6.1.4.1.7310.5.1.1.1.1.0")));
        stTwo.AppendOid(ToAgentX(Oid("")));
        stTwo.EndPdu();
    }
    std::vector<uint8_t> vBytes = stTwo.Bytes();
    // The first PDU in two pieces, the second right behind it.
    m_pMaster->SendRaw(std::vector<uint8_t>(vBytes.begin(), vBytes.begin() + 7));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    m_pMaster->SendRaw(std::vector<uint8_t>(vBytes.begin() + 7, vBytes.end()));
    for (uint32_t nPacket : {21u, 22u}) {
        const AgentXPdu& stResponse = m_pMaster->Read();
        ASSERT_EQ(AGENTX_RESPONSE, stResponse.stHeader.nType);
        EXPECT_EQ(nPacket, stResponse.stHeader.nPacketID);
        ASSERT_EQ(1u, stResponse.vVarBinds.size());
        EXPECT_EQ(".1.3.6.1.4.1.7310.5.1.1.1.1.0 = STRING: shelf",
                  VarBindText(stResponse.vVarBinds[0]));
    }
}

} // namespace
