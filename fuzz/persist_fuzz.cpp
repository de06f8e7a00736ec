// The persisted definition file, read in both table layouts, then resolved
// against: the first object and the walk from it.
#include "CFuzzWorkDir.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"
#include "mib/parsepersist.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    return 0;
}

namespace {

void WalkFirstObject(CParseINI& store) {
    char szFirst[REQUEST_OID_SIZE * 2] = {0};
    if (!store.getFirstObject(szFirst, sizeof(szFirst))) {
        return;
    }
    char szOID[REQUEST_OID_SIZE] = {0};
    snprintf(szOID, sizeof(szOID), "%s.%s", store.m_szOIDPrefix, szFirst);
    obj_attrib obj;
    store.getOID_Details(szOID, obj);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strPath = CFuzzWorkDir::WriteFile("definition.dat", pData, nSize);
    for (int iLayout : {TABLE_LAYOUT_LINUX, TABLE_LAYOUT_WINDOWS}) {
        CParseINI store;
        PersistReport report;
        store.persistINIWithLayout(strPath.c_str(), true, iLayout, &report);
        WalkFirstObject(store);
        TrapObj* pTrap = store.getTrap_Details("1");
        if (pTrap != nullptr) {
            releaseTrapObj(pTrap);
        }
        store.releaseArrays();
    }
    return 0;
}
