// Answers of the AgentX front end, one dispatch of one binding at a time.
#include "agentxresponder.h"

#include "platform/RAIDMemAlloc.h"
#include "platform/snmpapi.h"

#include <algorithm>
#include <cstring>

namespace {

// Order of a binding's name against an AgentX identifier: <0, 0, >0.
int CompareName(const AsnObjectIdentifier& stName, const AgentXOid& stOid) {
    static_assert(sizeof(UINT) == sizeof(uint32_t), "sub-identifiers of both kinds");
    return CompareIdSequences(stName.ids, stName.idLength, stOid.aIds, stOid.nLength);
}

bool NameIsUnder(const AsnObjectIdentifier& stName, const AgentXOid& stSubtree) {
    return stName.idLength >= stSubtree.nLength &&
           memcmp(stName.ids, stSubtree.aIds, stSubtree.nLength * sizeof(UINT)) == 0;
}

bool IsAnswerType(const RFC1157VarBind& stBinding) {
    return stBinding.value.asnType == ASN_INTEGER || stBinding.value.asnType == ASN_OCTETSTRING;
}

// What the relay hands snmpd for a text: up to its first NUL, every line
// break a space (an answer line stays one line).
void RelayText(const AsnOctetString& stString, std::string& strText) {
    size_t nLength = stString.stream
                         ? strnlen(reinterpret_cast<const char*>(stString.stream), stString.length)
                         : 0;
    strText.assign(reinterpret_cast<const char*>(stString.stream), nLength);
    for (char& cChar : strText) {
        if (cChar == '\n' || cChar == '\r') {
            cChar = ' ';
        }
    }
}

// snmpd's pass_persist hands the relay a text only when every byte is
// printable ASCII; anything else comes as "octet", which the relay refuses.
bool IsPrintableText(const uint8_t* pOctets, uint32_t nLength) {
    for (uint32_t i = 0; i < nLength; ++i) {
        if (pOctets[i] < 0x20 || pOctets[i] > 0x7e) {
            return false;
        }
    }
    return true;
}

} // namespace

CAgentXResponder::CAgentXResponder(PFN_DISPATCH pfnDispatch, PFN_DISPATCH pfnCheckSet)
    : m_pfnDispatch(pfnDispatch), m_pfnCheckSet(pfnCheckSet), m_pBinding(AllocateRequestBinding()) {
}

CAgentXResponder::~CAgentXResponder() {
    ClearBindingValue();
    SnmpUtilMemFree(m_pBinding->name.ids);
    SnmpUtilMemFree(m_pBinding);
}

void CAgentXResponder::SetSubtrees(const std::vector<AgentXOid>& vSubtrees) {
    m_vSubtrees = vSubtrees;
    std::sort(m_vSubtrees.begin(), m_vSubtrees.end(),
              [](const AgentXOid& stLeft, const AgentXOid& stRight) {
                  return CompareAgentXOid(stLeft, stRight) < 0;
              });
}

bool CAgentXResponder::Answer(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    uint8_t nType = stPdu.stHeader.nType;
    bool bTakesContext = nType == AGENTX_GET || nType == AGENTX_GETNEXT ||
                         nType == AGENTX_GETBULK || nType == AGENTX_TESTSET;
    if (bTakesContext && stPdu.bNonDefaultContext) {
        // Only the default context is registered.
        stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_UNSUPPORTEDCONTEXT, 0);
        stWriter.EndPdu();
        return true;
    }
    using PFN_ANSWER = void (CAgentXResponder::*)(const AgentXPdu&, CAgentXWriter&);
    static const struct {
        uint8_t nType;
        PFN_ANSWER pfnAnswer;
    } aAnswers[] = {
        {AGENTX_GET, &CAgentXResponder::AnswerGet},
        {AGENTX_GETNEXT, &CAgentXResponder::AnswerGetNext},
        {AGENTX_GETBULK, &CAgentXResponder::AnswerGetBulk},
        {AGENTX_TESTSET, &CAgentXResponder::AnswerTestSet},
        {AGENTX_COMMITSET, &CAgentXResponder::AnswerCommitSet},
        {AGENTX_UNDOSET, &CAgentXResponder::AnswerUndoSet},
        {AGENTX_CLEANUPSET, &CAgentXResponder::AnswerCleanupSet},
        {AGENTX_PING, &CAgentXResponder::AnswerPing},
    };
    for (const auto& stAnswer : aAnswers) {
        if (stAnswer.nType == nType) {
            (this->*stAnswer.pfnAnswer)(stPdu, stWriter);
            return true;
        }
    }
    return false;
}

