// The resolutions of the stores' attributes, by the numbers of their OIDs.
#include "ResolvedObjects.h"

#include "parseini.h"
#include "platform/snmpapi.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A prefix and an entry OID together, and one attribute more.
const UINT MAX_KEY_IDS = 64;
// Attributes of one group or table that are resolved ahead (a count holds
// three digits).
const UINT MAX_RESOLVED_ATTRIBS = 1000;

struct CIdSequence {
    UINT aIds[MAX_KEY_IDS + 1];
    UINT nLength = 0;
};

bool StartsWith(const CIdSequence& stLong, const CIdSequence& stShort) {
    return stShort.nLength <= stLong.nLength &&
           memcmp(stLong.aIds, stShort.aIds, stShort.nLength * sizeof(UINT)) == 0;
}

bool SameSequence(const CIdSequence& stLeft, const CIdSequence& stRight) {
    return stLeft.nLength == stRight.nLength && StartsWith(stLeft, stRight);
}

// One group or table under its store's prefix: the resolutions of the
// attribute numbers its walk takes, from nFirst on. A resolution of type
// OID_NOT_RESOLVED is left to the text resolution.
struct CResolvedEntry {
    CIdSequence stKey; // prefix and entry OID
    UINT nFirst = 0;
    std::vector<CResolvedObject> vObjects;
};

// Order of the entries' keys: by length, then number by number.
bool KeyBefore(const UINT* pLeft, UINT nLeft, const UINT* pRight, UINT nRight) {
    if (nLeft != nRight) {
        return nLeft < nRight;
    }
    for (UINT i = 0; i < nLeft; i++) {
        if (pLeft[i] != pRight[i]) {
            return pLeft[i] < pRight[i];
        }
    }
    return false;
}

// The resolutions, with the stores they were made for. Writer:
// BuildResolvedObjects and ReleaseResolvedObjects beside the stores'
// writers (initParseINIFromFile, closeAllPtrs). Readers: the request path.
struct CResolvedIndex {
    const CParseINI* pStores = nullptr;
    int nStores = 0;
    std::vector<CResolvedEntry> vEntries;
    unsigned nGeneration = 0; // counts the builds and releases
};
CResolvedIndex g_stIndex;

// The entry a thread found last, of the index's generation nGeneration: a
// walk asks for one table's instances one after the other.
struct CLastEntry {
    unsigned nGeneration = 0;
    const CResolvedEntry* pEntry = nullptr;
};
thread_local CLastEntry t_stLastEntry;

bool KeyIs(const CResolvedEntry& stEntry, const UINT* pIds, UINT nLength) {
    return stEntry.stKey.nLength == nLength &&
           memcmp(stEntry.stKey.aIds, pIds, nLength * sizeof(UINT)) == 0;
}

// The entry whose key is the name's first nKey numbers, or null.
const CResolvedEntry* FindEntry(const AsnObjectIdentifier& stName, UINT nKey) {
    const CResolvedEntry* pLast = t_stLastEntry.pEntry;
    if (pLast != nullptr && t_stLastEntry.nGeneration == g_stIndex.nGeneration &&
        KeyIs(*pLast, stName.ids, nKey)) {
        return pLast;
    }
    auto itEntry = std::lower_bound(
        g_stIndex.vEntries.begin(), g_stIndex.vEntries.end(), stName,
        [nKey](const CResolvedEntry& stEntry, const AsnObjectIdentifier& stSought) {
            return KeyBefore(stEntry.stKey.aIds, stEntry.stKey.nLength, stSought.ids, nKey);
        });
    if (itEntry == g_stIndex.vEntries.end() || !KeyIs(*itEntry, stName.ids, nKey)) {
        return nullptr;
    }
    t_stLastEntry.nGeneration = g_stIndex.nGeneration;
    t_stLastEntry.pEntry = &*itEntry;
    return &*itEntry;
}

