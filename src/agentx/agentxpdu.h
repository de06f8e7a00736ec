// AgentX (RFC 2741) protocol data units as a subagent sees them: reading the
// PDUs snmpd's master sends (Get, GetNext, GetBulk, the four set phases,
// Close, and the Responses to our own PDUs) and writing the PDUs a subagent
// sends (Open, Register, Ping, Close, Response). No input is trusted: every
// length is checked against the bytes that are there, and what does not fit
// the fixed capacities below is refused as a parse error.
#ifndef KORVO_AGENTXPDU_H
#define KORVO_AGENTXPDU_H

#include <cstddef>
#include <cstdint>
#include <vector>

const uint8_t AGENTX_VERSION = 1;
const size_t AGENTX_HEADER_SIZE = 20;

// Longest payload taken from the master; a longer one is a protocol error.
const uint32_t AGENTX_MAX_PAYLOAD = 65536;

// Most sub-identifiers of an AgentX object identifier (RFC 2741, 5.1).
const unsigned AGENTX_MAX_OID_IDS = 128;

// Most search ranges or variable bindings one request may carry.
const size_t AGENTX_MAX_BINDINGS = 1024;

enum AgentXPduType : uint8_t {
    AGENTX_OPEN = 1,
    AGENTX_CLOSE = 2,
    AGENTX_REGISTER = 3,
    AGENTX_UNREGISTER = 4,
    AGENTX_GET = 5,
    AGENTX_GETNEXT = 6,
    AGENTX_GETBULK = 7,
    AGENTX_TESTSET = 8,
    AGENTX_COMMITSET = 9,
    AGENTX_UNDOSET = 10,
    AGENTX_CLEANUPSET = 11,
    AGENTX_NOTIFY = 12,
    AGENTX_PING = 13,
    AGENTX_INDEXALLOCATE = 14,
    AGENTX_INDEXDEALLOCATE = 15,
    AGENTX_ADDAGENTCAPS = 16,
    AGENTX_REMOVEAGENTCAPS = 17,
    AGENTX_RESPONSE = 18,
};

// Header flags.
const uint8_t AGENTX_FLAG_INSTANCE_REGISTRATION = 0x01;
const uint8_t AGENTX_FLAG_NON_DEFAULT_CONTEXT = 0x08;
const uint8_t AGENTX_FLAG_NETWORK_BYTE_ORDER = 0x10;

// Value types of a variable binding.
enum AgentXValueType : uint16_t {
    AGENTX_TYPE_INTEGER = 2,
    AGENTX_TYPE_OCTET_STRING = 4,
    AGENTX_TYPE_NULL = 5,
    AGENTX_TYPE_OBJECT_ID = 6,
    AGENTX_TYPE_IPADDRESS = 64,
    AGENTX_TYPE_COUNTER32 = 65,
    AGENTX_TYPE_GAUGE32 = 66,
    AGENTX_TYPE_TIMETICKS = 67,
    AGENTX_TYPE_OPAQUE = 68,
    AGENTX_TYPE_COUNTER64 = 70,
    AGENTX_TYPE_NOSUCHOBJECT = 128,
    AGENTX_TYPE_NOSUCHINSTANCE = 129,
    AGENTX_TYPE_ENDOFMIBVIEW = 130,
};

// res.error of a Response: the SNMP error statuses and AgentX's own.
enum AgentXError : uint16_t {
    AGENTX_ERR_NOERROR = 0,
    AGENTX_ERR_GENERR = 5,
    AGENTX_ERR_WRONGTYPE = 7,
    AGENTX_ERR_WRONGLENGTH = 8,
    AGENTX_ERR_WRONGVALUE = 10,
    AGENTX_ERR_UNDOFAILED = 15,
    AGENTX_ERR_NOTWRITABLE = 17,
    AGENTX_ERR_OPENFAILED = 256,
    AGENTX_ERR_NOTOPEN = 257,
    AGENTX_ERR_UNSUPPORTEDCONTEXT = 262,
    AGENTX_ERR_DUPLICATEREGISTRATION = 263,
    AGENTX_ERR_PARSEERROR = 266,
    AGENTX_ERR_REQUESTDENIED = 267,
    AGENTX_ERR_PROCESSINGERROR = 268,
};

// Reasons of a Close.
enum AgentXCloseReason : uint8_t {
    AGENTX_CLOSE_OTHER = 1,
    AGENTX_CLOSE_PARSEERROR = 2,
    AGENTX_CLOSE_PROTOCOLERROR = 3,
    AGENTX_CLOSE_TIMEOUTS = 4,
    AGENTX_CLOSE_SHUTDOWN = 5,
    AGENTX_CLOSE_BYMANAGER = 6,
};

struct AgentXHeader {
    uint8_t nVersion = AGENTX_VERSION;
    uint8_t nType = 0;
    uint8_t nFlags = 0;
    uint32_t nSessionID = 0;
    uint32_t nTransactionID = 0;
    uint32_t nPacketID = 0;
    uint32_t nPayloadLength = 0;
};

// An object identifier with its include flag (significant in the start of a
// search range only).
struct AgentXOid {
    uint32_t nLength = 0;
    bool bInclude = false;
    uint32_t aIds[AGENTX_MAX_OID_IDS];
};

