// The shared-memory request channel: the daemon's side of the block that the
// relay fills for every request snmpd passes on.
#include "genpvkchannel.h"

#include "dispatch/genpvkdispatch.h"
#include "platform/AgentSignals.h"
#include "platform/RAIDMemAlloc.h"
#include "platform/snmpapi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

// A word the block takes always fits the request binding.
static_assert(ZUND_MAX_OID_IDS <= REQUEST_NAME_MAX_IDS, "the block's OIDs fit the binding");

namespace {

const char* const SET_REFUSAL = "not-writable";

// The words of one request, pointing into the block.
struct RequestWords {
    const char* pszMethod = nullptr;
    const char* pszOID = nullptr;
    const char* pszType = nullptr;
    const char* pszValue = nullptr;
};

// Returns the NUL-terminated word at nOffset of the text area and moves
// nOffset past it, or null when the word is not terminated inside the area.
const char* NextWord(const SHARED_DATA* pBlock, size_t& nOffset) {
    if (nOffset >= ZUND_TEXT_AREA_SIZE) {
        return nullptr;
    }
    const char* pszWord = pBlock->buffer + nOffset;
    const void* pEnd = memchr(pszWord, '\0', ZUND_TEXT_AREA_SIZE - nOffset);
    if (pEnd == nullptr) {
        return nullptr;
    }
    nOffset = static_cast<size_t>(static_cast<const char*>(pEnd) - pBlock->buffer) + 1;
    return pszWord;
}

// Reads the request words; false when a word the action needs is missing.
bool ReadRequestWords(const SHARED_DATA* pBlock, UINT nAction, RequestWords& stWords) {
    size_t nOffset = 0;
    stWords.pszMethod = NextWord(pBlock, nOffset);
    if (stWords.pszMethod == nullptr) {
        return false;
    }
    stWords.pszOID = NextWord(pBlock, nOffset);
    if (stWords.pszOID == nullptr) {
        return false;
    }
    if (nAction == SNMP_ACTION_SET) {
        stWords.pszType = NextWord(pBlock, nOffset);
        stWords.pszValue = stWords.pszType ? NextWord(pBlock, nOffset) : nullptr;
        return stWords.pszValue != nullptr;
    }
    return true;
}

// Releases a value whose storage was allocated for the binding.
void ClearBindingValue(RFC1157VarBind* pBinding) {
    if (pBinding->value.asnType == ASN_OCTETSTRING && pBinding->value.asnValue.string.dynamic) {
        SnmpUtilMemFree(pBinding->value.asnValue.string.stream);
    }
    memset(&pBinding->value, 0, sizeof(pBinding->value));
}

// The OID word of a get-next cut after its 50th sub-identifier: no object
// has more, so the object after the cut OID is the object after the word.
std::string CutToNameCapacity(const char* pszOID) {
    std::string strCut;
    int nComponents = 0;
    for (const char* pszCursor = pszOID; *pszCursor != '\0';) {
        size_t nDots = strspn(pszCursor, ".");
        size_t nLength = strcspn(pszCursor + nDots, ".");
        if (nLength > 0 && ++nComponents > static_cast<int>(ZUND_MAX_OID_IDS)) {
            break;
        }
        strCut.append(pszCursor, nDots + nLength);
        pszCursor += nDots + nLength;
    }
    return strCut;
}

// Parses the OID word into the binding's name; false when it has more
// sub-identifiers than the name holds (a get-next's word is cut instead).
bool SetBindingName(RFC1157VarBind* pBinding, const char* pszOID, UINT nAction) {
    std::string strCut;
    if (CountOidComponents(pszOID) > static_cast<int>(ZUND_MAX_OID_IDS)) {
        if (nAction != SNMP_ACTION_GETNEXT) {
            return false;
        }
        strCut = CutToNameCapacity(pszOID);
        pszOID = strCut.c_str();
    }
    AsnObjectIdentifier stParsed;
    stParsed.idLength = 0;
    stParsed.ids = static_cast<UINT*>(SnmpUtilMemAlloc(ZUND_MAX_OID_IDS * sizeof(UINT)));
    SnmpUtilAToOid(pszOID, &stParsed);
    SnmpUtilOidFree(&pBinding->name);
    SnmpUtilOidCpy(&pBinding->name, &stParsed);
    SnmpUtilMemFree(stParsed.ids);
    return true;
}

// Turns a set's type and value words into the binding's value; false for a
// word that does not fit its buffer or a type other than string and integer.
bool SetBindingValue(RFC1157VarBind* pBinding, const char* pszType, const char* pszValue) {
    if (strlen(pszType) >= ZUND_TYPE_WORD_SIZE || strlen(pszValue) >= ZUND_VALUE_WORD_SIZE) {
        return false;
    }
    if (strcmp(pszType, "string") == 0) {
        size_t nLen = strlen(pszValue);
        BYTE* pCopy = static_cast<BYTE*>(RAIDAgentMemAlloc(nLen + 1));
        if (pCopy == nullptr) {
            exit(-1);
        }
        memcpy(pCopy, pszValue, nLen + 1);
        pBinding->value.asnType = ASN_OCTETSTRING;
        pBinding->value.asnValue.string.stream = pCopy;
        pBinding->value.asnValue.string.length = static_cast<UINT>(nLen + 1);
        pBinding->value.asnValue.string.dynamic = 1;
        return true;
    }
    if (strcmp(pszType, "integer") == 0) {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = strtol(pszValue, nullptr, 10);
        return true;
    }
    return false;
}

// Appends the type line and the value line at nUsed; false when they and the
// terminating NUL do not fit the text area.
bool AppendTypedValue(char* pszArea, size_t& nUsed, const char* pszType, const char* pszValue) {
    size_t nTypeLen = strlen(pszType);
    size_t nValueLen = strlen(pszValue);
    if (nUsed + nTypeLen + nValueLen + 3 > ZUND_TEXT_AREA_SIZE) {
        return false;
    }
    char* pszCursor = pszArea + nUsed;
    memcpy(pszCursor, pszType, nTypeLen);
    pszCursor[nTypeLen] = '\n';
    memcpy(pszCursor + nTypeLen + 1, pszValue, nValueLen);
    pszCursor[nTypeLen + 1 + nValueLen] = '\n';
    pszCursor[nTypeLen + nValueLen + 2] = '\0';
    nUsed += nTypeLen + nValueLen + 2;
    return true;
}

// Formats the answer of a successful get or get-next: OID line, type line,
// value line. Returns false (nothing to answer) for a value of another type
// or an answer that does not fit the text area.
bool FormatValueAnswer(const RFC1157VarBind* pBinding, char* pszAnswer) {
    size_t nUsed = 0;
    int nOidLen = PrintOidBounded(pszAnswer, ZUND_TEXT_AREA_SIZE, pBinding->name);
    if (nOidLen < 0) {
        return false;
    }
    nUsed = static_cast<size_t>(nOidLen);
    if (pBinding->value.asnType == ASN_INTEGER) {
        char szNumber[16];
        snprintf(szNumber, sizeof(szNumber), "%d",
                 static_cast<int>(static_cast<uint32_t>(pBinding->value.asnValue.number)));
        return AppendTypedValue(pszAnswer, nUsed, "integer", szNumber);
    }
    if (pBinding->value.asnType == ASN_OCTETSTRING) {
        const AsnOctetString& stString = pBinding->value.asnValue.string;
        // The value ends at its length or at its first NUL, whichever is first.
        size_t nLen = stString.stream
                          ? strnlen(reinterpret_cast<const char*>(stString.stream), stString.length)
                          : 0;
        if (nLen >= ZUND_TEXT_AREA_SIZE) {
            return false;
        }
        char szValue[ZUND_TEXT_AREA_SIZE];
        memcpy(szValue, stString.stream, nLen);
        szValue[nLen] = '\0';
        return AppendTypedValue(pszAnswer, nUsed, "string", szValue);
    }
    return false;
}

// Writes numItems and the answer text for the dispatch's status.
void WriteAnswer(SHARED_DATA* pBlock, const RFC1157VarBind* pBinding, UINT nAction, UINT nStatus) {
    if (nAction == SNMP_ACTION_SET) {
        if (nStatus == SNMP_STATUS_NOERROR) {
            pBlock->numItems = 0;
            return;
        }
        strcpy(pBlock->buffer, SET_REFUSAL);
        pBlock->numItems = 1;
        return;
    }
    char szAnswer[ZUND_TEXT_AREA_SIZE];
    if (nStatus != SNMP_STATUS_NOERROR || !FormatValueAnswer(pBinding, szAnswer)) {
        pBlock->numItems = 0;
        return;
    }
    memcpy(pBlock->buffer, szAnswer, strlen(szAnswer) + 1);
    pBlock->numItems = 1;
}

// Reads the request into the binding and dispatches it; returns the status.
UINT DispatchRequest(const SHARED_DATA* pBlock, RFC1157VarBind* pBinding, UINT& nAction,
                     PFN_DISPATCH pfnDispatch) {
    size_t nOffset = 0;
    const char* pszMethod = NextWord(pBlock, nOffset);
    nAction = pszMethod ? MethodToAction(pszMethod) : SNMP_ACTION_UNKNOWN;
    // Kept as it stands: standard output is /dev/null once the daemon has
    // detached, so the line costs one write; where the channel runs in the
    // foreground (a debugging run, the unit tests) it marks each get, and
    // support's notes on reading such runs rely on it.
    if (nAction == SNMP_ACTION_GET) {
        printf("####INSIDE GET#####\n");
    }
    RequestWords stWords;
    if (nAction == SNMP_ACTION_UNKNOWN || !ReadRequestWords(pBlock, nAction, stWords)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (!SetBindingName(pBinding, stWords.pszOID, nAction)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (nAction == SNMP_ACTION_SET &&
        !SetBindingValue(pBinding, stWords.pszType, stWords.pszValue)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (zund_initover != 1) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    return pfnDispatch(pBinding, nAction);
}

} // namespace

char* g_pcShMemPtr = nullptr;
int iShMemID = -1;
RFC1157VarBind* pstVarBind = nullptr;

UINT MethodToAction(const char* pszMethod) {
    if (strcmp(pszMethod, "-g") == 0) {
        return SNMP_ACTION_GET;
    }
    if (strcmp(pszMethod, "-n") == 0) {
        return SNMP_ACTION_GETNEXT;
    }
    if (strcmp(pszMethod, "-s") == 0) {
        return SNMP_ACTION_SET;
    }
    return SNMP_ACTION_UNKNOWN;
}

SHARED_DATA* AttachSharedBlock() {
    iShMemID = shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, IPC_CREAT | ZUND_SHM_PERMISSIONS);
    if (iShMemID < 0) {
        return nullptr;
    }
    void* pAttached = shmat(iShMemID, nullptr, 0);
    if (pAttached == reinterpret_cast<void*>(-1)) {
        return nullptr;
    }
    g_pcShMemPtr = static_cast<char*>(pAttached);
    SHARED_DATA* pBlock = reinterpret_cast<SHARED_DATA*>(g_pcShMemPtr);
    StoreBlockState(pBlock, ZUND_STATE_IDLE);
    return pBlock;
}

void ReleaseSharedBlock() {
    if (g_pcShMemPtr != nullptr) {
        shmdt(g_pcShMemPtr);
        g_pcShMemPtr = nullptr;
    }
    if (iShMemID >= 0) {
        shmctl(iShMemID, IPC_RMID, nullptr);
        iShMemID = -1;
    }
}

bool ServeOneRequest(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch) {
    if (!ExchangeBlockState(pBlock, ZUND_STATE_REQUEST, ZUND_STATE_TAKEN)) {
        return false;
    }
    UINT nAction = SNMP_ACTION_UNKNOWN;
    UINT nStatus = DispatchRequest(pBlock, pBinding, nAction, pfnDispatch);
    WriteAnswer(pBlock, pBinding, nAction, nStatus);
    // A value allocated for this request (a set's string, a string read) is
    // not needed past its answer.
    ClearBindingValue(pBinding);
    PublishBlockState(pBlock, ZUND_STATE_ANSWER);
    return true;
}

void RunChannelLoop(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch,
                    PFN_BETWEEN_REQUESTS pfnBetweenRequests) {
    while (!g_bStopRequested) {
        if (pfnBetweenRequests != nullptr) {
            pfnBetweenRequests();
        }
        if (ServeOneRequest(pBlock, pBinding, pfnDispatch)) {
            continue;
        }
        // Sleep until the relay wakes us, or one poll period at most for a
        // relay that only polls. A stop signal ends the sleep early.
        uint32_t nState = LoadBlockState(pBlock);
        if (nState != ZUND_STATE_REQUEST) {
            WaitBlockState(pBlock, nState, ZUND_POLL_PERIOD_US);
        }
    }
}