bool ParseSequence(const char* pszText, CIdSequence& stSequence) {
    return ParseWalkText(pszText, stSequence.aIds, MAX_KEY_IDS, stSequence.nLength);
}

// ---- The walk's resumption takes the request as it is ----------------------

// The store is the first whose prefix stands at prefix.entry.attribute.N for
// every N: no store before it has a prefix that such a name begins with.
bool IsFirstStoreStanding(int iStore, const CIdSequence& stObject,
                          const std::vector<CIdSequence>& vPrefixes,
                          const std::vector<bool>& vParsed) {
    for (int j = 0; j < iStore; j++) {
        if (!vParsed[j]) {
            continue;
        }
        const CIdSequence& stPrefix = vPrefixes[j];
        if (StartsWith(stObject, stPrefix) ||
            (stPrefix.nLength == stObject.nLength + 1 && StartsWith(stPrefix, stObject))) {
            return false;
        }
    }
    return true;
}

// Entry iHolder (entry OID stEntry) is the longest entry that stands at
// prefix.entry.attribute.N for every N: no other entry with attributes has
// the OID entry.attribute or entry.attribute.N.
bool IsHolderEntry(const CParseINI& store, int iHolder, const CIdSequence& stEntryAttrib) {
    for (int i = 0; i < store.m_nGroups + store.m_nTables; i++) {
        const CGroup& entry = store.walkEntry(i);
        CIdSequence stOther;
        if (i == iHolder || CountFromText(entry.szTotalAttrbs) <= 0 ||
            !ParseSequence(entry.szEntryOID, stOther)) {
            continue;
        }
        if (SameSequence(stOther, stEntryAttrib) ||
            (stOther.nLength == stEntryAttrib.nLength + 1 && StartsWith(stOther, stEntryAttrib))) {
            return false;
        }
    }
    return true;
}

// ---- The text resolution gives one answer for every instance ---------------

// Whether strncmp(text, pattern, strlen(pattern)) is decided by the text
// alone, whatever digits and dots follow it; bMatch gets the answer.
bool DecidedByText(const char* pszText, const char* pszPattern, bool& bMatch) {
    size_t nText = strlen(pszText);
    size_t nPattern = strlen(pszPattern);
    if (nPattern <= nText) {
        bMatch = strncmp(pszText, pszPattern, nPattern) == 0;
        return true;
    }
    bMatch = false;
    return strncmp(pszText, pszPattern, nText) != 0;
}

// Whether the text of an instance, T0 followed by digits and ".", could hold
// the prefix somewhere that T0 alone does not decide: the prefix's text
// would end inside the instance's number or at its dot.
bool PrefixCouldEndInInstance(const char* pszPrefix, const char* pszT0) {
    size_t nPrefix = strlen(pszPrefix);
    size_t nT0 = strlen(pszT0);
    for (size_t k = 0; k <= nPrefix && k <= nT0; k++) {
        const char* pszRest = pszPrefix + k;
        size_t nDigits = strspn(pszRest, "0123456789");
        bool bInstanceLike =
            nDigits > 0 &&
            (pszRest[nDigits] == '\0' || (pszRest[nDigits] == '.' && pszRest[nDigits + 1] == 0));
        if (bInstanceLike && strncmp(pszT0 + nT0 - k, pszPrefix, k) == 0) {
            return true;
        }
    }
    return false;
}

// The stores before iStore own T0 + N + "." for no N (getIndexFromOID).
bool NoEarlierStoreOwns(int iStore, const char* pszT0) {
    for (int j = 0; j < iStore; j++) {
        const char* pszPrefix = g_ParseINIarr[j].m_szOIDPrefix;
        if (pszPrefix[0] != '\0' && PrefixCouldEndInInstance(pszPrefix, pszT0)) {
            return false;
        }
    }
    return true;
}

