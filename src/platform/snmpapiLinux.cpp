// The daemon's stand-ins for the memory and OID operations of the platform's
// snmpapi, which the extension agent takes from Windows itself (snmpapi.h).
#include "snmpapi.h"

#include "RAIDMemAlloc.h"

#include <cstdlib>
#include <cstring>

void* SnmpUtilMemAlloc(UINT nSize) {
    void* pMem = RAIDAgentMemAlloc(nSize);
    if (pMem == nullptr) {
        exit(0);
    }
    return pMem;
}

void SnmpUtilMemFree(void* pMem) {
    RAIDAgentMemFree(pMem);
}

void SnmpUtilOidFree(AsnObjectIdentifier* /*pOid*/) {}

int SnmpUtilOidCpy(AsnObjectIdentifier* pDest, AsnObjectIdentifier* pSrc) {
    if (pDest->ids == nullptr) {
        exit(0);
    }
    pDest->idLength = pSrc->idLength;
    if (pSrc->idLength > 0) {
        memmove(pDest->ids, pSrc->ids, pSrc->idLength * sizeof(UINT));
    }
    return 1;
}

int SnmpUtilOidAppend(AsnObjectIdentifier* pDest, AsnObjectIdentifier* pSrc) {
    if (pSrc->idLength == 0) {
        return 1;
    }
    if (pDest->ids == nullptr) {
        exit(0);
    }
    memmove(pDest->ids + pDest->idLength, pSrc->ids, pSrc->idLength * sizeof(UINT));
    pDest->idLength += pSrc->idLength;
    return 1;
}
