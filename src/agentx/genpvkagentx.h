// The daemon's AgentX front end (qbz_korvodsnmpagent -x ADDRESS): beside the
// shared-memory block, the daemon is a subagent of snmpd's AgentX master at
// ADDRESS, registers each definition's OID prefix and answers the master's
// requests through the same dispatch as the block. One thread of its own
// talks to the master; the block's loop and that thread take turns at the
// dispatch under one lock, which neither holds while it waits for a peer.
#ifndef KORVO_GENPVKAGENTX_H
#define KORVO_GENPVKAGENTX_H

#include "agentxpdu.h"
#include "dispatch/genpvkdispatch.h"

#include <string>
#include <vector>

// Longest ADDRESS taken from the command line.
const size_t AGENTX_ADDRESS_SIZE = 256;

// Seconds between two pings of the master, and between two tries to reach a
// master that is not there.
const int AGENTX_PING_INTERVAL_S = 5;
const int AGENTX_RETRY_INTERVAL_S = 1;

// Longest wait for the master's answer to our Open and Register, and for the
// master to take what we send, in milliseconds.
const int AGENTX_ANSWER_TIMEOUT_MS = 5000;
const int AGENTX_SEND_TIMEOUT_MS = 1000;

// The session's timings, in milliseconds (tests shorten them).
struct AgentXTimings {
    int nPingIntervalMs = AGENTX_PING_INTERVAL_S * 1000;
    int nRetryIntervalMs = AGENTX_RETRY_INTERVAL_S * 1000;
    int nAnswerTimeoutMs = AGENTX_ANSWER_TIMEOUT_MS;
    int nSendTimeoutMs = AGENTX_SEND_TIMEOUT_MS;
};

// Where the master listens, as net-snmp writes an AgentX address: a Unix
// socket path (/var/agentx/master, or unix:/var/agentx/master) or
// tcp:HOST:PORT (HOST may be [IPv6]).
struct AgentXAddress {
    bool bUnix = true;
    std::string strPath;
    std::string strHost;
    std::string strPort;
};

// Parses an address; false for anything that is not one of the forms above
// or whose path does not fit a Unix socket address.
bool ParseAgentXAddress(const char* pszText, AgentXAddress& stAddress);

// Takes "-x ADDRESS" out of the arguments, wherever it stands, and keeps
// ADDRESS for StartAgentX; the other arguments close up in order. Without
// -x nothing changes. False, with a line on standard error, for a -x without
// an address, a second -x, or an address ParseAgentXAddress refuses.
bool TakeAgentXOption(int& argc, char** argv);

// The address taken by the last TakeAgentXOption, or "" without -x.
const char* GetAgentXAddress();

// Starts the front end's thread when -x was given: true when it runs (the
// block's loop must then dispatch with SerialisedPopulateValue), false when
// there is no front end. A master that is not there is no failure: the
// thread keeps trying.
bool StartAgentX();

// Ends the front end's thread (closing the session to the master) if it
// runs; returns within about AGENTX_SEND_TIMEOUT_MS plus one dispatch.
void StopAgentX();

// PopulateValue under the dispatch lock: the block's loop uses it while the
// front end runs. Refuses (noSuchName) while the agent is not ready.
UINT SerialisedPopulateValue(RFC1157VarBind* pBinding, UINT nAction);

// The checks of a set (163) as its write would make them, without the write,
// under the dispatch lock.
UINT SerialisedCheckSet(RFC1157VarBind* pBinding, UINT nAction);

// The subtrees the front end registers: each library entry's OID prefix,
// each once.
std::vector<AgentXOid> AgentXSubtrees();

class CAgentXResponder;

// One subagent's connection to the master: connects, opens the session,
// registers the subtrees, answers the master's requests, pings it, and
// starts over when it is lost. Runs on the calling thread until the stop
// flag is set and iWakeFd becomes readable.
class CAgentXSession {
  public:
    CAgentXSession(const AgentXAddress& stAddress, const std::string& strAddressText,
                   const std::vector<AgentXOid>& vSubtrees, CAgentXResponder& stResponder,
                   const AgentXTimings& stTimings = AgentXTimings());
    ~CAgentXSession();
    CAgentXSession(const CAgentXSession&) = delete;
    CAgentXSession& operator=(const CAgentXSession&) = delete;

    // Serves until *pbStop is true (looked at whenever iWakeFd becomes
    // readable); then closes the session with reason shutdown.
    void Run(const volatile bool* pbStop, int iWakeFd);

    // Whether every subtree has been answered by the master (test hook).
    bool IsServing() const { return m_nState == STATE_SERVING; }

  private:
    enum State { STATE_DISCONNECTED, STATE_OPENING, STATE_REGISTERING, STATE_SERVING };

    void TryConnect(long long nNowMs);
    int ConnectSocket(std::string& strError) const;
    void Lose(const char* pszReason);
    // Reads what the master sent and answers it; false when the session is
    // lost meanwhile (Lose has run).
    bool ReadAndServe(long long nNowMs);
    bool ServePdu(const AgentXHeader& stHeader, const uint8_t* pPayload, long long nNowMs);
    void TakeResponse(const AgentXPdu& stPdu, long long nNowMs);
    void RegisterSubtrees(long long nNowMs);
    void SubtreeAnswered(size_t nSubtree, uint16_t nError, long long nNowMs);
    void RunTimers(long long nNowMs);
    // Sends what the writer holds; false when the master does not take it
    // within AGENTX_SEND_TIMEOUT_MS (Lose has run).
    bool Flush();
    int PollTimeoutMs(long long nNowMs) const;
    int RetrySeconds() const;

    AgentXAddress m_stAddress;
    std::string m_strAddressText;
    std::vector<AgentXOid> m_vSubtrees;
    CAgentXResponder& m_stResponder;
    AgentXTimings m_stTimings;

    State m_nState = STATE_DISCONNECTED;
    int m_iSocket = -1;
    uint32_t m_nSessionID = 0;
    uint32_t m_nNextPacketID = 1;
    uint32_t m_nOpenPacketID = 0;
    std::vector<uint32_t> m_vRegisterPacketIDs; // per subtree, 0 once answered
    size_t m_nRegistered = 0;
    size_t m_nUnanswered = 0;
    uint32_t m_nPingPacketID = 0; // 0 when no ping is outstanding

    long long m_nNextAttemptMs = 0;
    long long m_nDeadlineMs = 0; // of the Open or Register answers
    long long m_nNextPingMs = 0;
    bool m_bEverServed = false;   // a session was once open: a loss is logged
    bool m_bOutageLogged = false; // the current outage has been logged

    std::vector<uint8_t> m_vInput;
    size_t m_nInput = 0;
    AgentXPdu m_stPdu;
    CAgentXWriter m_stWriter;
};

#endif // KORVO_GENPVKAGENTX_H