// findExactMatch finds a group's or table's attribute for every T0 + N + ".",
// the same one, deciding each entry and attribute comparison inside T0.
bool ExactMatchIsFixed(const CParseINI& store, const char* pszT0) {
    size_t nPrefixLen = static_cast<size_t>(store.m_nOIDPrefixLen);
    size_t nT0 = strlen(pszT0);
    if (nPrefixLen == 0 || nPrefixLen >= nT0) {
        return false;
    }
    const char* pszRemainder = pszT0 + nPrefixLen + 1;
    for (int bTables = 0; bTables < 2; bTables++) {
        int nEntries = bTables ? store.m_nTables : store.m_nGroups;
        for (int i = 0; i < nEntries; i++) {
            const CGroup& entry =
                bTables ? static_cast<const CGroup&>(store.m_ptrCTbl[i]) : store.m_ptrCGroup[i];
            bool bMatch = false;
            if (!DecidedByText(pszRemainder, entry.szEntryOID, bMatch)) {
                return false;
            }
            if (!bMatch) {
                continue;
            }
            size_t nAttribAt = nPrefixLen + strlen(entry.szEntryOID) + 2;
            if (nAttribAt >= nT0) {
                return false;
            }
            int nAttribs = CountFromText(entry.szTotalAttrbs);
            for (int k = 0; k < nAttribs; k++) {
                if (!DecidedByText(pszT0 + nAttribAt, entry.m_ptrAttribs[k].szOID, bMatch)) {
                    return false;
                }
                if (bMatch) {
                    return true;
                }
            }
        }
    }
    // No exact match: the nearest entry decides, by rules left to the text.
    return false;
}

// Resolves prefix.entry.attribute (stObject) of store iStore into stResolved
// when the text resolution gives one answer for all its instances.
void ResolveObject(int iStore, const CIdSequence& stObject, CResolvedObject& stResolved) {
    AsnObjectIdentifier stName = {stObject.nLength, const_cast<UINT*>(stObject.aIds)};
    char szT0[REQUEST_OID_SIZE];
    if (!FormatBindingOid(stName, szT0, sizeof(szT0))) {
        return;
    }
    size_t nT0 = strlen(szT0);
    if (nT0 + 3 > sizeof(szT0) || !NoEarlierStoreOwns(iStore, szT0) ||
        !ExactMatchIsFixed(g_ParseINIarr[iStore], szT0)) {
        return;
    }
    char szInstance[REQUEST_OID_SIZE];
    snprintf(szInstance, sizeof(szInstance), "%s1.", szT0);
    char szResolved[REQUEST_OID_SIZE];
    memcpy(szResolved, szInstance, sizeof(szResolved));
    if (getIndexFromOID(szInstance) != iStore) {
        return;
    }
    obj_attrib obj;
    int nType = getOID_Details(szResolved, obj);
    if (nType == OID_NOT_RESOLVED || strcmp(szResolved, szInstance) != 0) {
        return;
    }
    stResolved.obj = obj;
    memcpy(stResolved.szText, szT0, sizeof(szT0));
    stResolved.nTextLength = nT0;
    // The name as text, with the instance's digits and ".", must fit the
    // request's text as the dispatch writes it.
    size_t nDigitsRoom = sizeof(szT0) - 2 - nT0;
    stResolved.nInstanceLimit = static_cast<UINT>(INT_MAX);
    if (nDigitsRoom < 10) {
        stResolved.nInstanceLimit = 0;
        for (size_t nDigits = 0; nDigits < nDigitsRoom; ++nDigits) {
            stResolved.nInstanceLimit = stResolved.nInstanceLimit * 10 + 9;
        }
    }
    stResolved.nEntryIds = CountOidComponents(obj.szOID);
    if (stResolved.nEntryIds <= RESOLVED_ENTRY_MAX_IDS) {
        AsnObjectIdentifier stEntry = {0, stResolved.aEntryIds};
        ParseOidBounded(obj.szOID, &stEntry, RESOLVED_ENTRY_MAX_IDS);
    }
    stResolved.nAttribCount =
        getNo_Attr(obj.szOIDPrefix, obj.szOID, nType == OID_GROUP_ATTRIBUTE ? 1 : 0,
                   stResolved.iStartInstance);
    stResolved.nType = nType;
}

