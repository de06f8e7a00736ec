// Get-next and get through the dispatch over the two sample definitions,
// from request OIDs anywhere around them: the input's first byte sets the
// instance count every class reports, each further byte one sub-identifier
// after the enterprise arc (small numbers mostly, so that the requests land
// on and between the objects, and numbers near 2^32). A get-next that answers
// must answer an OID after the request: the sample walk orders increase.
#include "CFuzzWorkDir.h"
#include "agent/genpvkinit.h"
#include "dispatch/FindHolder.h"
#include "dispatch/genpvkdispatch.h"
#include "mib/parseini.h"
#include "platform/snmpapi.h"

#include <cstdlib>
#include <cstring>

namespace {

const UINT ENTERPRISE_ARC[] = {1, 3, 6, 1, 4, 1, 7310};
const UINT MAX_REQUEST_IDS = 50;

class CFuzzHolder : public CBaseHolder {
  public:
    int getInstanceCount() override { return m_nCount; }
    int getIntAttribute(int iInstance, char*, int* piValue) override {
        *piValue = iInstance;
        return 0;
    }
    int getStringAttribute(int, char*, char* pszBuffer) override {
        strcpy(pszBuffer, "text");
        return 0;
    }
    int setIntAttribute(int, char*, int) override { return 0; }
    int m_nCount = 0;
};

CFuzzHolder g_stHolder;

CBaseHolder* HolderByName(char*) {
    return &g_stHolder;
}

UINT SubIdentifierOf(uint8_t nByte) {
    if (nByte < 200) {
        return nByte % 12;
    }
    if (nByte < 240) {
        return nByte;
    }
    return 0xFFFFFFFFu - (255u - nByte);
}

// OID order: negative when the first comes first.
int Compare(const AsnObjectIdentifier& stFirst, const UINT* pSecond, UINT nSecond) {
    for (UINT i = 0; i < stFirst.idLength && i < nSecond; ++i) {
        if (stFirst.ids[i] != pSecond[i]) {
            return stFirst.ids[i] < pSecond[i] ? -1 : 1;
        }
    }
    return static_cast<int>(stFirst.idLength) - static_cast<int>(nSecond);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    g_iNoOfDeviceType = 2;
    g_ParseINIarr = new CParseINI[2];
    if (!g_ParseINIarr[0].readINI(KORVO_SOURCE_DIR "/examples/korvosim-raid.ini") ||
        !g_ParseINIarr[1].readINI(KORVO_SOURCE_DIR "/examples/korvosim-enclosure.ini")) {
        abort();
    }
    g_noOfDLL = 2;
    g_pMIB_DC = new MIB_DC[2];
    for (int i = 0; i < 2; ++i) {
        strcpy(g_pMIB_DC[i].pszOIDPrefix, g_ParseINIarr[i].m_szOIDPrefix);
        g_pMIB_DC[i].m_pholder = HolderByName;
        CreateASNFromOID(g_pMIB_DC[i].pszOIDPrefix, g_pMIB_DC[i].MibOidPrefix, i);
    }
    zund_initover = 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    g_stHolder.m_nCount = pData[0] % 8;
    UINT aRequest[MAX_REQUEST_IDS];
    UINT nRequest = 0;
    for (UINT nId : ENTERPRISE_ARC) {
        aRequest[nRequest++] = nId;
    }
    for (size_t i = 1; i < nSize && nRequest < MAX_REQUEST_IDS; ++i) {
        aRequest[nRequest++] = SubIdentifierOf(pData[i]);
    }
    UINT aName[MAX_REQUEST_IDS];
    RFC1157VarBind stBinding = {};
    stBinding.name.ids = aName;
    for (UINT nAction : {SNMP_ACTION_GETNEXT, SNMP_ACTION_GET}) {
        memcpy(aName, aRequest, nRequest * sizeof(UINT));
        stBinding.name.idLength = nRequest;
        UINT nStatus = PopulateValue(&stBinding, nAction);
        if (nAction == SNMP_ACTION_GETNEXT && nStatus == SNMP_STATUS_NOERROR &&
            Compare(stBinding.name, aRequest, nRequest) <= 0) {
            abort(); // a get-next that does not move forward
        }
        if (stBinding.value.asnType == ASN_OCTETSTRING) {
            SnmpUtilMemFree(stBinding.value.asnValue.string.stream);
        }
        memset(&stBinding.value, 0, sizeof(stBinding.value));
    }
    return 0;
}
