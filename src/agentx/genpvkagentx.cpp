// The daemon's AgentX front end: the -x option, the dispatch lock, the
// session to snmpd's master and the thread that runs it.
#include "genpvkagentx.h"

#include "agentxresponder.h"
#include "dispatch/FindHolder.h"
#include "dispatch/Zundfunc.h"
#include "korvoversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

namespace {

const char* const AGENTX_OPTION = "-x";
const uint8_t REGISTER_PRIORITY = 127; // RFC 2741's default
const uint8_t MASTER_TIMEOUT = 0;      // the master's own default per request

// The address given with -x, or "". Writer: TakeAgentXOption, on the main
// thread at start-up. Readers: GetAgentXAddress and StartAgentX (main
// thread); the session keeps a copy of its own.
char g_szAgentXAddress[AGENTX_ADDRESS_SIZE];

// One dispatch at a time: taken around every dispatch by the block's loop
// (main thread) and the AgentX thread while the front end runs, so the
// per-request values of the engine (Zundfunc.h) serve one request only.
pthread_mutex_t g_DispatchMutex = PTHREAD_MUTEX_INITIALIZER;

long long NowMs() {
    timespec stNow;
    clock_gettime(CLOCK_MONOTONIC, &stNow);
    return static_cast<long long>(stNow.tv_sec) * 1000 + stNow.tv_nsec / 1000000;
}

bool IsDecimalPort(const std::string& strPort) {
    if (strPort.empty() || strPort.size() > 5) {
        return false;
    }
    for (char cDigit : strPort) {
        if (cDigit < '0' || cDigit > '9') {
            return false;
        }
    }
    int nPort = atoi(strPort.c_str());
    return nPort >= 1 && nPort <= 65535;
}

std::string OidText(const AgentXOid& stOid) {
    std::string strText;
    for (uint32_t i = 0; i < stOid.nLength; ++i) {
        strText += '.';
        strText += std::to_string(stOid.aIds[i]);
    }
    return strText;
}

const char* RegisterErrorName(uint16_t nError) {
    switch (nError) {
    case AGENTX_ERR_DUPLICATEREGISTRATION:
        return "duplicateRegistration: another subagent has it";
    case AGENTX_ERR_REQUESTDENIED:
        return "requestDenied";
    case AGENTX_ERR_UNSUPPORTEDCONTEXT:
        return "unsupportedContext";
    case AGENTX_ERR_NOTOPEN:
        return "notOpen";
    default:
        return "refused";
    }
}

// ---- The front end's thread ----------------------------------------------

struct FrontEnd {
    pthread_t hThread;
    int aWakePipe[2] = {-1, -1};
    volatile bool bStop = false;
    AgentXAddress stAddress;
    CAgentXResponder* pResponder = nullptr;
    CAgentXSession* pSession = nullptr;
};

// The running front end, or null. Writers: StartAgentX at the end of start-up
// and StopAgentX at close, both on the main thread. Readers: the same; the
// front end's thread is handed its FrontEnd, and stops only on bStop.
FrontEnd* g_pFrontEnd = nullptr;

void* RunFrontEnd(void* pArg) {
    FrontEnd* pFrontEnd = static_cast<FrontEnd*>(pArg);
    pFrontEnd->pSession->Run(&pFrontEnd->bStop, pFrontEnd->aWakePipe[0]);
    return nullptr;
}

} // namespace

// ---- Command line -------------------------------------------------------------

bool ParseAgentXAddress(const char* pszText, AgentXAddress& stAddress) {
    std::string strText = pszText;
    stAddress = AgentXAddress();
    if (strText.compare(0, 4, "tcp:") == 0) {
        std::string strRest = strText.substr(4);
        size_t nColon = strRest.rfind(':');
        if (nColon == std::string::npos || nColon == 0) {
            return false;
        }
        std::string strHost = strRest.substr(0, nColon);
        if (strHost.size() >= 2 && strHost.front() == '[' && strHost.back() == ']') {
            strHost = strHost.substr(1, strHost.size() - 2);
        }
        stAddress.bUnix = false;
        stAddress.strHost = strHost;
        stAddress.strPort = strRest.substr(nColon + 1);
        return !strHost.empty() && IsDecimalPort(stAddress.strPort);
    }
    std::string strPath = strText.compare(0, 5, "unix:") == 0 ? strText.substr(5) : strText;
    sockaddr_un stUnix;
    if (strPath.empty() || strPath[0] != '/' || strPath.size() >= sizeof(stUnix.sun_path)) {
        return false;
    }
    stAddress.strPath = strPath;
    return true;
}