// The first entry with attributes whose OID is the same numbers as entry
// iEntry's, or -1 when iEntry has no attributes or its OID is not numbers.
int FirstEntryLike(const CParseINI& store, int iEntry, CIdSequence& stEntry) {
    if (CountFromText(store.walkEntry(iEntry).szTotalAttrbs) <= 0 ||
        !ParseSequence(store.walkEntry(iEntry).szEntryOID, stEntry)) {
        return -1;
    }
    for (int i = 0; i < iEntry; i++) {
        CIdSequence stOther;
        if (CountFromText(store.walkEntry(i).szTotalAttrbs) > 0 &&
            ParseSequence(store.walkEntry(i).szEntryOID, stOther) &&
            SameSequence(stOther, stEntry)) {
            return i;
        }
    }
    return iEntry;
}

// The resolutions of one group or table (walk entry iEntry) of store iStore.
void AddEntry(int iStore, const CIdSequence& stPrefix, int iEntry,
              const std::vector<CIdSequence>& vPrefixes, const std::vector<bool>& vParsed) {
    CParseINI& store = g_ParseINIarr[iStore];
    CIdSequence stEntry;
    if (FirstEntryLike(store, iEntry, stEntry) != iEntry ||
        stPrefix.nLength + stEntry.nLength > MAX_KEY_IDS) {
        return;
    }
    AttribRange stRange = WalkEntryRange(store, iEntry);
    if (stRange.nLast < stRange.nFirst || stRange.nLast - stRange.nFirst >= MAX_RESOLVED_ATTRIBS) {
        return;
    }
    CResolvedEntry stResolved;
    stResolved.stKey = stPrefix;
    memcpy(stResolved.stKey.aIds + stPrefix.nLength, stEntry.aIds, stEntry.nLength * sizeof(UINT));
    stResolved.stKey.nLength = stPrefix.nLength + stEntry.nLength;
    stResolved.nFirst = stRange.nFirst;
    stResolved.vObjects.resize(stRange.nLast - stRange.nFirst + 1);
    CIdSequence stObject = stResolved.stKey;
    CIdSequence stEntryAttrib = stEntry;
    ++stObject.nLength;
    ++stEntryAttrib.nLength;
    for (size_t k = 0; k < stResolved.vObjects.size(); k++) {
        UINT nAttrib = stRange.nFirst + static_cast<UINT>(k);
        stObject.aIds[stObject.nLength - 1] = nAttrib;
        stEntryAttrib.aIds[stEntryAttrib.nLength - 1] = nAttrib;
        if (IsFirstStoreStanding(iStore, stObject, vPrefixes, vParsed) &&
            IsHolderEntry(store, iEntry, stEntryAttrib)) {
            ResolveObject(iStore, stObject, stResolved.vObjects[k]);
        }
    }
    g_stIndex.vEntries.push_back(std::move(stResolved));
}

} // namespace

AttribRange WalkEntryRange(CParseINI& store, int iEntry) {
    const CGroup& entry = store.walkEntry(iEntry);
    UINT nCount = static_cast<UINT>(CountFromText(entry.szTotalAttrbs));
    UINT nFirst = 1;
    if (iEntry < store.m_nGroups) {
        int nStart = 0;
        store.getNo_Attr(entry.szEntryOID, 1, nStart);
        nFirst = static_cast<UINT>(nStart + 1);
    }
    return {nFirst, nFirst + nCount - 1};
}

bool ParseWalkText(const char* pszText, UINT* pIds, UINT nMax, UINT& nLength) {
    nLength = 0;
    for (const char* pszCursor = pszText; *pszCursor != '\0';) {
        if (*pszCursor == '.') {
            ++pszCursor;
            continue;
        }
        unsigned long long nValue = 0;
        while (*pszCursor >= '0' && *pszCursor <= '9') {
            nValue = nValue * 10 + static_cast<unsigned>(*pszCursor++ - '0');
            if (nValue > 0xFFFFFFFFull) {
                return false;
            }
        }
        if ((*pszCursor != '.' && *pszCursor != '\0') || nLength >= nMax) {
            return false;
        }
        pIds[nLength++] = static_cast<UINT>(nValue);
    }
    return nLength > 0;
}

