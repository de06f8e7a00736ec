// Shared helpers of the AgentX tests: a small MIB that a dispatch of the
// test's own serves, the master's request PDUs, and the reading of the
// Responses the front end writes.
#ifndef KORVO_AGENTXTESTUTIL_H
#define KORVO_AGENTXTESTUTIL_H

#include "agentx/agentxpdu.h"
#include "platform/snmpapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

typedef std::vector<uint32_t> OidVector;

// One object of the test's MIB: an integer or a text; writable or not.
struct FakeObject {
    bool bText = false;
    int32_t nInteger = 0;
    std::string strText;
    bool bWritable = false;
};

// The MIB the fake dispatch serves, and what it saw.
struct FakeMib {
    std::map<OidVector, FakeObject> mObjects;
    std::vector<std::string> vCalls; // "get OID", "next OID", "set OID", "check OID"
    std::string strLastSetBytes;     // all `length` bytes of the last text set
    int32_t nLastSetInteger = 0;
    // A get or get-next of exactly this OID answers wrongly with this one.
    OidVector vQuirkFrom, vQuirkAnswer;
};

extern FakeMib g_stFakeMib;

inline std::string FakeOidText(const uint32_t* pIds, UINT nLength) {
    std::string strText;
    for (UINT i = 0; i < nLength; ++i) {
        strText += "." + std::to_string(pIds[i]);
    }
    return strText;
}

inline OidVector Oid(const char* pszText) {
    OidVector vOid;
    const char* p = pszText;
    while (*p) {
        if (*p == '.') {
            ++p;
            continue;
        }
        char* pEnd = nullptr;
        vOid.push_back(static_cast<uint32_t>(strtoul(p, &pEnd, 10)));
        p = pEnd;
    }
    return vOid;
}

inline AgentXOid ToAgentX(const OidVector& vOid, bool bInclude = false) {
    AgentXOid stOid;
    stOid.nLength = static_cast<uint32_t>(vOid.size());
    stOid.bInclude = bInclude;
    for (size_t i = 0; i < vOid.size(); ++i) {
        stOid.aIds[i] = vOid[i];
    }
    return stOid;
}

inline OidVector FromAgentX(const AgentXOid& stOid) {
    return OidVector(stOid.aIds, stOid.aIds + stOid.nLength);
}

inline void FakeAnswer(RFC1157VarBind* pBinding, const OidVector& vName,
                       const FakeObject& stObject) {
    pBinding->name.idLength = static_cast<UINT>(vName.size());
    memcpy(pBinding->name.ids, vName.data(), vName.size() * sizeof(uint32_t));
    if (stObject.bText) {
        UINT nLength = static_cast<UINT>(stObject.strText.size());
        BYTE* pCopy = static_cast<BYTE*>(SnmpUtilMemAlloc(nLength + 1));
        memcpy(pCopy, stObject.strText.data(), nLength);
        pBinding->value.asnType = ASN_OCTETSTRING;
        pBinding->value.asnValue.string = {pCopy, nLength, 1};
    } else {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = stObject.nInteger;
    }
}

inline UINT FakeSet(RFC1157VarBind* pBinding, bool bWrite) {
    OidVector vName(pBinding->name.ids, pBinding->name.ids + pBinding->name.idLength);
    auto it = g_stFakeMib.mObjects.find(vName);
    if (it == g_stFakeMib.mObjects.end() || !it->second.bWritable) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    bool bText = pBinding->value.asnType == ASN_OCTETSTRING;
    if (bText != it->second.bText) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (!bWrite) {
        return SNMP_STATUS_NOERROR;
    }
    if (bText) {
        const AsnOctetString& stString = pBinding->value.asnValue.string;
        g_stFakeMib.strLastSetBytes.assign(reinterpret_cast<char*>(stString.stream),
                                           stString.length);
        it->second.strText = g_stFakeMib.strLastSetBytes.c_str();
    } else {
        // 999 is a value the library refuses when it is written.
        if (pBinding->value.asnValue.number == 999) {
            return SNMP_STATUS_BADVALUE;
        }
        g_stFakeMib.nLastSetInteger = static_cast<int32_t>(pBinding->value.asnValue.number);
        it->second.nInteger = g_stFakeMib.nLastSetInteger;
    }
    return SNMP_STATUS_NOERROR;
}

inline UINT FakeDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    OidVector vName(pBinding->name.ids, pBinding->name.ids + pBinding->name.idLength);
    std::string strName = FakeOidText(vName.data(), static_cast<UINT>(vName.size()));
    if (nAction == SNMP_ACTION_GET) {
        g_stFakeMib.vCalls.push_back("get " + strName);
        if (!g_stFakeMib.vQuirkFrom.empty() && vName == g_stFakeMib.vQuirkFrom) {
            FakeAnswer(pBinding, g_stFakeMib.vQuirkAnswer,
                       g_stFakeMib.mObjects[g_stFakeMib.vQuirkAnswer]);
            return SNMP_STATUS_NOERROR;
        }
        auto it = g_stFakeMib.mObjects.find(vName);
        if (it == g_stFakeMib.mObjects.end()) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        FakeAnswer(pBinding, vName, it->second);
        return SNMP_STATUS_NOERROR;
    }
    if (nAction == SNMP_ACTION_GETNEXT) {
        g_stFakeMib.vCalls.push_back("next " + strName);
        if (!g_stFakeMib.vQuirkFrom.empty() && vName == g_stFakeMib.vQuirkFrom) {
            FakeAnswer(pBinding, g_stFakeMib.vQuirkAnswer,
                       g_stFakeMib.mObjects[g_stFakeMib.vQuirkAnswer]);
            return SNMP_STATUS_NOERROR;
        }
        auto it = g_stFakeMib.mObjects.upper_bound(vName);
        if (it == g_stFakeMib.mObjects.end()) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        FakeAnswer(pBinding, it->first, it->second);
        return SNMP_STATUS_NOERROR;
    }
    g_stFakeMib.vCalls.push_back("set " + strName);
    return FakeSet(pBinding, true);
}