bool TakeAgentXOption(int& argc, char** argv) {
    g_szAgentXAddress[0] = '\0';
    int nFound = 0;
    int nKept = 1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], AGENTX_OPTION) != 0) {
            argv[nKept++] = argv[i];
            continue;
        }
        AgentXAddress stAddress;
        if (++nFound > 1 || i + 1 >= argc || strlen(argv[i + 1]) >= AGENTX_ADDRESS_SIZE ||
            !ParseAgentXAddress(argv[i + 1], stAddress)) {
            fprintf(stderr, "qbz_korvodsnmpagent: -x takes one AgentX address: a Unix socket "
                            "path such as /var/agentx/master, or tcp:HOST:PORT\n");
            g_szAgentXAddress[0] = '\0';
            return false;
        }
        strcpy(g_szAgentXAddress, argv[i + 1]);
        ++i;
    }
    if (nFound > 0) {
        argc = nKept;
        argv[argc] = nullptr;
    }
    return true;
}

const char* GetAgentXAddress() {
    return g_szAgentXAddress;
}

// ---- The dispatch lock --------------------------------------------------------

UINT SerialisedPopulateValue(RFC1157VarBind* pBinding, UINT nAction) {
    pthread_mutex_lock(&g_DispatchMutex);
    UINT nStatus = zund_initover == 1 ? PopulateValue(pBinding, nAction) : SNMP_STATUS_NOSUCHNAME;
    pthread_mutex_unlock(&g_DispatchMutex);
    return nStatus;
}

UINT SerialisedCheckSet(RFC1157VarBind* pBinding, UINT nAction) {
    pthread_mutex_lock(&g_DispatchMutex);
    g_bSetCheckOnly = true;
    UINT nStatus = zund_initover == 1 ? PopulateValue(pBinding, nAction) : SNMP_STATUS_NOSUCHNAME;
    g_bSetCheckOnly = false;
    pthread_mutex_unlock(&g_DispatchMutex);
    return nStatus;
}

std::vector<AgentXOid> AgentXSubtrees() {
    std::vector<AgentXOid> vSubtrees;
    for (int i = 0; i < g_noOfDLL; ++i) {
        const AsnObjectIdentifier& stPrefix = g_pMIB_DC[i].MibOidPrefix;
        if (stPrefix.idLength == 0 || stPrefix.idLength > AGENTX_MAX_OID_IDS) {
            continue;
        }
        AgentXOid stSubtree;
        stSubtree.nLength = stPrefix.idLength;
        memcpy(stSubtree.aIds, stPrefix.ids, stPrefix.idLength * sizeof(UINT));
        bool bKnown = false;
        for (const AgentXOid& stKnown : vSubtrees) {
            bKnown = bKnown || CompareAgentXOid(stKnown, stSubtree) == 0;
        }
        if (!bKnown) {
            vSubtrees.push_back(stSubtree);
        }
    }
    return vSubtrees;
}

// ---- Start and stop -------------------------------------------------------------

