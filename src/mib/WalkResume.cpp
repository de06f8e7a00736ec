// Get-next resumption from OIDs that name no object, by numeric comparison
// of the request with the groups and tables of the walk order.
#include "WalkResume.h"

#include "parseini.h"
#include "parseoid.h"
#include "parsepersist.h"
#include "platform/snmpapi.h"

#include <cstring>

namespace {

const UINT MAX_PART_IDS = 20; // a prefix or an entry OID
const UINT MAX_POSITION_IDS = 2 * MAX_PART_IDS + 2;
const int MAX_WALK_ENTRIES = 2 * MAX_PERSISTED_COUNT; // groups and tables of one store

// A dotted text as numbers.
struct CNumericOid {
    UINT aIds[MAX_PART_IDS];
    UINT nLength = 0;
    bool parse(const char* pszText) {
        AsnObjectIdentifier stOid = {0, aIds};
        if (ParseOidBounded(pszText, &stOid, MAX_PART_IDS) != 1) {
            return false;
        }
        nLength = stOid.idLength;
        return nLength > 0;
    }
};

// Whether the name has the part's numbers at offset nAt.
bool HasAt(const AsnObjectIdentifier& stName, UINT nAt, const CNumericOid& stPart) {
    return stName.idLength >= nAt + stPart.nLength &&
           memcmp(stName.ids + nAt, stPart.aIds, stPart.nLength * sizeof(UINT)) == 0;
}

// Compares the name from offset nAt with the part in OID order: negative when
// the name comes first (an ancestor of the part does), 0 when the part is
// there.
int CompareAt(const AsnObjectIdentifier& stName, UINT nAt, const CNumericOid& stPart) {
    for (UINT i = 0; i < stPart.nLength; i++) {
        if (nAt + i >= stName.idLength) {
            return -1;
        }
        UINT nId = stName.ids[nAt + i];
        if (nId != stPart.aIds[i]) {
            return nId < stPart.aIds[i] ? -1 : 1;
        }
    }
    return 0;
}

// A resume position: prefix . entry . attribute [. instance], or a prefix.
class CPosition {
  public:
    void set(const CNumericOid& stPrefix, const CNumericOid* pEntry, UINT nAttrib,
             const UINT* pnInstance) {
        m_nLength = 0;
        append(stPrefix);
        if (pEntry != nullptr) {
            append(*pEntry);
            m_aIds[m_nLength++] = nAttrib;
        }
        if (pnInstance != nullptr) {
            m_aIds[m_nLength++] = *pnInstance;
        }
    }
    // Replaces the name (released and copied, as the platform's utilities
    // want it).
    void store(AsnObjectIdentifier& stName) {
        AsnObjectIdentifier stPosition = {m_nLength, m_aIds};
        SnmpUtilOidFree(&stName);
        SnmpUtilOidCpy(&stName, &stPosition);
    }