// The master expects no answer to a CleanupSet.
void CAgentXResponder::AnswerCleanupSet(const AgentXPdu& /*stPdu*/, CAgentXWriter& /*stWriter*/) {
    m_vPendingSet.clear();
    m_nCommitted = 0;
}

void CAgentXResponder::AnswerPing(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_NOERROR, 0);
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerGet(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_NOERROR, 0);
    for (const AgentXSearchRange& stRange : stPdu.vRanges) {
        WriteGet(stRange.stStart, stWriter);
    }
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerGetNext(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_NOERROR, 0);
    AgentXOid stFound;
    for (const AgentXSearchRange& stRange : stPdu.vRanges) {
        WriteNext(stRange, stWriter, stFound);
    }
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerGetBulk(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    size_t nPduStart = stWriter.Size();
    stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_NOERROR, 0);
    size_t nRanges = stPdu.vRanges.size();
    size_t nNonRepeaters = stPdu.nNonRepeaters < nRanges ? stPdu.nNonRepeaters : nRanges;
    AgentXOid stFound;
    for (size_t i = 0; i < nNonRepeaters; ++i) {
        WriteNext(stPdu.vRanges[i], stWriter, stFound);
    }
    // Each repeater goes on from where its last repetition ended; one that
    // reached the end of the view stays there.
    std::vector<AgentXSearchRange> vRepeaters(stPdu.vRanges.begin() + nNonRepeaters,
                                              stPdu.vRanges.end());
    std::vector<bool> vEnded(vRepeaters.size(), false);
    size_t nBindings = nNonRepeaters;
    for (uint16_t nRound = 0; nRound < stPdu.nMaxRepetitions && !vRepeaters.empty(); ++nRound) {
        bool bAnyLeft = false;
        for (size_t j = 0; j < vRepeaters.size(); ++j) {
            if (vEnded[j]) {
                stWriter.AppendExceptionVarBind(vRepeaters[j].stStart, AGENTX_TYPE_ENDOFMIBVIEW);
            } else if (WriteNext(vRepeaters[j], stWriter, stFound)) {
                vRepeaters[j].stStart = stFound;
                vRepeaters[j].stStart.bInclude = false;
                bAnyLeft = true;
            } else {
                vEnded[j] = true;
            }
            ++nBindings;
        }
        if (!bAnyLeft || nBindings >= AGENTX_MAX_BINDINGS ||
            stWriter.Size() - nPduStart >= AGENTX_RESPONSE_LIMIT) {
            break;
        }
    }
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerTestSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    m_vPendingSet.clear();
    m_nCommitted = 0;
    m_nSetTransaction = stPdu.stHeader.nTransactionID;
    for (size_t i = 0; i < stPdu.vVarBinds.size(); ++i) {
        const AgentXVarBind& stVarBind = stPdu.vVarBinds[i];
        PendingSet stSet;
        stSet.stName = stVarBind.stName;
        uint16_t nError = CheckSetValue(stVarBind, stSet.stNew);
        if (nError == AGENTX_ERR_NOERROR &&
            (stVarBind.stName.nLength > REQUEST_NAME_MAX_IDS ||
             DispatchSet(stSet.stName, stSet.stNew, m_pfnCheckSet) != SNMP_STATUS_NOERROR)) {
            nError = AGENTX_ERR_NOTWRITABLE;
        }
        if (nError != AGENTX_ERR_NOERROR) {
            m_vPendingSet.clear();
            stWriter.BeginResponse(stPdu.stHeader, nError, static_cast<uint16_t>(i + 1));
            stWriter.EndPdu();
            return;
        }
        // The value before the write, for an UndoSet.
        if (ReadValue(stSet.stName)) {
            stSet.bOldKnown = true;
            if (m_pBinding->value.asnType == ASN_INTEGER) {
                stSet.stOld.nType = AGENTX_TYPE_INTEGER;
                stSet.stOld.nInteger =
                    static_cast<int32_t>(static_cast<uint32_t>(m_pBinding->value.asnValue.number));
            } else {
                stSet.stOld.nType = AGENTX_TYPE_OCTET_STRING;
                RelayText(m_pBinding->value.asnValue.string, stSet.stOld.strText);
            }
        }
        ClearBindingValue();
        m_vPendingSet.push_back(stSet);
    }
    stWriter.BeginResponse(stPdu.stHeader, AGENTX_ERR_NOERROR, 0);
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerCommitSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    uint16_t nError = AGENTX_ERR_NOERROR;
    uint16_t nIndex = 0;
    m_nCommitted = 0;
    if (stPdu.stHeader.nTransactionID != m_nSetTransaction) {
        m_vPendingSet.clear(); // a set this session did not test
    }
    for (size_t i = 0; i < m_vPendingSet.size(); ++i) {
        const PendingSet& stSet = m_vPendingSet[i];
        if (DispatchSet(stSet.stName, stSet.stNew, m_pfnDispatch) != SNMP_STATUS_NOERROR) {
            // The relay reports a refused write as not writable.
            nError = AGENTX_ERR_NOTWRITABLE;
            nIndex = static_cast<uint16_t>(i + 1);
            break;
        }
        m_nCommitted = i + 1;
    }
    stWriter.BeginResponse(stPdu.stHeader, nError, nIndex);
    stWriter.EndPdu();
}