// Lexicographic order of two identifiers: <0, 0, >0.
int CompareAgentXOid(const AgentXOid& stLeft, const AgentXOid& stRight);
// The same order of two sequences of sub-identifiers.
int CompareIdSequences(const uint32_t* pLeft, uint32_t nLeft, const uint32_t* pRight,
                       uint32_t nRight);

// True when stOid lies at or below stSubtree.
bool IsAgentXOidUnder(const AgentXOid& stOid, const AgentXOid& stSubtree);

// One search range of a Get, GetNext or GetBulk: the end is empty (length 0)
// when the range has no upper bound.
struct AgentXSearchRange {
    AgentXOid stStart;
    AgentXOid stEnd;
};

// One variable binding of a TestSet. The octets point into the PDU's
// payload and are valid as long as it is.
struct AgentXVarBind {
    uint16_t nType = AGENTX_TYPE_NULL;
    AgentXOid stName;
    int32_t nInteger = 0; // INTEGER
    const uint8_t* pOctets = nullptr;
    uint32_t nOctets = 0; // OCTET STRING, Opaque, IpAddress
};

// What one PDU from the master says. The vectors keep their capacity from
// one PDU to the next.
struct AgentXPdu {
    AgentXHeader stHeader;
    bool bNonDefaultContext = false;
    uint16_t nNonRepeaters = 0;             // GetBulk
    uint16_t nMaxRepetitions = 0;           // GetBulk
    uint8_t nCloseReason = 0;               // Close
    uint32_t nSysUpTime = 0;                // Response
    uint16_t nError = 0;                    // Response
    uint16_t nIndex = 0;                    // Response
    std::vector<AgentXSearchRange> vRanges; // Get, GetNext, GetBulk
    std::vector<AgentXVarBind> vVarBinds;   // TestSet, Response
};

// Reads a header from nSize bytes (at least AGENTX_HEADER_SIZE). False when
// it is not an AgentX version 1 header whose payload length is a multiple of
// 4 and at most AGENTX_MAX_PAYLOAD: the stream can then not be followed.
bool ReadAgentXHeader(const uint8_t* pBytes, size_t nSize, AgentXHeader& stHeader);

// Reads the payload of a PDU whose header has been read. False when the
// payload does not hold what its type needs (a parse error); a type this
// reader does not know reads as an empty PDU.
bool ReadAgentXPdu(const AgentXHeader& stHeader, const uint8_t* pPayload, AgentXPdu& stPdu);

// Writes PDUs, always in network byte order, one after the other into one
// buffer that the caller sends as a whole.
class CAgentXWriter {
  public:
    // Starts a PDU; its payload length is filled in by EndPdu.
    void BeginPdu(uint8_t nType, uint8_t nFlags, uint32_t nSessionID, uint32_t nTransactionID,
                  uint32_t nPacketID);
    void EndPdu();

    void AppendByte(uint8_t nValue);
    void AppendUInt16(uint16_t nValue);
    void AppendUInt32(uint32_t nValue);
    // n_subid, prefix, include, reserved, then the sub-identifiers; an
    // identifier under 1.3.6.1.N (N < 256) is written in its short form.
    void AppendOid(const uint32_t* pIds, uint32_t nLength, bool bInclude);
    void AppendOid(const AgentXOid& stOid) { AppendOid(stOid.aIds, stOid.nLength, stOid.bInclude); }
    // Length, the octets, and padding to a multiple of 4.
    void AppendOctets(const uint8_t* pOctets, uint32_t nLength);

    // Variable bindings of a Response.
    void AppendIntegerVarBind(const uint32_t* pIds, uint32_t nLength, int32_t nValue);
    void AppendOctetsVarBind(const uint32_t* pIds, uint32_t nLength, const uint8_t* pOctets,
                             uint32_t nOctets);
    void AppendExceptionVarBind(const AgentXOid& stName, uint16_t nException);

    // The common PDUs.
    void WriteOpen(uint32_t nPacketID, uint8_t nTimeout, const char* pszDescription);
    void WriteRegister(uint32_t nSessionID, uint32_t nPacketID, uint8_t nTimeout, uint8_t nPriority,
                       const uint32_t* pIds, uint32_t nLength);
    void WritePing(uint32_t nSessionID, uint32_t nPacketID);
    void WriteClose(uint32_t nSessionID, uint32_t nPacketID, uint8_t nReason);
    // A Response's header and fixed fields, answering stRequest; variable
    // bindings follow, then EndPdu.
    void BeginResponse(const AgentXHeader& stRequest, uint16_t nError, uint16_t nIndex);

    const std::vector<uint8_t>& Bytes() const { return m_vBuffer; }
    size_t Size() const { return m_vBuffer.size(); }
    // Drops what has been sent; keeps the buffer's capacity.
    void Clear() { m_vBuffer.clear(); }
    // Drops the bytes from nSize on (an unfinished PDU).
    void Truncate(size_t nSize) { m_vBuffer.resize(nSize); }

  private:
    std::vector<uint8_t> m_vBuffer;
    size_t m_nPduStart = 0;
};

#endif // KORVO_AGENTXPDU_H
