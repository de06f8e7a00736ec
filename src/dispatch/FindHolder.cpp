#include "FindHolder.h"

#include <cstring>

int g_noOfDLL = 0;
MIB_DC* g_pMIB_DC = nullptr;

namespace {

// The first entry whose prefix text is exactly szOIDPrefix, or null.
MIB_DC* findEntryByPrefix(const char* szOIDPrefix) {
    if (g_pMIB_DC == nullptr) {
        return nullptr;
    }
    for (int iEntry = 0; iEntry < g_noOfDLL; ++iEntry) {
        if (strcmp(g_pMIB_DC[iEntry].pszOIDPrefix, szOIDPrefix) == 0) {
            return &g_pMIB_DC[iEntry];
        }
    }
    return nullptr;
}

// Asks the library for the class's holder and keeps the answer in the slot.
CBaseHolder* fillSlot(MIB_DC& stEntry, HolderNamePtrPair& stSlot, const char* szClassName) {
    strcpy(stSlot.Classname, szClassName);
    stSlot.p_mCBaseHolder =
        stEntry.m_pholder != nullptr ? stEntry.m_pholder(stSlot.Classname) : nullptr;
    return stSlot.p_mCBaseHolder;
}

// True when pszOID starts with the prefix text and the prefix ends there at
// a sub-identifier boundary.
bool prefixCoversOid(const char* pszPrefix, const char* pszOID) {
    size_t nPrefixLen = strlen(pszPrefix);
    if (nPrefixLen == 0 || strncmp(pszOID, pszPrefix, nPrefixLen) != 0) {
        return false;
    }
    char cNext = pszOID[nPrefixLen];
    return cNext == '\0' || cNext == '.';
}

} // namespace

CBaseHolder* getHolder(const char* szClassName, const char* szOIDPrefix) {
    if (szClassName == nullptr || szOIDPrefix == nullptr ||
        strlen(szClassName) >= static_cast<size_t>(HOLDER_CLASSNAME_SIZE)) {
        return nullptr;
    }
    MIB_DC* pEntry = findEntryByPrefix(szOIDPrefix);
    if (pEntry == nullptr) {
        return nullptr;
    }
    for (HolderNamePtrPair& stSlot : pEntry->holdrarr) {
        if (strcmp(stSlot.Classname, szClassName) == 0) {
            return stSlot.p_mCBaseHolder;
        }
        if (stSlot.p_mCBaseHolder == nullptr) {
            return fillSlot(*pEntry, stSlot, szClassName);
        }
    }
    return nullptr;
}

int getIDForOIDPrefixASNForOID(const char* pszOID) {
    if (pszOID == nullptr || g_pMIB_DC == nullptr) {
        return NO_LIBRARY_ENTRY;
    }
    for (int iEntry = 0; iEntry < g_noOfDLL; ++iEntry) {
        // An entry whose library did not load has no holder export and
        // serves nothing, whatever its prefix text holds.
        if (g_pMIB_DC[iEntry].m_pholder != nullptr &&
            prefixCoversOid(g_pMIB_DC[iEntry].pszOIDPrefix, pszOID)) {
            return iEntry;
        }
    }
    return NO_LIBRARY_ENTRY;
}
