// The records of a MIB definition: their constructors (every field cleared)
// and the bounded copy and count reading of their fields.
#include "parserecords.h"

#include <cstdlib>
#include <cstring>

// ---- Filling the fields -----------------------------------------------------

bool CopyField(char* pszField, size_t nSize, const char* pszText) {
    if (nSize == 0) {
        return false;
    }
    memset(pszField, 0, nSize);
    if (pszText == nullptr) {
        return true;
    }
    size_t nLength = strnlen(pszText, nSize);
    bool bFits = nLength < nSize;
    if (!bFits) {
        nLength = nSize - 1;
    }
    memcpy(pszField, pszText, nLength);
    return bFits;
}

int CountFromText(const char* pszCount) {
    int nCount = atoi(pszCount);
    return nCount < 0 ? 0 : nCount;
}

// ---- Records ----------------------------------------------------------------

CBaseAttrib::CBaseAttrib() : cAccessType('R'), iDataType(0) {
    memset(szOID, 0, sizeof(szOID));
    memset(szDataType, 0, sizeof(szDataType));
    memset(szFnName, 0, sizeof(szFnName));
}

CGroup::CGroup() : m_ptrAttribs(nullptr) {
    memset(szName, 0, sizeof(szName));
    memset(szEntryOID, 0, sizeof(szEntryOID));
    memset(szTotalAttrbs, 0, sizeof(szTotalAttrbs));
}

CTbl::CTbl() : nTotalKeys(0) {
    memset(szTotalKeys, 0, sizeof(szTotalKeys));
    memset(szKeys, 0, sizeof(szKeys));
}

CTrap::CTrap() {
    memset(szTrapCode, 0, sizeof(szTrapCode));
    memset(szEntryOID, 0, sizeof(szEntryOID));
    memset(szTotAttrbs, 0, sizeof(szTotAttrbs));
    memset(szAttrbIndex, 0, sizeof(szAttrbIndex));
    memset(szTrapID, 0, sizeof(szTrapID));
}

CTrapAttrib::CTrapAttrib() {
    memset(szOID, 0, sizeof(szOID));
    memset(szDataType, 0, sizeof(szDataType));
    memset(szAttrName, 0, sizeof(szAttrName));
}

MapObj::MapObj() {
    memset(szFromOID, 0, sizeof(szFromOID));
    memset(szToOID, 0, sizeof(szToOID));
}

obj_attrib::obj_attrib() : iNumKeys(0), iDataType(0), cAccessType(0) {
    memset(szOID, 0, sizeof(szOID));
    memset(szOIDPrefix, 0, sizeof(szOIDPrefix));
    memset(szClassName, 0, sizeof(szClassName));
    memset(szName, 0, sizeof(szName));
    memset(szKeys, 0, sizeof(szKeys));
}

TrapObj::TrapObj() : m_ptrAttribs(nullptr), nTrapID(0), nTotalAttrbs(0) {
    memset(szTrapCode, 0, sizeof(szTrapCode));
    memset(szEntryOID, 0, sizeof(szEntryOID));
    memset(szOIDPrefix, 0, sizeof(szOIDPrefix));
    memset(szOIDView, 0, sizeof(szOIDView));
}

void releaseTrapObj(TrapObj* pTrapObj) {
    if (pTrapObj == nullptr) {
        return;
    }
    delete[] pTrapObj->m_ptrAttribs;
    delete pTrapObj;
}
