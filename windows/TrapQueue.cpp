#include "TrapQueue.h"

#include "CTraceScope.h"
#include "genpvkwin.h"
#include "platform/RAIDMemAlloc.h"
#include "platform/snmpapi.h"

#include <cstring>

RFC1157VarBindList* g_pTrapVarBindList = nullptr;
TrapQueueNode* g_pTrapQueueHead = nullptr;
TrapQueueNode* g_pTrapQueueTail = nullptr;

namespace {

// How long an event callback waits at most for start-up to make the trap
// variable list; start-up normally ends within milliseconds of Init.
const DWORD VAR_LIST_WAIT_MS = 5 * 60 * 1000;

// The enterprise OID handed to the service points here; the next trap
// overwrites it. Writer and reader: the service's trap poll.
UINT g_aEnterpriseIds[TRAP_ENTERPRISE_MAX_IDS];

// Creates the list record and its element array; false (list absent) when
// either cannot be allocated.
bool CreateTrapVarBindList() {
    RFC1157VarBindList* pList =
        static_cast<RFC1157VarBindList*>(SnmpUtilMemAlloc(sizeof(RFC1157VarBindList)));
    if (pList == nullptr) {
        AgentTrace("CreateMibAndAgent 001");
        return false;
    }
    pList->list = nullptr;
    pList->list =
        static_cast<RFC1157VarBind*>(SnmpUtilMemAlloc(TRAP_VARBIND_SLOTS * sizeof(RFC1157VarBind)));
    if (pList->list == nullptr) {
        AgentTrace("CreateMibAndAgent 002");
        SnmpUtilMemFree(pList);
        return false;
    }
    pList->len = 0;
    g_pTrapVarBindList = pList;
    return true;
}

void ReleaseTrapVariables() {
    if (g_pTrapVarBindList == nullptr) {
        return;
    }
    for (UINT i = 0; i < g_pTrapVarBindList->len; ++i) {
        SnmpUtilVarBindFree(&g_pTrapVarBindList->list[i]);
    }
    g_pTrapVarBindList->len = 0;
}

// Hands out a copy of the node's variables, or an empty list.
void CopyTrapVariables(const TrapQueueNode& stNode, RFC1157VarBindList* pVarBindList) {
    pVarBindList->list = nullptr;
    pVarBindList->len = 0;
    if (stNode.pVarBindList != nullptr && stNode.pVarBindList->len > 0 &&
        !SnmpUtilVarBindListCpy(pVarBindList, stNode.pVarBindList)) {
        pVarBindList->list = nullptr;
        pVarBindList->len = 0;
    }
}

} // namespace

DWORD WINAPI CreateMibAndAgent(LPVOID /*pParam*/) {
    AgentTrace("CreateMibAndAgent_1");
    if (g_pTrapVarBindList == nullptr && !CreateTrapVarBindList()) {
        SetEvent(hVarListSettledEvent); // events waiting for the list are dropped
        return 0;
    }
    g_pTrapVarBindList->len = 0;
    SetEvent(hTrapEvent);
    SetEvent(hVarListSettledEvent);
    AgentTrace("CreateMibAndAgent_2");
    return 0;
}

bool AwaitTrapVarBindList() {
    if (hVarListSettledEvent == nullptr) {
        return false;
    }
    bool bOnInitThread = static_cast<DWORD>(InterlockedCompareExchange(&g_nInitThreadId, 0, 0)) ==
                         GetCurrentThreadId();
    DWORD nWaitMs = bOnInitThread ? 0 : VAR_LIST_WAIT_MS;
    if (WaitForSingleObject(hVarListSettledEvent, nWaitMs) != WAIT_OBJECT_0) {
        AgentTrace("MyCallback: start-up did not make the trap variable list in time");
        return false;
    }
    return g_pTrapVarBindList != nullptr;
}

bool EnqueueTrap(int nTrapID, const char* pszEnterpriseOID) {
    if (CountOidComponents(pszEnterpriseOID) > static_cast<int>(TRAP_ENTERPRISE_MAX_IDS)) {
        AgentTrace("Enterprise OID too long: trap dropped");
        return false;
    }
    TrapQueueNode* pNode = static_cast<TrapQueueNode*>(RAIDAgentMemAlloc(sizeof(TrapQueueNode)));
    if (pNode == nullptr) {
        AgentTrace("No memory for a trap: trap dropped");
        return false;
    }
    pNode->nTrapID = nTrapID;
    pNode->pVarBindList = g_pTrapVarBindList;
    strncpy(pNode->szEnterpriseOID, pszEnterpriseOID, TRAP_ENTERPRISE_TEXT_SIZE - 1);
    pNode->szEnterpriseOID[TRAP_ENTERPRISE_TEXT_SIZE - 1] = '\0';
    pNode->pNext = nullptr;
    if (g_pTrapQueueHead == nullptr) {
        g_pTrapQueueHead = pNode;
    } else {
        g_pTrapQueueTail->pNext = pNode;
    }
    g_pTrapQueueTail = pNode;
    SetEvent(hTrapEvent);
    return true;
}

void ClaimTrapVarBindList() {
    WaitForSingleObject(hVarListFreeEvent, INFINITE);
    ReleaseTrapVariables();
}

void AbandonTrapVarBindList() {
    ReleaseTrapVariables();
    SetEvent(hVarListFreeEvent);
}

void FreeTrapVarBindList() {
    if (g_pTrapVarBindList == nullptr) {
        return;
    }
    SnmpUtilMemFree(g_pTrapVarBindList->list);
    SnmpUtilMemFree(g_pTrapVarBindList);
    g_pTrapVarBindList = nullptr;
}

void ReleaseTrapQueue() {
    while (g_pTrapQueueHead != nullptr) {
        TrapQueueNode* pNext = g_pTrapQueueHead->pNext;
        RAIDAgentMemFree(g_pTrapQueueHead);
        g_pTrapQueueHead = pNext;
    }
    g_pTrapQueueTail = nullptr;
}

BOOL WINAPI SnmpExtensionTrap(AsnObjectIdentifier* pEnterpriseOid, AsnInteger32* pGenericTrapId,
                              AsnInteger32* pSpecificTrapId, AsnTimeticks* pTimeStamp,
                              RFC1157VarBindList* pVarBindList) {
    TrapQueueNode* pNode = g_pTrapQueueHead;
    if (pNode == nullptr) {
        SetEvent(hVarListFreeEvent);
        return FALSE;
    }
    AsnObjectIdentifier stEnterprise = {0, g_aEnterpriseIds};
    ParseOidBounded(pNode->szEnterpriseOID, &stEnterprise, TRAP_ENTERPRISE_MAX_IDS);
    *pEnterpriseOid = stEnterprise;
    *pGenericTrapId = SNMP_GENERICTRAP_ENTERSPECIFIC;
    *pSpecificTrapId = pNode->nTrapID;
    *pTimeStamp = GetTickCount() - g_dwTimeZeroReference;
    CopyTrapVariables(*pNode, pVarBindList);

    g_pTrapQueueHead = pNode->pNext;
    if (g_pTrapQueueHead == nullptr) {
        g_pTrapQueueTail = nullptr;
    }
    RAIDAgentMemFree(pNode);
    return TRUE;
}
