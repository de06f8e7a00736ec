#include "snmpapi.h"

#include "RAIDMemAlloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Splits dotted text into sub-identifiers; returns how many were found, of
// which at most nMax are stored.
int SplitOidText(const char* pszText, UINT* pIds, int nMax) {
    int nFound = 0;
    const char* pszCursor = pszText;
    while (*pszCursor != '\0') {
        if (*pszCursor == '.') {
            ++pszCursor;
            continue;
        }
        const char* pszEnd = strchr(pszCursor, '.');
        size_t nLen = pszEnd ? static_cast<size_t>(pszEnd - pszCursor) : strlen(pszCursor);
        if (nFound < nMax && pIds != nullptr) {
            char szComponent[64];
            size_t nCopy = nLen < sizeof(szComponent) - 1 ? nLen : sizeof(szComponent) - 1;
            memcpy(szComponent, pszCursor, nCopy);
            szComponent[nCopy] = '\0';
            pIds[nFound] = static_cast<UINT>(strtol(szComponent, nullptr, 10));
        }
        ++nFound;
        pszCursor += nLen;
    }
    return nFound;
}

} // namespace

int SnmpUtilAToOid(const char* pszText, AsnObjectIdentifier* pOid) {
    size_t nTextLen = strlen(pszText);
    char* pszCopy = static_cast<char*>(RAIDAgentMemAlloc(nTextLen + 1));
    if (pszCopy == nullptr) {
        printf("Entering SnmpUtilAToOid fault\n");
        exit(0);
    }
    memcpy(pszCopy, pszText, nTextLen + 1);

    UINT aCollected[MAX_OID_TEXT_COMPONENTS];
    int nFound = SplitOidText(pszCopy, aCollected, MAX_OID_TEXT_COMPONENTS);
    int nStored = nFound < MAX_OID_TEXT_COMPONENTS ? nFound : MAX_OID_TEXT_COMPONENTS;

    pOid->idLength = static_cast<UINT>(nStored);
    if (pOid->ids == nullptr) {
        printf("Entering SnmpUtilAToOid2\n");
        exit(0);
    }
    if (nStored > 0) {
        memcpy(pOid->ids, aCollected, static_cast<size_t>(nStored) * sizeof(UINT));
    }
    RAIDAgentMemFree(pszCopy);
    return 1;
}

int PrintOid(char* pszBuffer, AsnObjectIdentifier oid) {
    int nWritten = 0;
    for (UINT i = 0; i < oid.idLength; ++i) {
        nWritten += sprintf(pszBuffer + nWritten, ".%d", static_cast<int>(oid.ids[i]));
    }
    nWritten += sprintf(pszBuffer + nWritten, "\n");
    return nWritten;
}

int CountOidComponents(const char* pszText) {
    return SplitOidText(pszText, nullptr, 0);
}

int ParseOidBounded(const char* pszText, AsnObjectIdentifier* pOid, UINT nCapacity) {
    int nComponents = CountOidComponents(pszText);
    if (nComponents > static_cast<int>(nCapacity) || nComponents > MAX_OID_TEXT_COMPONENTS) {
        return 0;
    }
    return SnmpUtilAToOid(pszText, pOid);
}

int PrintOidBounded(char* pszBuffer, size_t nSize, const AsnObjectIdentifier& oid) {
    if (nSize == 0) {
        return -1;
    }
    size_t nWritten = 0;
    for (UINT i = 0; i <= oid.idLength; ++i) {
        int nPiece = i < oid.idLength ? snprintf(pszBuffer + nWritten, nSize - nWritten, ".%d",
                                                 static_cast<int>(oid.ids[i]))
                                      : snprintf(pszBuffer + nWritten, nSize - nWritten, "\n");
        if (nPiece < 0 || static_cast<size_t>(nPiece) >= nSize - nWritten) {
            pszBuffer[0] = '\0';
            return -1;
        }
        nWritten += static_cast<size_t>(nPiece);
    }
    return static_cast<int>(nWritten);
}
