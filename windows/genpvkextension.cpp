// The extension agent's remaining entry points: the further supported
// regions, the query of a whole variable-binding list, and the close.
#include "CTraceScope.h"
#include "TrapQueue.h"
#include "agent/genpvkinit.h"
#include "dispatch/genpvkdispatch.h"
#include "genpvkwin.h"
#include "mib/parseini.h"
#include "platform/snmpapi.h"

namespace {

const UINT REGION_IDS = 9;
// The further supported regions, handed out in this order.
UINT g_aRegions[][REGION_IDS] = {
    {1, 3, 6, 1, 4, 1, 7310, 4, 1},
    {1, 3, 6, 1, 4, 1, 7310, 5, 1},
};
const int REGION_COUNT = sizeof(g_aRegions) / sizeof(g_aRegions[0]);
// Writer and reader: SnmpExtensionInitEx, on the service's thread during
// start-up, after SnmpExtensionInit.
int g_nRegionsHandedOut = 0;

// A get-next that found nothing: the first name after the agent's subtree.
void SetEndOfView(RFC1157VarBind& stBinding) {
    SnmpUtilOidFree(&stBinding.name);
    if (SnmpUtilOidCpy(&stBinding.name, &g_stEnterpriseOid) && stBinding.name.idLength > 0) {
        ++stBinding.name.ids[stBinding.name.idLength - 1];
    }
}

UINT QueryBinding(BYTE bPduType, RFC1157VarBind& stBinding) {
    UINT nStatus = zund_initover ? PopulateValue(&stBinding, bPduType) : SNMP_STATUS_NOSUCHNAME;
    if (nStatus == SNMP_STATUS_NOSUCHNAME && bPduType == SNMP_ACTION_GETNEXT) {
        nStatus = SNMP_STATUS_NOERROR;
        SetEndOfView(stBinding);
    }
    return nStatus;
}

} // namespace

BOOL WINAPI SnmpExtensionInitEx(AsnObjectIdentifier* pNextSupportedRegion) {
    CTraceScope scope("SnmpExtensionInitEx");
    if (g_nRegionsHandedOut >= REGION_COUNT) {
        return FALSE;
    }
    pNextSupportedRegion->idLength = REGION_IDS;
    pNextSupportedRegion->ids = g_aRegions[g_nRegionsHandedOut++];
    return TRUE;
}

BOOL WINAPI SnmpExtensionQuery(BYTE bPduType, RFC1157VarBindList* pVarBindList,
                               AsnInteger32* pErrorStatus, AsnInteger32* pErrorIndex) {
    if (hAgentThread != nullptr) {
        WaitForSingleObject(hAgentThread, INFINITE);
    }
    for (UINT i = 0; pVarBindList != nullptr && i < pVarBindList->len; ++i) {
        *pErrorStatus = static_cast<AsnInteger32>(QueryBinding(bPduType, pVarBindList->list[i]));
        if (*pErrorStatus != SNMP_STATUS_NOERROR) {
            *pErrorIndex = static_cast<AsnInteger32>(i + 1);
            break;
        }
    }
    return TRUE;
}

VOID WINAPI SnmpExtensionClose() {
    CTraceScope scope("SnmpExtensionClose");
    InterlockedExchange(&g_bAgentClosing, 1);
    if (hVarListFreeEvent != nullptr) {
        SetEvent(hVarListFreeEvent);
    }
    UnloadLibraries();
    if (hAgentThread != nullptr) {
        WaitForSingleObject(hAgentThread, INFINITE);
    }
    FreeTrapVarBindList();
    closeAllPtrs();
    ReleaseTrapQueue();
}