void CAgentXResponder::AnswerUndoSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter) {
    uint16_t nFailed = 0;
    for (size_t i = m_nCommitted; i > 0; --i) {
        const PendingSet& stSet = m_vPendingSet[i - 1];
        if (!stSet.bOldKnown ||
            DispatchSet(stSet.stName, stSet.stOld, m_pfnDispatch) != SNMP_STATUS_NOERROR) {
            nFailed = static_cast<uint16_t>(i);
        }
    }
    m_nCommitted = 0;
    stWriter.BeginResponse(stPdu.stHeader,
                           nFailed != 0 ? AGENTX_ERR_UNDOFAILED : AGENTX_ERR_NOERROR, nFailed);
    stWriter.EndPdu();
}

void CAgentXResponder::WriteGet(const AgentXOid& stName, CAgentXWriter& stWriter) {
    if (ReadValue(stName)) {
        WriteBinding(stWriter);
        ClearBindingValue();
        return;
    }
    ClearBindingValue();
    uint16_t nException =
        ObjectHasInstances(stName) ? AGENTX_TYPE_NOSUCHINSTANCE : AGENTX_TYPE_NOSUCHOBJECT;
    ClearBindingValue();
    stWriter.AppendExceptionVarBind(stName, nException);
}

bool CAgentXResponder::WriteNext(const AgentXSearchRange& stRange, CAgentXWriter& stWriter,
                                 AgentXOid& stFound) {
    const AgentXOid& stStart = stRange.stStart;
    bool bFound = stStart.bInclude && ReadValue(stStart);
    if (!bFound) {
        ClearBindingValue();
        bFound = ReadFirstOfSubtree(stRange);
    }
    if (!bFound) {
        ClearBindingValue();
        bFound = ReadNext(stStart);
    }
    // Never an OID outside the range the master asked for, nor outside the
    // registered subtrees: the master then asks the next subtree itself.
    if (bFound && stRange.stEnd.nLength > 0 && CompareName(m_pBinding->name, stRange.stEnd) >= 0) {
        bFound = false;
    }
    if (bFound && !InSubtrees(*m_pBinding)) {
        bFound = false;
    }
    if (!bFound) {
        ClearBindingValue();
        stWriter.AppendExceptionVarBind(stStart, AGENTX_TYPE_ENDOFMIBVIEW);
        return false;
    }
    stFound.nLength = m_pBinding->name.idLength;
    memcpy(stFound.aIds, m_pBinding->name.ids, stFound.nLength * sizeof(UINT));
    stFound.bInclude = false;
    WriteBinding(stWriter);
    ClearBindingValue();
    return true;
}

