// The event callback's Windows form: an event of a storage library becomes
// a trap in the shared trap variable list, queued for the SNMP service.
#include "CTraceScope.h"
#include "TrapQueue.h"
#include "dispatch/FindHolder.h"
#include "genpvkwin.h"
#include "mib/parseini.h"
#include "platform/snmpapi.h"
#include "traps/genpvktrap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* const SHOW_DESCRIPTION_VIEW = "ShowTrapDescription";
const int OID_TAIL_TEXT_SIZE = 50; // up to 49 characters
const UINT OID_TAIL_MAX_IDS = 20;

// The variable's name: the library's prefix numbers followed by the tail's.
// False (name left empty) when the tail does not fit.
bool NameVariable(RFC1157VarBind& stVar, AsnObjectIdentifier& stPrefix, const char* pszTail) {
    UINT aTail[OID_TAIL_MAX_IDS];
    AsnObjectIdentifier stTail = {0, aTail};
    if (strlen(pszTail) >= static_cast<size_t>(OID_TAIL_TEXT_SIZE) ||
        ParseOidBounded(pszTail, &stTail, OID_TAIL_MAX_IDS) != 1) {
        return false;
    }
    if (!SnmpUtilOidCpy(&stVar.name, &stPrefix)) {
        return false;
    }
    if (!SnmpUtilOidAppend(&stVar.name, &stTail)) {
        SnmpUtilOidFree(&stVar.name);
        return false;
    }
    return true;
}

// A text value: a copy without terminator. False when it cannot be allocated.
bool SetTextValue(RFC1157VarBind& stVar, const char* pszText) {
    UINT nLength = static_cast<UINT>(strnlen(pszText, EVENT_TEXT_SIZE));
    BYTE* pCopy = static_cast<BYTE*>(SnmpUtilMemAlloc(nLength == 0 ? 1 : nLength));
    if (pCopy == nullptr) {
        return false;
    }
    memcpy(pCopy, pszText, nLength);
    stVar.value.asnType = ASN_OCTETSTRING;
    stVar.value.asnValue.string.stream = pCopy;
    stVar.value.asnValue.string.length = nLength;
    stVar.value.asnValue.string.dynamic = TRUE;
    return true;
}

// The value of argument p by its data type digit; a text that cannot be
// copied gives false.
bool SetArgumentValue(RFC1157VarBind& stVar, char cDataType, const CEventArg& arg) {
    if (cDataType == '2') {
        stVar.value.asnType = ASN_INTEGER;
        stVar.value.asnValue.number = arg.iArgValue;
        return true;
    }
    if (cDataType == '1') {
        return SetTextValue(stVar, arg.szArgText);
    }
    return true; // no type: the variable goes without value
}

// Adds one variable at the end of the shared list, or leaves it out (its
// name released) when its name does not fit or its text cannot be copied.
template <typename FSetValue>
void AddVariable(AsnObjectIdentifier& stPrefix, const char* pszTail, FSetValue fnSetValue) {
    RFC1157VarBind& stVar = g_pTrapVarBindList->list[g_pTrapVarBindList->len];
    memset(&stVar, 0, sizeof(stVar));
    stVar.value.asnType = ASN_NULL;
    if (!NameVariable(stVar, stPrefix, pszTail)) {
        return;
    }
    if (!fnSetValue(stVar)) {
        SnmpUtilOidFree(&stVar.name);
        memset(&stVar, 0, sizeof(stVar));
        return;
    }
    ++g_pTrapVarBindList->len;
}

// Fills the shared list with the event's variables under the trap's
// definition: one per argument the definition has an attribute for, then the
// description when the store shows it.
void BuildTrapVariables(const CEventInfo& eventInfo, const TrapObj& trapObj,
                        AsnObjectIdentifier& stPrefix) {
    bool bShowDescription = strcmp(trapObj.szOIDView, SHOW_DESCRIPTION_VIEW) == 0;
    int nMax = static_cast<int>(TRAP_VARBIND_SLOTS) - (bShowDescription ? 1 : 0);
    int nArgs = trapObj.m_ptrAttribs == nullptr
                    ? 0
                    : std::min({eventInfo.iArgCount, trapObj.nTotalAttrbs, nMax, EVENT_MAX_ARGS});
    for (int p = 0; p < nArgs; ++p) {
        const CTrapAttrib& attrib = trapObj.m_ptrAttribs[p];
        const CEventArg& arg = eventInfo.aArgs[p];
        AddVariable(stPrefix, attrib.szOID, [&](RFC1157VarBind& stVar) {
            return SetArgumentValue(stVar, attrib.szDataType[0], arg);
        });
    }
    if (!bShowDescription) {
        return;
    }
    char szTail[OID_TAIL_TEXT_SIZE * 2];
    snprintf(szTail, sizeof(szTail), "%s.0.%d", trapObj.szEntryOID, trapObj.nTrapID);
    AddVariable(stPrefix, szTail, [&](RFC1157VarBind& stVar) {
        return SetTextValue(stVar, eventInfo.szDescription);
    });
}

// Builds the claimed list for the trap and queues it: CALLBACK_HANDLED, or
// CALLBACK_NO_LIBRARY_ENTRY when no library entry has the trap's prefix. The
// claim is handed on unless a trap waits.
int QueueTrap(const CEventInfo& eventInfo, const TrapObj& trapObj) {
    int iEntry = getIDForOIDPrefixASNForOID(trapObj.szOIDPrefix);
    if (iEntry == NO_LIBRARY_ENTRY || g_pMIB_DC == nullptr) {
        AbandonTrapVarBindList();
        return CALLBACK_NO_LIBRARY_ENTRY;
    }
    BuildTrapVariables(eventInfo, trapObj, g_pMIB_DC[iEntry].MibOidPrefix);
    char szEnterpriseOID[TRAP_ENTERPRISE_TEXT_SIZE];
    int nWritten = snprintf(szEnterpriseOID, sizeof(szEnterpriseOID), "%s.%s", trapObj.szOIDPrefix,
                            trapObj.szEntryOID);
    bool bFits = nWritten > 0 && nWritten < TRAP_ENTERPRISE_TEXT_SIZE;
    if (!bFits || !EnqueueTrap(trapObj.nTrapID, szEnterpriseOID)) {
        AbandonTrapVarBindList(); // dropped: later events must not wait for it
    }
    return CALLBACK_HANDLED;
}

} // namespace

int MyCallback(CEventInfo* pEventInfo) {
    if (!AwaitTrapVarBindList()) {
        AgentTrace("MyCallback_0");
        return CALLBACK_NOT_SENT;
    }
    if (pEventInfo == nullptr) {
        return CALLBACK_HANDLED;
    }
    if (!isTrapEnabled(pEventInfo->iLibIndex)) {
        return CALLBACK_HANDLED;
    }
    ClaimTrapVarBindList();
    if (g_bAgentClosing) {
        SetEvent(hVarListFreeEvent); // let the next waiting callback go, too
        return CALLBACK_HANDLED;
    }
    TrapObj* pTrapObj = getTrapForEventCode(pEventInfo->iLibIndex, pEventInfo->iEventCode);
    if (pTrapObj == nullptr) {
        AbandonTrapVarBindList();
        return CALLBACK_HANDLED;
    }
    int nResult = QueueTrap(*pEventInfo, *pTrapObj);
    releaseTrapObj(pTrapObj);
    return nResult;
}