bool StartAgentX() {
    if (g_szAgentXAddress[0] == '\0' || g_pFrontEnd != nullptr) {
        return false;
    }
    FrontEnd* pFrontEnd = new FrontEnd;
    if (!ParseAgentXAddress(g_szAgentXAddress, pFrontEnd->stAddress) ||
        pipe2(pFrontEnd->aWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        delete pFrontEnd;
        return false;
    }
    std::vector<AgentXOid> vSubtrees = AgentXSubtrees();
    pFrontEnd->pResponder = new CAgentXResponder(SerialisedPopulateValue, SerialisedCheckSet);
    pFrontEnd->pResponder->SetSubtrees(vSubtrees);
    pFrontEnd->pSession = new CAgentXSession(pFrontEnd->stAddress, g_szAgentXAddress, vSubtrees,
                                             *pFrontEnd->pResponder);
    // The stop signals stay with the block's loop, which acts on them.
    sigset_t stBlocked;
    sigset_t stPrevious;
    sigemptyset(&stBlocked);
    sigaddset(&stBlocked, SIGTERM);
    sigaddset(&stBlocked, SIGINT);
    sigaddset(&stBlocked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &stBlocked, &stPrevious);
    int nResult = pthread_create(&pFrontEnd->hThread, nullptr, RunFrontEnd, pFrontEnd);
    pthread_sigmask(SIG_SETMASK, &stPrevious, nullptr);
    if (nResult != 0) {
        syslog(LOG_ERR, "AgentX front end for %s not started: %s; the block serves alone",
               g_szAgentXAddress, strerror(nResult));
        delete pFrontEnd->pSession;
        delete pFrontEnd->pResponder;
        close(pFrontEnd->aWakePipe[0]);
        close(pFrontEnd->aWakePipe[1]);
        delete pFrontEnd;
        return false;
    }
    g_pFrontEnd = pFrontEnd;
    return true;
}

void StopAgentX() {
    FrontEnd* pFrontEnd = g_pFrontEnd;
    if (pFrontEnd == nullptr) {
        return;
    }
    pFrontEnd->bStop = true;
    char cWake = 1;
    if (write(pFrontEnd->aWakePipe[1], &cWake, 1) < 0) {
        // The pipe is full: the thread is being woken already.
    }
    pthread_join(pFrontEnd->hThread, nullptr);
    delete pFrontEnd->pSession;
    delete pFrontEnd->pResponder;
    close(pFrontEnd->aWakePipe[0]);
    close(pFrontEnd->aWakePipe[1]);
    delete pFrontEnd;
    g_pFrontEnd = nullptr;
}

// ---- The session ------------------------------------------------------------------

CAgentXSession::CAgentXSession(const AgentXAddress& stAddress, const std::string& strAddressText,
                               const std::vector<AgentXOid>& vSubtrees,
                               CAgentXResponder& stResponder, const AgentXTimings& stTimings)
    : m_stAddress(stAddress), m_strAddressText(strAddressText), m_vSubtrees(vSubtrees),
      m_stResponder(stResponder), m_stTimings(stTimings),
      m_vInput(AGENTX_HEADER_SIZE + AGENTX_MAX_PAYLOAD) {}

CAgentXSession::~CAgentXSession() {
    if (m_iSocket >= 0) {
        close(m_iSocket);
    }
}

void CAgentXSession::Run(const volatile bool* pbStop, int iWakeFd) {
    while (!*pbStop) {
        // One look at the clock per round: a request costs no more.
        long long nNowMs = NowMs();
        if (m_nState == STATE_DISCONNECTED && nNowMs >= m_nNextAttemptMs) {
            TryConnect(nNowMs);
        }
        RunTimers(nNowMs);
        pollfd aFds[2] = {{iWakeFd, POLLIN, 0}, {m_iSocket, POLLIN, 0}};
        nfds_t nFds = m_iSocket >= 0 ? 2 : 1;
        int nReady = poll(aFds, nFds, PollTimeoutMs(nNowMs));
        if (nReady < 0 && errno != EINTR) {
            break;
        }
        if (nReady > 0 && (aFds[0].revents & POLLIN) != 0) {
            // Readable, so one read does not block.
            char aDrain[16];
            if (read(iWakeFd, aDrain, sizeof(aDrain)) < 0) {
                // Nothing to drain: the stop flag is looked at all the same.
            }
            continue;
        }
        if (nReady > 0 && nFds == 2 && aFds[1].revents != 0) {
            ReadAndServe(nNowMs);
        }
    }
    if (m_iSocket >= 0 && m_nState != STATE_DISCONNECTED) {
        m_bOutageLogged = true; // a master that does not take the Close is no news
        m_stWriter.Clear();
        m_stWriter.WriteClose(m_nSessionID, m_nNextPacketID++, AGENTX_CLOSE_SHUTDOWN);
        Flush();
    }
    if (m_iSocket >= 0) {
        close(m_iSocket);
        m_iSocket = -1;
    }
    m_nState = STATE_DISCONNECTED;
}

int CAgentXSession::RetrySeconds() const {
    return (m_stTimings.nRetryIntervalMs + 999) / 1000;
}

int CAgentXSession::PollTimeoutMs(long long nNowMs) const {
    long long nNextMs;
    switch (m_nState) {
    case STATE_DISCONNECTED:
        nNextMs = m_nNextAttemptMs;
        break;
    case STATE_OPENING:
    case STATE_REGISTERING:
        nNextMs = m_nDeadlineMs;
        break;
    default:
        nNextMs = m_nNextPingMs;
        break;
    }
    long long nWaitMs = nNextMs - nNowMs;
    if (nWaitMs < 0) {
        return 0;
    }
    return nWaitMs > m_stTimings.nPingIntervalMs ? m_stTimings.nPingIntervalMs
                                                 : static_cast<int>(nWaitMs);
}

int CAgentXSession::ConnectSocket(std::string& strError) const {
    if (m_stAddress.bUnix) {
        int iSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (iSocket < 0) {
            strError = strerror(errno);
            return -1;
        }
        sockaddr_un stPeer;
        memset(&stPeer, 0, sizeof(stPeer));
        stPeer.sun_family = AF_UNIX;
        memcpy(stPeer.sun_path, m_stAddress.strPath.c_str(), m_stAddress.strPath.size());
        if (connect(iSocket, reinterpret_cast<sockaddr*>(&stPeer), sizeof(stPeer)) != 0) {
            strError = strerror(errno);
            close(iSocket);
            return -1;
        }
        return iSocket;
    }
    addrinfo stHints;
    memset(&stHints, 0, sizeof(stHints));
    stHints.ai_socktype = SOCK_STREAM;
    stHints.ai_flags = AI_NUMERICSERV;
    addrinfo* pAddresses = nullptr;
    int nResult = getaddrinfo(m_stAddress.strHost.c_str(), m_stAddress.strPort.c_str(), &stHints,
                              &pAddresses);
    if (nResult != 0) {
        strError = gai_strerror(nResult);
        return -1;
    }
    int iSocket = -1;
    strError = "no address";
    for (addrinfo* pAddress = pAddresses; pAddress != nullptr && iSocket < 0;
         pAddress = pAddress->ai_next) {
        iSocket = socket(pAddress->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (iSocket < 0) {
            strError = strerror(errno);
            continue;
        }
        // A TCP connect is bounded like every other wait for the master.
        bool bConnected = connect(iSocket, pAddress->ai_addr, pAddress->ai_addrlen) == 0;
        if (!bConnected && errno == EINPROGRESS) {
            pollfd stFd = {iSocket, POLLOUT, 0};
            int nSocketError = 0;
            socklen_t nLength = sizeof(nSocketError);
            bConnected = poll(&stFd, 1, m_stTimings.nSendTimeoutMs) == 1 &&
                         getsockopt(iSocket, SOL_SOCKET, SO_ERROR, &nSocketError, &nLength) == 0 &&
                         nSocketError == 0;
            errno = nSocketError != 0 ? nSocketError : ETIMEDOUT;
        }
        if (!bConnected) {
            strError = strerror(errno);
            close(iSocket);
            iSocket = -1;
            continue;
        }
        int nOne = 1;
        setsockopt(iSocket, IPPROTO_TCP, TCP_NODELAY, &nOne, sizeof(nOne));
    }
    freeaddrinfo(pAddresses);
    return iSocket;
}

void CAgentXSession::TryConnect(long long nNowMs) {
    m_nNextAttemptMs = nNowMs + m_stTimings.nRetryIntervalMs;
    std::string strError;
    int iSocket = ConnectSocket(strError);
    if (iSocket < 0) {
        if (!m_bOutageLogged) {
            syslog(LOG_WARNING,
                   "AgentX master %s not reachable (%s); the block serves meanwhile, trying "
                   "again every %d s",
                   m_strAddressText.c_str(), strError.c_str(), RetrySeconds());
            m_bOutageLogged = true;
        }
        return;
    }
    fcntl(iSocket, F_SETFL, fcntl(iSocket, F_GETFL) | O_NONBLOCK);
    m_iSocket = iSocket;
    m_nInput = 0;
    m_nSessionID = 0;
    m_nOpenPacketID = m_nNextPacketID++;
    m_nPingPacketID = 0;
    m_stWriter.Clear();
    const char* const pszDescription = KORVO_AGENT_NAME " " KORVO_VERSION_BANNER;
    m_stWriter.WriteOpen(m_nOpenPacketID, MASTER_TIMEOUT, pszDescription);
    m_nState = STATE_OPENING;
    m_nDeadlineMs = nNowMs + m_stTimings.nAnswerTimeoutMs;
    Flush();
}

void CAgentXSession::Lose(const char* pszReason) {
    if (m_iSocket >= 0) {
        close(m_iSocket);
        m_iSocket = -1;
    }
    if (m_bEverServed && !m_bOutageLogged) {
        syslog(LOG_WARNING,
               "AgentX master %s lost (%s); the block keeps serving, trying again every %d s",
               m_strAddressText.c_str(), pszReason, RetrySeconds());
    } else if (!m_bOutageLogged) {
        syslog(LOG_WARNING,
               "AgentX master %s not usable (%s); the block serves meanwhile, trying again every "
               "%d s",
               m_strAddressText.c_str(), pszReason, RetrySeconds());
    }
    m_bOutageLogged = true;
    m_nState = STATE_DISCONNECTED;
    m_stResponder.ForgetSet();
    m_stWriter.Clear();
    m_nInput = 0;
    m_nNextAttemptMs = NowMs() + m_stTimings.nRetryIntervalMs;
}

bool CAgentXSession::ReadAndServe(long long nNowMs) {
    ssize_t nRead =
        recv(m_iSocket, m_vInput.data() + m_nInput, m_vInput.size() - m_nInput, MSG_DONTWAIT);
    if (nRead == 0) {
        Lose("the master closed the connection");
        return false;
    }
    if (nRead < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return true;
        }
        Lose(strerror(errno));
        return false;
    }
    m_nInput += static_cast<size_t>(nRead);
    size_t nUsed = 0;
    m_stWriter.Clear();
    while (m_nInput - nUsed >= AGENTX_HEADER_SIZE) {
        AgentXHeader stHeader;
        if (!ReadAgentXHeader(m_vInput.data() + nUsed, m_nInput - nUsed, stHeader)) {
            // The stream cannot be followed any more.
            m_stWriter.WriteClose(m_nSessionID, m_nNextPacketID++, AGENTX_CLOSE_PARSEERROR);
            Flush();
            Lose("a PDU the daemon cannot read");
            return false;
        }
        size_t nPduSize = AGENTX_HEADER_SIZE + stHeader.nPayloadLength;
        if (m_nInput - nUsed < nPduSize) {
            break;
        }
        if (!ServePdu(stHeader, m_vInput.data() + nUsed + AGENTX_HEADER_SIZE, nNowMs)) {
            return false;
        }
        nUsed += nPduSize;
    }
    if (nUsed > 0) {
        memmove(m_vInput.data(), m_vInput.data() + nUsed, m_nInput - nUsed);
        m_nInput -= nUsed;
    }
    return m_stWriter.Size() == 0 || Flush();
}

bool CAgentXSession::ServePdu(const AgentXHeader& stHeader, const uint8_t* pPayload,
                              long long nNowMs) {
    bool bRead = ReadAgentXPdu(stHeader, pPayload, m_stPdu);
    if (stHeader.nType == AGENTX_RESPONSE) {
        if (bRead) {
            TakeResponse(m_stPdu, nNowMs);
        }
        return m_iSocket >= 0;
    }
    if (stHeader.nType == AGENTX_CLOSE) {
        Lose("closed by the master");
        return false;
    }
    if (!bRead) {
        m_stWriter.BeginResponse(stHeader, AGENTX_ERR_PARSEERROR, 0);
        m_stWriter.EndPdu();
        return true;
    }
    if (!m_stResponder.Answer(m_stPdu, m_stWriter)) {
        m_stWriter.BeginResponse(stHeader, AGENTX_ERR_PROCESSINGERROR, 0);
        m_stWriter.EndPdu();
    }
    return true;
}

void CAgentXSession::TakeResponse(const AgentXPdu& stPdu, long long nNowMs) {
    uint32_t nPacketID = stPdu.stHeader.nPacketID;
    if (m_nState == STATE_OPENING && nPacketID == m_nOpenPacketID) {
        if (stPdu.nError != AGENTX_ERR_NOERROR) {
            char szReason[64];
            snprintf(szReason, sizeof(szReason), "the master refused the session, error %u",
                     static_cast<unsigned>(stPdu.nError));
            Lose(szReason);
            return;
        }
        m_nSessionID = stPdu.stHeader.nSessionID;
        RegisterSubtrees(nNowMs);
        return;
    }
    if (nPacketID != 0 && nPacketID == m_nPingPacketID) {
        m_nPingPacketID = 0;
        return;
    }
    for (size_t i = 0; i < m_vRegisterPacketIDs.size(); ++i) {
        if (m_vRegisterPacketIDs[i] != 0 && m_vRegisterPacketIDs[i] == nPacketID) {
            m_vRegisterPacketIDs[i] = 0;
            SubtreeAnswered(i, stPdu.nError, nNowMs);
            return;
        }
    }
}

void CAgentXSession::RegisterSubtrees(long long nNowMs) {
    m_vRegisterPacketIDs.assign(m_vSubtrees.size(), 0);
    m_nRegistered = 0;
    m_nUnanswered = m_vSubtrees.size();
    for (size_t i = 0; i < m_vSubtrees.size(); ++i) {
        m_vRegisterPacketIDs[i] = m_nNextPacketID++;
        m_stWriter.WriteRegister(m_nSessionID, m_vRegisterPacketIDs[i], MASTER_TIMEOUT,
                                 REGISTER_PRIORITY, m_vSubtrees[i].aIds, m_vSubtrees[i].nLength);
    }
    m_nState = STATE_REGISTERING;
    m_nDeadlineMs = nNowMs + m_stTimings.nAnswerTimeoutMs;
    if (m_nUnanswered == 0) {
        SubtreeAnswered(0, AGENTX_ERR_NOERROR, nNowMs);
    }
}

void CAgentXSession::SubtreeAnswered(size_t nSubtree, uint16_t nError, long long nNowMs) {
    if (m_nUnanswered > 0) {
        --m_nUnanswered;
        if (nError == AGENTX_ERR_NOERROR) {
            ++m_nRegistered;
        } else {
            syslog(LOG_WARNING, "AgentX master %s refused the subtree %s (%s)",
                   m_strAddressText.c_str(), OidText(m_vSubtrees[nSubtree]).c_str(),
                   RegisterErrorName(nError));
        }
    }
    if (m_nUnanswered > 0) {
        return;
    }
    syslog(LOG_INFO, "AgentX master %s %s: %zu of %zu subtrees registered",
           m_strAddressText.c_str(), m_bEverServed ? "regained" : "connected", m_nRegistered,
           m_vSubtrees.size());
    m_bEverServed = true;
    m_bOutageLogged = false;
    m_nState = STATE_SERVING;
    m_nNextPingMs = nNowMs + m_stTimings.nPingIntervalMs;
}

void CAgentXSession::RunTimers(long long nNowMs) {
    switch (m_nState) {
    case STATE_OPENING:
    case STATE_REGISTERING:
        if (nNowMs >= m_nDeadlineMs) {
            Lose(m_nState == STATE_OPENING ? "no answer to the Open" : "no answer to a Register");
        }
        return;
    case STATE_SERVING:
        if (nNowMs < m_nNextPingMs) {
            return;
        }
        if (m_nPingPacketID != 0) {
            Lose("no answer to a ping");
            return;
        }
        m_nPingPacketID = m_nNextPacketID++;
        m_stWriter.Clear();
        m_stWriter.WritePing(m_nSessionID, m_nPingPacketID);
        m_nNextPingMs = nNowMs + m_stTimings.nPingIntervalMs;
        Flush();
        return;
    default:
        return;
    }
}

bool CAgentXSession::Flush() {
    const uint8_t* pBytes = m_stWriter.Bytes().data();
    size_t nLeft = m_stWriter.Size();
    long long nDeadlineMs = NowMs() + m_stTimings.nSendTimeoutMs;
    while (nLeft > 0) {
        ssize_t nSent = send(m_iSocket, pBytes, nLeft, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (nSent > 0) {
            pBytes += nSent;
            nLeft -= static_cast<size_t>(nSent);
            continue;
        }
        if (nSent < 0 && errno == EINTR) {
            continue;
        }
        if (nSent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The master does not read: wait a bounded time, holding no lock.
            long long nLeftMs = nDeadlineMs - NowMs();
            pollfd stFd = {m_iSocket, POLLOUT, 0};
            if (nLeftMs > 0 && poll(&stFd, 1, static_cast<int>(nLeftMs)) > 0) {
                continue;
            }
            m_stWriter.Clear();
            Lose("the master takes no answers");
            return false;
        }
        m_stWriter.Clear();
        Lose(nSent < 0 ? strerror(errno) : "nothing sent");
        return false;
    }
    m_stWriter.Clear();
    return true;
}
