#include "MibDump.h"

#include <cstring>

namespace {

// An attribute OID without the dot that the reader appends.
void printAttribOID(FILE* pOut, const char* pszOID) {
    size_t nLength = strlen(pszOID);
    if (nLength > 0 && pszOID[nLength - 1] == '.') {
        nLength--;
    }
    fprintf(pOut, "OID=%.*s\n", static_cast<int>(nLength), pszOID);
}

void printAttribs(FILE* pOut, const char* pszSection, const CGroup& group) {
    int nAttribs = CountFromText(group.szTotalAttrbs);
    for (int k = 0; k < nAttribs; k++) {
        const CBaseAttrib& attrib = group.m_ptrAttribs[k];
        fprintf(pOut, "\n[%s_ATTRB_%d]\n", pszSection, k + 1);
        printAttribOID(pOut, attrib.szOID);
        fprintf(pOut, "NAME=%s\n", attrib.szFnName);
        if (attrib.cAccessType == 0) {
            fprintf(pOut, "ACCESS_TYPE=\n");
        } else {
            fprintf(pOut, "ACCESS_TYPE=%c\n", attrib.cAccessType);
        }
        fprintf(pOut, "DATA_TYPE=%s\n", attrib.szDataType);
    }
}

void printGroupKeys(FILE* pOut, const CGroup& group) {
    fprintf(pOut, "ENTRY_OID=%s\n", group.szEntryOID);
    fprintf(pOut, "CLASS_NAME=%s\n", group.szName);
    fprintf(pOut, "NO_OF_ATTRBS=%s\n", group.szTotalAttrbs);
}

} // namespace

void DumpDefinition(const CParseINI& store, FILE* pOut) {
    fputs("; Printed from a persisted definition file, which never holds the keys that\n"
          "; only qbz_korvomibconv reads for MIB and exporter modules (DESCRIPTION, ENUM,\n"
          "; UNITS, a trap's NAME, MODULE_NAME, ORGANIZATION, CONTACT_INFO): take them\n"
          "; from the definition text it was built from.\n",
          pOut);
    fprintf(pOut, "[GLOBALS]\n");
    fprintf(pOut, "DATA_SRC=%s\n", store.m_szDataSrc);
    fprintf(pOut, "OID_PREFIX=%s\n", store.m_szOIDPrefix);
    fprintf(pOut, "OID_VIEW=%s\n", store.m_szOIDView);
    fprintf(pOut, "VALID_OID=%s\n", store.m_szFirstValidOID);
    fprintf(pOut, "MIB_VERSION=%s\n", store.m_szMIBVersion);
    fprintf(pOut, "NO_OF_GROUPS=%d\n", store.m_nGroups);
    fprintf(pOut, "NO_OF_TBLS=%d\n", store.m_nTables);
    fprintf(pOut, "NO_OF_TRAP_ATTRB=%d\n", store.m_nTrapAttrbs);
    fprintf(pOut, "NO_OF_TRAPS=%d\n", store.m_nTraps);
    fprintf(pOut, "NO_OF_MAPs=%d\n", store.m_nMaps);

    char szSection[32];
    for (int n = 0; n < store.m_nGroups; n++) {
        snprintf(szSection, sizeof(szSection), "GRP_%d", n + 1);
        fprintf(pOut, "\n[%s]\n", szSection);
        printGroupKeys(pOut, store.m_ptrCGroup[n]);
        printAttribs(pOut, szSection, store.m_ptrCGroup[n]);
    }
    for (int n = 0; n < store.m_nTables; n++) {
        const CTbl& table = store.m_ptrCTbl[n];
        snprintf(szSection, sizeof(szSection), "TBL_%d", n + 1);
        fprintf(pOut, "\n[%s]\n", szSection);
        printGroupKeys(pOut, table);
        fprintf(pOut, "NO_OF_KEYS=%d\n", table.nTotalKeys);
        for (int k = 0; k < table.nTotalKeys && k < MAX_TABLE_KEYS; k++) {
            fprintf(pOut, "%s_KEY_%d=%s\n", szSection, k + 1, table.szKeys[k]);
        }
        printAttribs(pOut, szSection, table);
    }
    for (int n = 0; n < store.m_nTrapAttrbs; n++) {
        const CTrapAttrib& trapAttrib = store.m_ptrCTrapAttr[n];
        fprintf(pOut, "\n[TRAPATTRB_%d]\nOID=%s\nNAME=%s\nDATA_TYPE=%s\n", n, trapAttrib.szOID,
                trapAttrib.szAttrName, trapAttrib.szDataType);
    }
    for (int n = 0; n < store.m_nTraps; n++) {
        const CTrap& trap = store.m_ptrCTrap[n];
        fprintf(pOut, "\n[TRAP_%d]\nENTRY_OID=%s\nCODE=%s\nTRAP_ID=%s\nNO_OF_ATTRBS=%s\n", n + 1,
                trap.szEntryOID, trap.szTrapCode, trap.szTrapID, trap.szTotAttrbs);
        int nSlots = CountFromText(trap.szTotAttrbs);
        for (int k = 0; k < nSlots && k < MAX_TRAP_ATTRIBS; k++) {
            fprintf(pOut, "ATTRB_%d=%s\n", k + 1, trap.szAttrbIndex[k]);
        }
    }
    for (int n = 0; n < store.m_nMaps; n++) {
        fprintf(pOut, "\n[MAP_%d]\nFROM_OID=%s\nTO_OID=%s\n", n + 1, store.m_ptrMapObj[n].szFromOID,
                store.m_ptrMapObj[n].szToOID);
    }
}
