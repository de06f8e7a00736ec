// AgentX PDUs: the reader of what the master sends and the writer of what the
// subagent sends.
#include "agentxpdu.h"

#include <cstring>

namespace {

// The 1.3.6.1 of an identifier's short form (RFC 2741, 5.1).
const uint32_t INTERNET_PREFIX[] = {1, 3, 6, 1};
const uint32_t INTERNET_PREFIX_IDS = 4;

// A cursor over a payload, in the byte order the header gives. Every read
// checks that the bytes are there; a failed read leaves the cursor failed.
class CPayloadCursor {
  public:
    CPayloadCursor(const uint8_t* pBytes, size_t nSize, bool bNetworkOrder)
        : m_pBytes(pBytes), m_nSize(nSize), m_bNetworkOrder(bNetworkOrder) {}

    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_nPos == m_nSize; }

    uint8_t Byte() {
        if (!Need(1)) {
            return 0;
        }
        return m_pBytes[m_nPos++];
    }

    uint16_t UInt16() {
        if (!Need(2)) {
            return 0;
        }
        const uint8_t* p = m_pBytes + m_nPos;
        m_nPos += 2;
        return m_bNetworkOrder ? static_cast<uint16_t>((p[0] << 8) | p[1])
                               : static_cast<uint16_t>((p[1] << 8) | p[0]);
    }

    uint32_t UInt32() {
        if (!Need(4)) {
            return 0;
        }
        const uint8_t* p = m_pBytes + m_nPos;
        m_nPos += 4;
        if (m_bNetworkOrder) {
            return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
        }
        return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }

    void Skip(size_t nBytes) {
        if (Need(nBytes)) {
            m_nPos += nBytes;
        }
    }

    // An object identifier; a longer one than AGENTX_MAX_OID_IDS fails.
    void Oid(AgentXOid& stOid) {
        uint8_t nSubIDs = Byte();
        uint8_t nPrefix = Byte();
        uint8_t nInclude = Byte();
        Byte(); // reserved
        if (!m_bOk) {
            return;
        }
        uint32_t nLength = 0;
        if (nPrefix != 0) {
            if (nSubIDs + INTERNET_PREFIX_IDS + 1 > AGENTX_MAX_OID_IDS) {
                Fail();
                return;
            }
            memcpy(stOid.aIds, INTERNET_PREFIX, sizeof(INTERNET_PREFIX));
            stOid.aIds[INTERNET_PREFIX_IDS] = nPrefix;
            nLength = INTERNET_PREFIX_IDS + 1;
        } else if (nSubIDs > AGENTX_MAX_OID_IDS) {
            Fail();
            return;
        }
        for (uint8_t i = 0; i < nSubIDs && m_bOk; ++i) {
            stOid.aIds[nLength++] = UInt32();
        }
        stOid.nLength = m_bOk ? nLength : 0;
        stOid.bInclude = nInclude != 0;
    }

    // An octet string: its bytes stay in the payload.
    void Octets(const uint8_t*& pOctets, uint32_t& nLength) {
        nLength = UInt32();
        size_t nPadded = (static_cast<size_t>(nLength) + 3) & ~static_cast<size_t>(3);
        if (!m_bOk || !Need(nPadded)) {
            nLength = 0;
            pOctets = nullptr;
            return;
        }
        pOctets = m_pBytes + m_nPos;
        m_nPos += nPadded;
    }

    void Fail() { m_bOk = false; }

  private:
    bool Need(size_t nBytes) {
        if (!m_bOk || m_nSize - m_nPos < nBytes) {
            m_bOk = false;
            return false;
        }
        return true;
    }

    const uint8_t* m_pBytes;
    size_t m_nSize;
    size_t m_nPos = 0;
    bool m_bNetworkOrder;
    bool m_bOk = true;
};

// The context of a PDU that names one; only its presence is kept.
void ReadContext(CPayloadCursor& stCursor, AgentXPdu& stPdu) {
    stPdu.bNonDefaultContext = (stPdu.stHeader.nFlags & AGENTX_FLAG_NON_DEFAULT_CONTEXT) != 0;
    if (stPdu.bNonDefaultContext) {
        const uint8_t* pContext = nullptr;
        uint32_t nContext = 0;
        stCursor.Octets(pContext, nContext);
    }
}