  private:
    void append(const CNumericOid& stPart) {
        memcpy(m_aIds + m_nLength, stPart.aIds, stPart.nLength * sizeof(UINT));
        m_nLength += stPart.nLength;
    }
    UINT m_aIds[MAX_POSITION_IDS];
    UINT m_nLength = 0;
};

// The attribute numbers a get-next walks in a group or table: a group's
// members from its first attribute's number on, a table's columns from 1.
struct AttribRange {
    UINT nFirst;
    UINT nLast;
};

AttribRange RangeOf(CParseINI& store, int iEntry) {
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

int KeysOf(const CParseINI& store, int iEntry) {
    return iEntry < store.m_nGroups ? 1 : store.m_ptrCTbl[iEntry - store.m_nGroups].nTotalKeys;
}

// One walk entry of a store, in numbers.
struct WalkEntry {
    int iEntry;
    CNumericOid stEntry;
};

// The request lies in the group or table at nAt (after prefix and entry):
// settles the position within it (true), or says it is passed (false).
bool PlaceInside(AsnObjectIdentifier& stName, UINT nAt, const CNumericOid& stPrefix,
                 const WalkEntry& stWalk, CParseINI& store, WalkResumeResult& eResult) {
    AttribRange stRange = RangeOf(store, stWalk.iEntry);
    CPosition position;
    if (stName.idLength == nAt || stName.ids[nAt] < stRange.nFirst) {
        position.set(stPrefix, &stWalk.stEntry, stRange.nFirst, nullptr);
        position.store(stName);
        eResult = WALK_RESUME_MOVED;
        return true;
    }
    UINT nAttrib = stName.ids[nAt];
    if (nAttrib > stRange.nLast) {
        return false;
    }
    eResult = WALK_RESUME_UNCHANGED;
    // Tables with two or three keys keep their walk as it is; an attribute
    // alone or with one instance is what the usual get-next takes.
    if (KeysOf(store, stWalk.iEntry) >= 2 || stName.idLength <= nAt + 2) {
        return true;
    }
    // Further sub-identifiers below an instance: the next object is the one
    // after that instance.
    UINT nInstance = stName.ids[nAt + 1];
    position.set(stPrefix, &stWalk.stEntry, nAttrib, &nInstance);
    position.store(stName);
    eResult = WALK_RESUME_MOVED;
    return true;
}

// The walk entry that holds the request (the longest entry OID under the
// prefix that the request continues), or -1.
int HolderOf(const AsnObjectIdentifier& stName, UINT nPrefixLength, const WalkEntry* pEntries,
             int nEntries) {
    int iHolder = -1;
    for (int i = 0; i < nEntries; i++) {
        if (HasAt(stName, nPrefixLength, pEntries[i].stEntry) &&
            (iHolder < 0 || pEntries[i].stEntry.nLength > pEntries[iHolder].stEntry.nLength)) {
            iHolder = i;
        }
    }
    return iHolder;
}

// Settles the position for a request under the store's prefix: inside the
// group or table that holds it, else at the first object of the walk entry
// that follows (after the holder in walk order, or the first one after the
// request), else (false) nothing in this store follows.
bool PlaceInStore(AsnObjectIdentifier& stName, CParseINI& store, const CNumericOid& stPrefix,
                  WalkResumeResult& eResult) {
    // Scratch of the request path, per request: requests are served one at a
    // time (the dispatch's own state is process-wide too, Zundfunc.h); these
    // are too large for the stack.
    static int aIndexes[MAX_WALK_ENTRIES];
    static WalkEntry aEntries[MAX_WALK_ENTRIES];
    int nIndexes = store.getWalkEntries(aIndexes, MAX_WALK_ENTRIES);
    int nEntries = 0;
    for (int i = 0; i < nIndexes; i++) {
        aEntries[nEntries].iEntry = aIndexes[i];
        if (aEntries[nEntries].stEntry.parse(store.walkEntry(aIndexes[i]).szEntryOID)) {
            nEntries++;
        }
    }
    int iHolder = HolderOf(stName, stPrefix.nLength, aEntries, nEntries);
    if (iHolder >= 0 && PlaceInside(stName, stPrefix.nLength + aEntries[iHolder].stEntry.nLength,
                                    stPrefix, aEntries[iHolder], store, eResult)) {
        return true;
    }
    for (int i = iHolder + 1; i < nEntries; i++) {
        if (iHolder >= 0 || CompareAt(stName, stPrefix.nLength, aEntries[i].stEntry) < 0) {
            CPosition position;
            position.set(stPrefix, &aEntries[i].stEntry, RangeOf(store, aEntries[i].iEntry).nFirst,
                         nullptr);
            position.store(stName);
            eResult = WALK_RESUME_MOVED;
            return true;
        }
    }
    return false;
}

bool PrefixOf(int iStore, CNumericOid& stPrefix) {
    return stPrefix.parse(g_ParseINIarr[iStore].m_szOIDPrefix);
}

// The first store whose prefix covers the name; -1 when none does.
int StoreCovering(const AsnObjectIdentifier& stName) {
    for (int i = 0; i < g_iNoOfDeviceType; i++) {
        CNumericOid stPrefix;
        if (PrefixOf(i, stPrefix) && HasAt(stName, 0, stPrefix)) {
            return i;
        }
    }
    return -1;
}

// The store with the smallest prefix after the name; -1 when none.
int StoreAfter(const AsnObjectIdentifier& stName) {
    int iNext = -1;
    CNumericOid stNext;
    for (int i = 0; i < g_iNoOfDeviceType; i++) {
        CNumericOid stPrefix;
        if (!PrefixOf(i, stPrefix) || CompareAt(stName, 0, stPrefix) >= 0) {
            continue;
        }
        AsnObjectIdentifier stCandidate = {stPrefix.nLength, stPrefix.aIds};
        if (iNext < 0 || CompareAt(stCandidate, 0, stNext) < 0) {
            iNext = i;
            stNext = stPrefix;
        }
    }
    return iNext;
}

// ---- The common case, without parsing or allocating --------------------------

// Whether the dotted text of plain decimal components (empty components
// skipped) stands in the name from offset nAt; nEnd gets the offset after it.
bool TextStandsAt(const char* pszText, const AsnObjectIdentifier& stName, UINT nAt, UINT& nEnd) {
    UINT nIndex = nAt;
    bool bAny = false;
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
        if ((*pszCursor != '.' && *pszCursor != '\0') || nIndex >= stName.idLength ||
            stName.ids[nIndex] != nValue) {
            return false;
        }
        ++nIndex;
        bAny = true;
    }
    nEnd = nIndex;
    return bAny;
}

// True when the request names an attribute (and at most one instance, or any
// instance of a table with two or three keys) of a group or table of the
// store it lies under: the usual get-next takes it as it is. This is what a
// walk asks for all the time.
bool IsOrdinaryRequest(const AsnObjectIdentifier& stName) {
    for (int iStore = 0; iStore < g_iNoOfDeviceType; iStore++) {
        CParseINI& store = g_ParseINIarr[iStore];
        UINT nPrefixEnd = 0;
        if (!TextStandsAt(store.m_szOIDPrefix, stName, 0, nPrefixEnd)) {
            continue;
        }
        int iHolder = -1;
        UINT nHolderEnd = 0;
        for (int i = 0; i < store.m_nGroups + store.m_nTables; i++) {
            UINT nEnd = 0;
            if (CountFromText(store.walkEntry(i).szTotalAttrbs) > 0 &&
                TextStandsAt(store.walkEntry(i).szEntryOID, stName, nPrefixEnd, nEnd) &&
                nEnd > nHolderEnd) {
                iHolder = i;
                nHolderEnd = nEnd;
            }
        }
        if (iHolder < 0 || stName.idLength <= nHolderEnd) {
            return false;
        }
        AttribRange stRange = RangeOf(store, iHolder);
        UINT nAttrib = stName.ids[nHolderEnd];
        return nAttrib >= stRange.nFirst && nAttrib <= stRange.nLast &&
               (stName.idLength <= nHolderEnd + 2 || KeysOf(store, iHolder) >= 2);
    }
    return false;
}

} // namespace

WalkResumeResult ResumeWalkPosition(AsnObjectIdentifier& stName) {
    if (g_ParseINIarr == nullptr || g_iNoOfDeviceType <= 0 || IsOrdinaryRequest(stName)) {
        return WALK_RESUME_UNCHANGED;
    }
    // Under a store's prefix, or else before the store that comes next.
    int iStore = StoreCovering(stName);
    if (iStore < 0) {
        iStore = StoreAfter(stName);
    }
    for (; iStore >= 0 && iStore < g_iNoOfDeviceType; iStore++) {
        CNumericOid stPrefix;
        if (!PrefixOf(iStore, stPrefix)) {
            continue;
        }
        // A store the request is not under is entered before its first object.
        if (!HasAt(stName, 0, stPrefix)) {
            CPosition position;
            position.set(stPrefix, nullptr, 0, nullptr);
            position.store(stName);
        }
        WalkResumeResult eResult = WALK_RESUME_UNCHANGED;
        if (PlaceInStore(stName, g_ParseINIarr[iStore], stPrefix, eResult)) {
            return eResult;
        }
    }
    return WALK_RESUME_END;
}