bool CAgentXResponder::ReadValue(const AgentXOid& stName) {
    if (!SetBindingName(stName)) {
        return false;
    }
    UINT nStatus = m_pfnDispatch(m_pBinding, SNMP_ACTION_GET);
    // A get must answer its own OID, as the relay checks.
    return nStatus == SNMP_STATUS_NOERROR && IsAnswerType(*m_pBinding) && BindingNameIs(stName);
}

bool CAgentXResponder::ReadNext(const AgentXOid& stStart) {
    if (!SetBindingName(stStart)) {
        return false;
    }
    UINT nStatus = m_pfnDispatch(m_pBinding, SNMP_ACTION_GETNEXT);
    // A get-next must answer a greater OID, as the relay checks: the walk
    // would never end otherwise.
    return nStatus == SNMP_STATUS_NOERROR && IsAnswerType(*m_pBinding) &&
           CompareName(m_pBinding->name, stStart) > 0;
}

bool CAgentXResponder::ReadFirstOfSubtree(const AgentXSearchRange& stRange) {
    const AgentXOid& stStart = stRange.stStart;
    for (const AgentXOid& stRoot : m_vSubtrees) {
        if (CompareAgentXOid(stStart, stRoot) > 0) {
            // A start inside another registered subtree walks on from there.
            if (IsAgentXOidUnder(stStart, stRoot)) {
                return false;
            }
            continue;
        }
        if (stRoot.nLength < 2 ||
            (stRange.stEnd.nLength > 0 && CompareAgentXOid(stRoot, stRange.stEnd) >= 0)) {
            return false;
        }
        // The walk into a definition is asked from above its prefix, as a walk
        // through the relay comes into it: a get-next from the prefix itself
        // does not always land on the definition's first object.
        AgentXOid stAbove = stRoot;
        stAbove.nLength = stRoot.nLength - 1;
        return ReadNext(stAbove) && NameIsUnder(m_pBinding->name, stRoot) &&
               CompareName(m_pBinding->name, stStart) > 0;
    }
    return false;
}

bool CAgentXResponder::ObjectHasInstances(const AgentXOid& stName) {
    if (stName.nLength < 2) {
        return false;
    }
    AgentXOid stObject = stName;
    stObject.nLength = stName.nLength - 1;
    return ReadNext(stObject) && NameIsUnder(m_pBinding->name, stObject) &&
           m_pBinding->name.idLength == stName.nLength;
}

void CAgentXResponder::WriteBinding(CAgentXWriter& stWriter) {
    const AsnObjectIdentifier& stName = m_pBinding->name;
    if (m_pBinding->value.asnType == ASN_INTEGER) {
        // The low 32 bits as a signed number, as the relay prints it.
        int32_t nValue =
            static_cast<int32_t>(static_cast<uint32_t>(m_pBinding->value.asnValue.number));
        stWriter.AppendIntegerVarBind(stName.ids, stName.idLength, nValue);
        return;
    }
    RelayText(m_pBinding->value.asnValue.string, m_strValue);
    stWriter.AppendOctetsVarBind(stName.ids, stName.idLength,
                                 reinterpret_cast<const uint8_t*>(m_strValue.data()),
                                 static_cast<uint32_t>(m_strValue.size()));
}

