// The AgentX front end's input: a stream of PDUs as snmpd's master (or
// anything on its socket) might send them, read and answered by the front
// end over a dispatch of the fuzzer's own whose answers the input's first
// bytes choose. Every Response written must read back as well-formed, and
// a get-next answer must lie inside the range asked for.
#include "agentx/agentxpdu.h"
#include "agentx/agentxresponder.h"
#include "dispatch/genpvkdispatch.h"
#include "platform/snmpapi.h"

#include <cstdlib>
#include <cstring>

namespace {

struct DispatchChoice {
    uint8_t nStatus;    // 0: answer, otherwise a refusal
    uint8_t nName;      // how the answer's name relates to the request's
    uint8_t nValueKind; // even: integer, odd: text
    uint8_t nTextLength;
};

DispatchChoice g_stChoice;
unsigned g_nCalls = 0;

UINT FuzzDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    ++g_nCalls;
    uint8_t nStatus = static_cast<uint8_t>(g_stChoice.nStatus + g_nCalls);
    if (nStatus % 5 == 4 || nAction == SNMP_ACTION_SET) {
        return nStatus % 4;
    }
    AsnObjectIdentifier& stName = pBinding->name;
    switch ((g_stChoice.nName + g_nCalls) % 5) {
    case 0: // the next sibling
        if (stName.idLength > 0) {
            stName.ids[stName.idLength - 1] += 1;
        }
        break;
    case 1: // one level down
        if (stName.idLength < REQUEST_NAME_MAX_IDS) {
            stName.ids[stName.idLength++] = 0;
        }
        break;
    case 2: // one level up: smaller
        if (stName.idLength > 0) {
            --stName.idLength;
        }
        break;
    case 3: // as long as the name holds
        while (stName.idLength < REQUEST_NAME_MAX_IDS) {
            stName.ids[stName.idLength++] = 0xFFFFFFFFu;
        }
        break;
    default: // unchanged
        break;
    }
    if (pBinding->value.asnType == ASN_OCTETSTRING && pBinding->value.asnValue.string.dynamic) {
        SnmpUtilMemFree(pBinding->value.asnValue.string.stream);
    }
    if ((g_stChoice.nValueKind + g_nCalls) % 2 == 0) {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = -7;
        return SNMP_STATUS_NOERROR;
    }
    UINT nLength = g_stChoice.nTextLength * 3u;
    BYTE* pStream = static_cast<BYTE*>(SnmpUtilMemAlloc(nLength + 1));
    for (UINT i = 0; i < nLength; ++i) {
        pStream[i] = static_cast<BYTE>(i * 37);
    }
    pBinding->value.asnType = ASN_OCTETSTRING;
    pBinding->value.asnValue.string = {pStream, nLength, 1};
    return SNMP_STATUS_NOERROR;
}

// The Responses written must read back; get-next answers stay in range.
void CheckResponses(const CAgentXWriter& stWriter, const AgentXPdu& stRequest) {
    const std::vector<uint8_t>& vBytes = stWriter.Bytes();
    size_t nAt = 0;
    AgentXPdu stResponse;
    while (nAt < vBytes.size()) {
        AgentXHeader stHeader;
        if (!ReadAgentXHeader(vBytes.data() + nAt, vBytes.size() - nAt, stHeader) ||
            nAt + AGENTX_HEADER_SIZE + stHeader.nPayloadLength > vBytes.size() ||
            stHeader.nType != AGENTX_RESPONSE ||
            !ReadAgentXPdu(stHeader, vBytes.data() + nAt + AGENTX_HEADER_SIZE, stResponse)) {
            abort();
        }
        if (stRequest.stHeader.nType == AGENTX_GETNEXT && stResponse.nError == 0) {
            if (stResponse.vVarBinds.size() != stRequest.vRanges.size()) {
                abort();
            }
            for (size_t i = 0; i < stResponse.vVarBinds.size(); ++i) {
                const AgentXVarBind& stVarBind = stResponse.vVarBinds[i];
                const AgentXSearchRange& stRange = stRequest.vRanges[i];
                if (stVarBind.nType == AGENTX_TYPE_ENDOFMIBVIEW) {
                    continue;
                }
                int nFromStart = CompareAgentXOid(stVarBind.stName, stRange.stStart);
                if (nFromStart < 0 || (nFromStart == 0 && !stRange.stStart.bInclude) ||
                    (stRange.stEnd.nLength > 0 &&
                     CompareAgentXOid(stVarBind.stName, stRange.stEnd) >= 0)) {
                    abort(); // outside the range the master asked for
                }
            }
        }
        nAt += AGENTX_HEADER_SIZE + stHeader.nPayloadLength;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static CAgentXResponder* s_pResponder = new CAgentXResponder(FuzzDispatch, FuzzDispatch);
    static AgentXPdu* s_pPdu = new AgentXPdu;
    static CAgentXWriter* s_pWriter = new CAgentXWriter;
    memset(&g_stChoice, 0, sizeof(g_stChoice));
    size_t nChoice = nSize < sizeof(g_stChoice) ? nSize : sizeof(g_stChoice);
    memcpy(&g_stChoice, pData, nChoice);
    pData += nChoice;
    nSize -= nChoice;
    g_nCalls = 0;
    // Registered subtrees, so that the answers are checked against them too.
    AgentXOid stSubtree;
    const uint32_t aSubtree[] = {1, 3, 6, 1, 4, 1, 7310};
    stSubtree.nLength = 7;
    memcpy(stSubtree.aIds, aSubtree, sizeof(aSubtree));
    s_pResponder->SetSubtrees({stSubtree});

    size_t nAt = 0;
    while (nSize - nAt >= AGENTX_HEADER_SIZE) {
        AgentXHeader stHeader;
        if (!ReadAgentXHeader(pData + nAt, nSize - nAt, stHeader) ||
            nSize - nAt - AGENTX_HEADER_SIZE < stHeader.nPayloadLength) {
            break;
        }
        if (ReadAgentXPdu(stHeader, pData + nAt + AGENTX_HEADER_SIZE, *s_pPdu)) {
            s_pWriter->Clear();
            s_pResponder->Answer(*s_pPdu, *s_pWriter);
            CheckResponses(*s_pWriter, *s_pPdu);
        }
        nAt += AGENTX_HEADER_SIZE + stHeader.nPayloadLength;
    }
    return 0;
}
