// The block's request words as the serving loop reads them: the input fills
// the text area of a block in memory, and a dispatch of the fuzzer's own
// answers with a name and a value chosen by the input's first bytes.
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "dispatch/genpvkdispatch.h"
#include "platform/snmpapi.h"

#include <cstdlib>
#include <cstring>

namespace {

struct DispatchChoice {
    uint8_t nStatus;     // 0: answer, otherwise a refusal
    uint8_t nValueKind;  // even: integer, odd: text
    uint8_t nNameLength; // sub-identifiers of the answer's name
    uint8_t nTextLength; // length of a text value (unterminated when long)
};

DispatchChoice g_stChoice;

UINT FuzzDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    if (g_stChoice.nStatus % 4 != 0) {
        return g_stChoice.nStatus % 4;
    }
    if (nAction == SNMP_ACTION_SET) {
        return SNMP_STATUS_NOERROR;
    }
    pBinding->name.idLength = g_stChoice.nNameLength % (ZUND_MAX_OID_IDS + 1);
    for (UINT i = 0; i < pBinding->name.idLength; ++i) {
        pBinding->name.ids[i] = 0xFFFFFFF0u + i;
    }
    if (pBinding->value.asnType == ASN_OCTETSTRING && pBinding->value.asnValue.string.dynamic) {
        SnmpUtilMemFree(pBinding->value.asnValue.string.stream);
    }
    if (g_stChoice.nValueKind % 2 == 0) {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = -1;
        return SNMP_STATUS_NOERROR;
    }
    // A text of up to 1020 bytes with no terminator inside its length.
    UINT nLength = g_stChoice.nTextLength * 4u;
    BYTE* pStream = static_cast<BYTE*>(SnmpUtilMemAlloc(nLength + 1));
    memset(pStream, 'x', nLength);
    pBinding->value.asnType = ASN_OCTETSTRING;
    pBinding->value.asnValue.string = {pStream, nLength, 1};
    return SNMP_STATUS_NOERROR;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static RFC1157VarBind* s_pBinding = AllocateRequestBinding();
    zund_initover = 1;
    memset(&g_stChoice, 0, sizeof(g_stChoice));
    size_t nChoice = nSize < sizeof(g_stChoice) ? nSize : sizeof(g_stChoice);
    memcpy(&g_stChoice, pData, nChoice);
    pData += nChoice;
    nSize -= nChoice;

    SHARED_DATA* pBlock = new SHARED_DATA;
    memset(pBlock, 0, sizeof(*pBlock));
    memcpy(pBlock->buffer, pData, nSize < ZUND_TEXT_AREA_SIZE ? nSize : ZUND_TEXT_AREA_SIZE);
    pBlock->dataReady = ZUND_STATE_REQUEST;
    if (!ServeOneRequest(pBlock, s_pBinding, FuzzDispatch) ||
        pBlock->dataReady != ZUND_STATE_ANSWER) {
        abort();
    }
    delete pBlock;
    return 0;
}