// A value the agent cannot take gets the one refusal the relay gives every
// refused set: the block cannot tell a value of another type or length from
// a read-only object, so both front ends answer notWritable alike.
uint16_t CAgentXResponder::CheckSetValue(const AgentXVarBind& stVarBind, SetValue& stValue) {
    if (stVarBind.nType == AGENTX_TYPE_INTEGER) {
        stValue.nType = AGENTX_TYPE_INTEGER;
        stValue.nInteger = stVarBind.nInteger;
        return AGENTX_ERR_NOERROR;
    }
    if (stVarBind.nType != AGENTX_TYPE_OCTET_STRING ||
        !IsPrintableText(stVarBind.pOctets, stVarBind.nOctets) ||
        stVarBind.nOctets > AGENTX_SET_TEXT_LIMIT) {
        return AGENTX_ERR_NOTWRITABLE;
    }
    stValue.nType = AGENTX_TYPE_OCTET_STRING;
    stValue.strText.assign(reinterpret_cast<const char*>(stVarBind.pOctets), stVarBind.nOctets);
    return AGENTX_ERR_NOERROR;
}

UINT CAgentXResponder::DispatchSet(const AgentXOid& stName, const SetValue& stValue,
                                   PFN_DISPATCH pfnDispatch) {
    if (!SetBindingName(stName)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    ClearBindingValue();
    if (stValue.nType == AGENTX_TYPE_INTEGER) {
        m_pBinding->value.asnType = ASN_INTEGER;
        m_pBinding->value.asnValue.number = stValue.nInteger;
    } else {
        // A text goes to the dispatch as the block's set does it: a copy with
        // its terminating NUL, counted in the length.
        size_t nLength = stValue.strText.size();
        BYTE* pCopy = static_cast<BYTE*>(RAIDAgentMemAlloc(nLength + 1));
        if (pCopy == nullptr) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        memcpy(pCopy, stValue.strText.c_str(), nLength + 1);
        m_pBinding->value.asnType = ASN_OCTETSTRING;
        m_pBinding->value.asnValue.string.stream = pCopy;
        m_pBinding->value.asnValue.string.length = static_cast<UINT>(nLength + 1);
        m_pBinding->value.asnValue.string.dynamic = 1;
    }
    UINT nStatus = pfnDispatch(m_pBinding, SNMP_ACTION_SET);
    ClearBindingValue();
    return nStatus;
}

bool CAgentXResponder::SetBindingName(const AgentXOid& stName) {
    // The binding's name holds what the block's request OID holds.
    if (stName.nLength > REQUEST_NAME_MAX_IDS) {
        return false;
    }
    memcpy(m_pBinding->name.ids, stName.aIds, stName.nLength * sizeof(UINT));
    m_pBinding->name.idLength = stName.nLength;
    return true;
}

bool CAgentXResponder::BindingNameIs(const AgentXOid& stName) const {
    return CompareName(m_pBinding->name, stName) == 0;
}

bool CAgentXResponder::InSubtrees(const RFC1157VarBind& stBinding) const {
    if (m_vSubtrees.empty()) {
        return true;
    }
    for (const AgentXOid& stSubtree : m_vSubtrees) {
        if (NameIsUnder(stBinding.name, stSubtree)) {
            return true;
        }
    }
    return false;
}

void CAgentXResponder::ClearBindingValue() {
    if (m_pBinding->value.asnType == ASN_OCTETSTRING && m_pBinding->value.asnValue.string.dynamic) {
        SnmpUtilMemFree(m_pBinding->value.asnValue.string.stream);
    }
    memset(&m_pBinding->value, 0, sizeof(m_pBinding->value));
}