void BuildResolvedObjects() {
    ReleaseResolvedObjects();
    if (g_ParseINIarr == nullptr || g_iNoOfDeviceType <= 0) {
        return;
    }
    std::vector<CIdSequence> vPrefixes(static_cast<size_t>(g_iNoOfDeviceType));
    std::vector<bool> vParsed(static_cast<size_t>(g_iNoOfDeviceType));
    for (int s = 0; s < g_iNoOfDeviceType; s++) {
        vParsed[s] = ParseSequence(g_ParseINIarr[s].m_szOIDPrefix, vPrefixes[s]);
    }
    for (int s = 0; s < g_iNoOfDeviceType; s++) {
        CParseINI& store = g_ParseINIarr[s];
        for (int i = 0; vParsed[s] && i < store.m_nGroups + store.m_nTables; i++) {
            AddEntry(s, vPrefixes[s], i, vPrefixes, vParsed);
        }
    }
    std::sort(g_stIndex.vEntries.begin(), g_stIndex.vEntries.end(),
              [](const CResolvedEntry& stLeft, const CResolvedEntry& stRight) {
                  return KeyBefore(stLeft.stKey.aIds, stLeft.stKey.nLength, stRight.stKey.aIds,
                                   stRight.stKey.nLength);
              });
    g_stIndex.pStores = g_ParseINIarr;
    g_stIndex.nStores = g_iNoOfDeviceType;
    ++g_stIndex.nGeneration;
}

void ReleaseResolvedObjects() {
    g_stIndex.pStores = nullptr;
    g_stIndex.nStores = 0;
    g_stIndex.vEntries.clear();
    ++g_stIndex.nGeneration;
}

const CResolvedObject* FindResolvedObject(const AsnObjectIdentifier& stName) {
    if (g_stIndex.pStores == nullptr || g_stIndex.pStores != g_ParseINIarr ||
        g_stIndex.nStores != g_iNoOfDeviceType || stName.idLength < 3) {
        return nullptr;
    }
    UINT nKey = stName.idLength - 2;
    const CResolvedEntry* pEntry = FindEntry(stName, nKey);
    if (pEntry == nullptr) {
        return nullptr;
    }
    UINT nAttrib = stName.ids[nKey];
    UINT nInstance = stName.ids[nKey + 1];
    if (nAttrib < pEntry->nFirst || nAttrib - pEntry->nFirst >= pEntry->vObjects.size()) {
        return nullptr;
    }
    const CResolvedObject& stResolved = pEntry->vObjects[nAttrib - pEntry->nFirst];
    if (stResolved.nType == OID_NOT_RESOLVED || nInstance > stResolved.nInstanceLimit) {
        return nullptr;
    }
    return &stResolved;
}

void ApplyResolution(const CResolvedObject& stResolved, obj_attrib& obj) {
    const obj_attrib& stFrom = stResolved.obj;
    obj.iDataType = stFrom.iDataType;
    obj.cAccessType = stFrom.cAccessType;
    memcpy(obj.szName, stFrom.szName, sizeof(obj.szName));
    memcpy(obj.szClassName, stFrom.szClassName, sizeof(obj.szClassName));
    memcpy(obj.szOID, stFrom.szOID, sizeof(obj.szOID));
    memcpy(obj.szOIDPrefix, stFrom.szOIDPrefix, sizeof(obj.szOIDPrefix));
    if (stResolved.nType == OID_TABLE_ATTRIBUTE) {
        obj.iNumKeys = stFrom.iNumKeys;
        memcpy(obj.szKeys, stFrom.szKeys, sizeof(obj.szKeys));
    }
}