// Reads items to the end of the payload, each with pfnReadItem; more than
// AGENTX_MAX_BINDINGS of them is a protocol error.
template <class T>
void ReadItemsToEnd(CPayloadCursor& stCursor, std::vector<T>& vItems,
                    void (*pfnReadItem)(CPayloadCursor&, T&)) {
    while (stCursor.Ok() && !stCursor.AtEnd()) {
        if (vItems.size() >= AGENTX_MAX_BINDINGS) {
            stCursor.Fail();
            return;
        }
        vItems.emplace_back();
        pfnReadItem(stCursor, vItems.back());
    }
}

void ReadSearchRange(CPayloadCursor& stCursor, AgentXSearchRange& stRange) {
    stCursor.Oid(stRange.stStart);
    stCursor.Oid(stRange.stEnd);
}

void ReadSearchRanges(CPayloadCursor& stCursor, AgentXPdu& stPdu) {
    ReadItemsToEnd(stCursor, stPdu.vRanges, ReadSearchRange);
}

void ReadVarBindValue(CPayloadCursor& stCursor, AgentXVarBind& stVarBind) {
    switch (stVarBind.nType) {
    case AGENTX_TYPE_INTEGER:
        stVarBind.nInteger = static_cast<int32_t>(stCursor.UInt32());
        return;
    case AGENTX_TYPE_COUNTER32:
    case AGENTX_TYPE_GAUGE32:
    case AGENTX_TYPE_TIMETICKS:
        stCursor.UInt32();
        return;
    case AGENTX_TYPE_COUNTER64:
        stCursor.Skip(8);
        return;
    case AGENTX_TYPE_OCTET_STRING:
    case AGENTX_TYPE_OPAQUE:
    case AGENTX_TYPE_IPADDRESS:
        stCursor.Octets(stVarBind.pOctets, stVarBind.nOctets);
        return;
    case AGENTX_TYPE_OBJECT_ID: {
        AgentXOid stValue;
        stCursor.Oid(stValue);
        return;
    }
    case AGENTX_TYPE_NULL:
    case AGENTX_TYPE_NOSUCHOBJECT:
    case AGENTX_TYPE_NOSUCHINSTANCE:
    case AGENTX_TYPE_ENDOFMIBVIEW:
        return;
    default:
        stCursor.Fail(); // the value's size is unknown
        return;
    }
}

void ReadVarBind(CPayloadCursor& stCursor, AgentXVarBind& stVarBind) {
    stVarBind.nType = stCursor.UInt16();
    stCursor.UInt16(); // reserved
    stCursor.Oid(stVarBind.stName);
    ReadVarBindValue(stCursor, stVarBind);
}

void ReadVarBinds(CPayloadCursor& stCursor, AgentXPdu& stPdu) {
    ReadItemsToEnd(stCursor, stPdu.vVarBinds, ReadVarBind);
}

void PutUInt32(uint8_t* p, uint32_t nValue) {
    p[0] = static_cast<uint8_t>(nValue >> 24);
    p[1] = static_cast<uint8_t>(nValue >> 16);
    p[2] = static_cast<uint8_t>(nValue >> 8);
    p[3] = static_cast<uint8_t>(nValue);
}

} // namespace

int CompareIdSequences(const uint32_t* pLeft, uint32_t nLeft, const uint32_t* pRight,
                       uint32_t nRight) {
    uint32_t nCommon = nLeft < nRight ? nLeft : nRight;
    for (uint32_t i = 0; i < nCommon; ++i) {
        if (pLeft[i] != pRight[i]) {
            return pLeft[i] < pRight[i] ? -1 : 1;
        }
    }
    if (nLeft == nRight) {
        return 0;
    }
    return nLeft < nRight ? -1 : 1;
}

int CompareAgentXOid(const AgentXOid& stLeft, const AgentXOid& stRight) {
    return CompareIdSequences(stLeft.aIds, stLeft.nLength, stRight.aIds, stRight.nLength);
}

bool IsAgentXOidUnder(const AgentXOid& stOid, const AgentXOid& stSubtree) {
    if (stOid.nLength < stSubtree.nLength) {
        return false;
    }
    return memcmp(stOid.aIds, stSubtree.aIds, stSubtree.nLength * sizeof(uint32_t)) == 0;
}

