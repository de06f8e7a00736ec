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

// Each field is value-initialised: the texts all zero bytes, the numbers 0.

CBaseAttrib::CBaseAttrib() : szOID(), szDataType(), szFnName(), cAccessType('R'), iDataType(0) {}

CGroup::CGroup() : szName(), szEntryOID(), szTotalAttrbs(), m_ptrAttribs(nullptr) {}

CTbl::CTbl() : nTotalKeys(0), szTotalKeys(), szKeys() {}

CTrap::CTrap() : szTrapCode(), szEntryOID(), szTotAttrbs(), szAttrbIndex(), szTrapID() {}

CTrapAttrib::CTrapAttrib() : szOID(), szDataType(), szAttrName() {}

MapObj::MapObj() : szFromOID(), szToOID() {}

obj_attrib::obj_attrib()
    : iNumKeys(0), szOID(), szOIDPrefix(), iDataType(0), cAccessType(0), szClassName(), szName(),
      szKeys() {}

TrapObj::TrapObj()
    : m_ptrAttribs(nullptr), nTrapID(0), nTotalAttrbs(0), szTrapCode(), szEntryOID(), szOIDPrefix(),
      szOIDView() {}

void releaseTrapObj(TrapObj* pTrapObj) {
    if (pTrapObj == nullptr) {
        return;
    }
    delete[] pTrapObj->m_ptrAttribs;
    delete pTrapObj;
}