inline UINT FakeCheckSet(RFC1157VarBind* pBinding, UINT /*nAction*/) {
    g_stFakeMib.vCalls.push_back("check " +
                                 FakeOidText(pBinding->name.ids, pBinding->name.idLength));
    return FakeSet(pBinding, false);
}

// The master's side: request PDUs in network byte order.
class CMasterPdu {
  public:
    explicit CMasterPdu(uint8_t nType, uint32_t nPacketID = 7, uint32_t nTransactionID = 3,
                        uint8_t nFlags = 0) {
        m_stWriter.BeginPdu(nType, nFlags, 42, nTransactionID, nPacketID);
    }
    CMasterPdu& Range(const char* pszStart, bool bInclude = false, const char* pszEnd = "") {
        m_stWriter.AppendOid(ToAgentX(Oid(pszStart), bInclude));
        m_stWriter.AppendOid(ToAgentX(Oid(pszEnd)));
        return *this;
    }
    CMasterPdu& IntegerVarBind(const char* pszName, int32_t nValue) {
        m_stWriter.AppendUInt16(AGENTX_TYPE_INTEGER);
        m_stWriter.AppendUInt16(0);
        m_stWriter.AppendOid(ToAgentX(Oid(pszName)));
        m_stWriter.AppendUInt32(static_cast<uint32_t>(nValue));
        return *this;
    }
    CMasterPdu& OctetsVarBind(const char* pszName, const std::string& strValue,
                              uint16_t nType = AGENTX_TYPE_OCTET_STRING) {
        m_stWriter.AppendUInt16(nType);
        m_stWriter.AppendUInt16(0);
        m_stWriter.AppendOid(ToAgentX(Oid(pszName)));
        m_stWriter.AppendOctets(reinterpret_cast<const uint8_t*>(strValue.data()),
                                static_cast<uint32_t>(strValue.size()));
        return *this;
    }
    CAgentXWriter& Writer() { return m_stWriter; }
    // The finished PDU, read back as the front end reads it.
    const AgentXPdu& Read() {
        m_stWriter.EndPdu();
        const std::vector<uint8_t>& vBytes = m_stWriter.Bytes();
        AgentXHeader stHeader;
        EXPECT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader));
        EXPECT_TRUE(ReadAgentXPdu(stHeader, vBytes.data() + AGENTX_HEADER_SIZE, m_stPdu));
        return m_stPdu;
    }

  private:
    CAgentXWriter m_stWriter;
    AgentXPdu m_stPdu;
};

// One variable binding of a Response, as text: "OID = INTEGER: 5",
// "OID = STRING: text", "OID = endOfMibView" and so on.
inline std::string VarBindText(const AgentXVarBind& stVarBind) {
    std::string strName = FakeOidText(stVarBind.stName.aIds, stVarBind.stName.nLength);
    switch (stVarBind.nType) {
    case AGENTX_TYPE_INTEGER:
        return strName + " = INTEGER: " + std::to_string(stVarBind.nInteger);
    case AGENTX_TYPE_OCTET_STRING:
        return strName + " = STRING: " +
               std::string(reinterpret_cast<const char*>(stVarBind.pOctets), stVarBind.nOctets);
    case AGENTX_TYPE_NOSUCHOBJECT:
        return strName + " = noSuchObject";
    case AGENTX_TYPE_NOSUCHINSTANCE:
        return strName + " = noSuchInstance";
    case AGENTX_TYPE_ENDOFMIBVIEW:
        return strName + " = endOfMibView";
    default:
        return strName + " = type " + std::to_string(stVarBind.nType);
    }
}

// Reads every PDU the writer holds (Responses are read with their bindings).
inline std::vector<AgentXPdu> ReadAllPdus(const std::vector<uint8_t>& vBytes) {
    std::vector<AgentXPdu> vPdus;
    size_t nAt = 0;
    while (nAt + AGENTX_HEADER_SIZE <= vBytes.size()) {
        AgentXHeader stHeader;
        EXPECT_TRUE(ReadAgentXHeader(vBytes.data() + nAt, vBytes.size() - nAt, stHeader));
        vPdus.emplace_back();
        EXPECT_TRUE(
            ReadAgentXPdu(stHeader, vBytes.data() + nAt + AGENTX_HEADER_SIZE, vPdus.back()));
        nAt += AGENTX_HEADER_SIZE + stHeader.nPayloadLength;
    }
    EXPECT_EQ(nAt, vBytes.size());
    return vPdus;
}

#endif // KORVO_AGENTXTESTUTIL_H