bool ReadAgentXHeader(const uint8_t* pBytes, size_t nSize, AgentXHeader& stHeader) {
    if (nSize < AGENTX_HEADER_SIZE) {
        return false;
    }
    stHeader.nVersion = pBytes[0];
    stHeader.nType = pBytes[1];
    stHeader.nFlags = pBytes[2];
    CPayloadCursor stCursor(pBytes + 4, AGENTX_HEADER_SIZE - 4,
                            (stHeader.nFlags & AGENTX_FLAG_NETWORK_BYTE_ORDER) != 0);
    stHeader.nSessionID = stCursor.UInt32();
    stHeader.nTransactionID = stCursor.UInt32();
    stHeader.nPacketID = stCursor.UInt32();
    stHeader.nPayloadLength = stCursor.UInt32();
    return stHeader.nVersion == AGENTX_VERSION && stHeader.nPayloadLength % 4 == 0 &&
           stHeader.nPayloadLength <= AGENTX_MAX_PAYLOAD;
}

bool ReadAgentXPdu(const AgentXHeader& stHeader, const uint8_t* pPayload, AgentXPdu& stPdu) {
    stPdu.stHeader = stHeader;
    stPdu.bNonDefaultContext = false;
    stPdu.nNonRepeaters = 0;
    stPdu.nMaxRepetitions = 0;
    stPdu.nCloseReason = 0;
    stPdu.nSysUpTime = 0;
    stPdu.nError = 0;
    stPdu.nIndex = 0;
    stPdu.vRanges.clear();
    stPdu.vVarBinds.clear();
    CPayloadCursor stCursor(pPayload, stHeader.nPayloadLength,
                            (stHeader.nFlags & AGENTX_FLAG_NETWORK_BYTE_ORDER) != 0);
    switch (stHeader.nType) {
    case AGENTX_GET:
    case AGENTX_GETNEXT:
        ReadContext(stCursor, stPdu);
        ReadSearchRanges(stCursor, stPdu);
        break;
    case AGENTX_GETBULK:
        ReadContext(stCursor, stPdu);
        stPdu.nNonRepeaters = stCursor.UInt16();
        stPdu.nMaxRepetitions = stCursor.UInt16();
        ReadSearchRanges(stCursor, stPdu);
        break;
    case AGENTX_TESTSET:
        ReadContext(stCursor, stPdu);
        ReadVarBinds(stCursor, stPdu);
        break;
    case AGENTX_PING:
        ReadContext(stCursor, stPdu);
        break;
    case AGENTX_CLOSE:
        stPdu.nCloseReason = stCursor.Byte();
        stCursor.Skip(3);
        break;
    case AGENTX_RESPONSE:
        stPdu.nSysUpTime = stCursor.UInt32();
        stPdu.nError = stCursor.UInt16();
        stPdu.nIndex = stCursor.UInt16();
        ReadVarBinds(stCursor, stPdu);
        break;
    default:
        // CommitSet, UndoSet, CleanupSet carry nothing; other types are
        // answered by their type alone.
        break;
    }
    return stCursor.Ok();
}

void CAgentXWriter::BeginPdu(uint8_t nType, uint8_t nFlags, uint32_t nSessionID,
                             uint32_t nTransactionID, uint32_t nPacketID) {
    m_nPduStart = m_vBuffer.size();
    AppendByte(AGENTX_VERSION);
    AppendByte(nType);
    AppendByte(static_cast<uint8_t>(nFlags | AGENTX_FLAG_NETWORK_BYTE_ORDER));
    AppendByte(0);
    AppendUInt32(nSessionID);
    AppendUInt32(nTransactionID);
    AppendUInt32(nPacketID);
    AppendUInt32(0); // payload length, filled in by EndPdu
}

void CAgentXWriter::EndPdu() {
    size_t nPayload = m_vBuffer.size() - m_nPduStart - AGENTX_HEADER_SIZE;
    PutUInt32(&m_vBuffer[m_nPduStart + 16], static_cast<uint32_t>(nPayload));
}

void CAgentXWriter::AppendByte(uint8_t nValue) {
    m_vBuffer.push_back(nValue);
}

void CAgentXWriter::AppendUInt16(uint16_t nValue) {
    m_vBuffer.push_back(static_cast<uint8_t>(nValue >> 8));
    m_vBuffer.push_back(static_cast<uint8_t>(nValue));
}

void CAgentXWriter::AppendUInt32(uint32_t nValue) {
    size_t nAt = m_vBuffer.size();
    m_vBuffer.resize(nAt + 4);
    PutUInt32(&m_vBuffer[nAt], nValue);
}

