// OID text as requests carry it: parsed into a binding's name (unbounded and
// bounded), written back as text, and resolved against the sample stores the
// way the dispatch resolves it (walk order included).
#include "CFuzzWorkDir.h"
#include "channel/zundshm.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"
#include "platform/snmpapi.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const SAMPLE_DEFINITIONS[] = {
    KORVO_SOURCE_DIR "/examples/korvosim-raid.ini",
    KORVO_SOURCE_DIR "/examples/korvosim-enclosure.ini",
};

void LoadSampleStores() {
    g_iNoOfDeviceType = 2;
    g_ParseINIarr = new CParseINI[g_iNoOfDeviceType];
    for (int i = 0; i < g_iNoOfDeviceType; ++i) {
        if (!g_ParseINIarr[i].readINI(SAMPLE_DEFINITIONS[i])) {
            abort();
        }
    }
    qsort(g_ParseINIarr, g_iNoOfDeviceType, sizeof(CParseINI), CParseINI_cmp);
}

// Resolves the text as the dispatch does: into its 50-byte buffer, then the
// next entry of the walk order from the resolved object.
void Resolve(const AsnObjectIdentifier& stOid) {
    char szOID[REQUEST_OID_SIZE] = {0};
    if (PrintOidBounded(szOID, sizeof(szOID), stOid) < 0) {
        return;
    }
    szOID[strcspn(szOID, "\n")] = 0;
    obj_attrib obj;
    getOID_Details(szOID, obj);
    int iIndex = getIndexFromOID(szOID);
    if (iIndex >= 0 && iIndex < g_iNoOfDeviceType) {
        char szNext[REQUEST_OID_SIZE * 2] = {0};
        g_ParseINIarr[iIndex].getValid_OID(szNext);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    LoadSampleStores();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strText(reinterpret_cast<const char*>(pData), nSize);
    UINT aIds[MAX_OID_TEXT_COMPONENTS];
    AsnObjectIdentifier stOid = {0, aIds};
    SnmpUtilAToOid(strText.c_str(), &stOid);
    char szPrinted[MAX_OID_TEXT_COMPONENTS * 12 + 2];
    PrintOid(szPrinted, stOid);

    UINT aBounded[ZUND_MAX_OID_IDS];
    AsnObjectIdentifier stBounded = {0, aBounded};
    if (ParseOidBounded(strText.c_str(), &stBounded, ZUND_MAX_OID_IDS) != 0) {
        Resolve(stBounded);
    }
    return 0;
}