void CAgentXWriter::AppendOid(const uint32_t* pIds, uint32_t nLength, bool bInclude) {
    if (nLength > AGENTX_MAX_OID_IDS) {
        nLength = AGENTX_MAX_OID_IDS;
    }
    bool bShort = nLength > INTERNET_PREFIX_IDS && pIds[INTERNET_PREFIX_IDS] != 0 &&
                  pIds[INTERNET_PREFIX_IDS] < 256 &&
                  memcmp(pIds, INTERNET_PREFIX, sizeof(INTERNET_PREFIX)) == 0;
    uint32_t nSkip = bShort ? INTERNET_PREFIX_IDS + 1 : 0;
    AppendByte(static_cast<uint8_t>(nLength - nSkip));
    AppendByte(bShort ? static_cast<uint8_t>(pIds[INTERNET_PREFIX_IDS]) : 0);
    AppendByte(bInclude ? 1 : 0);
    AppendByte(0);
    size_t nAt = m_vBuffer.size();
    m_vBuffer.resize(nAt + 4 * static_cast<size_t>(nLength - nSkip));
    for (uint32_t i = nSkip; i < nLength; ++i, nAt += 4) {
        PutUInt32(&m_vBuffer[nAt], pIds[i]);
    }
}

void CAgentXWriter::AppendOctets(const uint8_t* pOctets, uint32_t nLength) {
    AppendUInt32(nLength);
    size_t nAt = m_vBuffer.size();
    size_t nPadded = (static_cast<size_t>(nLength) + 3) & ~static_cast<size_t>(3);
    m_vBuffer.resize(nAt + nPadded, 0);
    if (nLength > 0) {
        memcpy(&m_vBuffer[nAt], pOctets, nLength);
    }
}

void CAgentXWriter::AppendIntegerVarBind(const uint32_t* pIds, uint32_t nLength, int32_t nValue) {
    AppendUInt16(AGENTX_TYPE_INTEGER);
    AppendUInt16(0);
    AppendOid(pIds, nLength, false);
    AppendUInt32(static_cast<uint32_t>(nValue));
}

void CAgentXWriter::AppendOctetsVarBind(const uint32_t* pIds, uint32_t nLength,
                                        const uint8_t* pOctets, uint32_t nOctets) {
    AppendUInt16(AGENTX_TYPE_OCTET_STRING);
    AppendUInt16(0);
    AppendOid(pIds, nLength, false);
    AppendOctets(pOctets, nOctets);
}

void CAgentXWriter::AppendExceptionVarBind(const AgentXOid& stName, uint16_t nException) {
    AppendUInt16(nException);
    AppendUInt16(0);
    AppendOid(stName.aIds, stName.nLength, false);
}

void CAgentXWriter::WriteOpen(uint32_t nPacketID, uint8_t nTimeout, const char* pszDescription) {
    BeginPdu(AGENTX_OPEN, 0, 0, 0, nPacketID);
    AppendByte(nTimeout);
    AppendByte(0);
    AppendUInt16(0);
    AppendOid(nullptr, 0, false); // no identifier of our own
    AppendOctets(reinterpret_cast<const uint8_t*>(pszDescription),
                 static_cast<uint32_t>(strlen(pszDescription)));
    EndPdu();
}

void CAgentXWriter::WriteRegister(uint32_t nSessionID, uint32_t nPacketID, uint8_t nTimeout,
                                  uint8_t nPriority, const uint32_t* pIds, uint32_t nLength) {
    BeginPdu(AGENTX_REGISTER, 0, nSessionID, 0, nPacketID);
    AppendByte(nTimeout);
    AppendByte(nPriority);
    AppendByte(0); // range_subid: a plain subtree
    AppendByte(0);
    AppendOid(pIds, nLength, false);
    EndPdu();
}

void CAgentXWriter::WritePing(uint32_t nSessionID, uint32_t nPacketID) {
    BeginPdu(AGENTX_PING, 0, nSessionID, 0, nPacketID);
    EndPdu();
}

void CAgentXWriter::WriteClose(uint32_t nSessionID, uint32_t nPacketID, uint8_t nReason) {
    BeginPdu(AGENTX_CLOSE, 0, nSessionID, 0, nPacketID);
    AppendByte(nReason);
    AppendByte(0);
    AppendUInt16(0);
    EndPdu();
}

void CAgentXWriter::BeginResponse(const AgentXHeader& stRequest, uint16_t nError, uint16_t nIndex) {
    BeginPdu(AGENTX_RESPONSE, 0, stRequest.nSessionID, stRequest.nTransactionID,
             stRequest.nPacketID);
    AppendUInt32(0); // sysUpTime: a subagent's is not used
    AppendUInt16(nError);
    AppendUInt16(nIndex);
}
