// OID resolution over the stores: which store, group or table and attribute
// an OID text names, attribute counts, and the walk order within and across
// stores. Every comparison is a byte-wise comparison of texts.
#include "parseoid.h"

#include "parseini.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const ENTERPRISE_ARC = "1.3.6.1.4.1.7310";
const int VALID_OID_PREFIX_COMPONENTS = 8;
const size_t FIRST_OBJECT_SIZE = ENTRY_OID_SIZE + ATTRIB_OID_SIZE + 2;

// The text from position nAt on, or the empty end when the text is shorter.
const char* textFrom(const char* pszText, size_t nAt) {
    size_t nLength = strlen(pszText);
    return pszText + (nAt < nLength ? nAt : nLength);
}

bool beginsWith(const char* pszText, const char* pszStart) {
    return strncmp(pszText, pszStart, strlen(pszStart)) == 0;
}

// The first attribute whose OID (with its dot) begins pszAttribText, or -1.
int findAttrib(const CGroup& group, const char* pszAttribText) {
    int nAttribs = CountFromText(group.szTotalAttrbs);
    for (int i = 0; i < nAttribs; i++) {
        if (beginsWith(pszAttribText, group.m_ptrAttribs[i].szOID)) {
            return i;
        }
    }
    return -1;
}

// Entry "." first attribute OID of a group or table that has attributes.
void formFirstObject(const CGroup& group, char* pszObject, size_t nSize) {
    snprintf(pszObject, nSize, "%s.%s", group.szEntryOID, group.m_ptrAttribs[0].szOID);
}

bool hasAttribs(const CGroup& group) {
    return CountFromText(group.szTotalAttrbs) > 0;
}

// The first entry that has attributes and for which the remainder is empty or
// a text prefix of its entry OID; -1 when none.
template <class TEntry>
int findNearest(const TEntry* pEntries, int nEntries, const char* pszRemainder, int nRemainderLen) {
    for (int i = 0; i < nEntries; i++) {
        if (!hasAttribs(pEntries[i])) {
            continue;
        }
        if (nRemainderLen <= 0 || strncmp(pEntries[i].szEntryOID, pszRemainder,
                                          static_cast<size_t>(nRemainderLen)) == 0) {
            return i;
        }
    }
    return -1;
}

bool isStoreIndex(int iIndex) {
    return g_ParseINIarr != nullptr && iIndex >= 0 && iIndex < g_iNoOfDeviceType;
}

// The text of a VALID_OID after its eighth component; false when it has fewer
// than eight. Keeps no state between calls.
bool validOIDTail(const char* pszValidOID, char* pszTail, size_t nSize) {
    const char* pszCursor = pszValidOID;
    for (int nComponent = 0; nComponent < VALID_OID_PREFIX_COMPONENTS; nComponent++) {
        pszCursor += strspn(pszCursor, ".");
        if (*pszCursor == 0) {
            return false;
        }
        pszCursor += strcspn(pszCursor, ".");
    }
    pszCursor += strspn(pszCursor, ".");
    CopyField(pszTail, nSize, pszCursor);
    return true;
}

} // namespace

// ---- Within one store -------------------------------------------------------

bool CParseINI::ownsOID(const char* pszOID) const {
    if (m_szOIDPrefix[0] == 0) {
        return false;
    }
    size_t nPrefixLen = strlen(m_szOIDPrefix);
    for (const char* pszAt = strstr(pszOID, m_szOIDPrefix); pszAt != nullptr;
         pszAt = strstr(pszAt + 1, m_szOIDPrefix)) {
        // The prefix must end a sub-identifier: 7310.1 does not own 7310.10.
        char cNext = pszAt[nPrefixLen];
        if (cNext == '.' || cNext == 0) {
            return true;
        }
    }
    return false;
}

void CParseINI::fillFromGroup(obj_attrib& obj, const CGroup& group, const CBaseAttrib& attrib) {
    obj.iDataType = attrib.iDataType;
    obj.cAccessType = attrib.cAccessType;
    CopyField(obj.szName, sizeof(obj.szName), attrib.szFnName);
    CopyField(obj.szClassName, sizeof(obj.szClassName), group.szName);
    CopyField(obj.szOID, sizeof(obj.szOID), group.szEntryOID);
    CopyField(obj.szOIDPrefix, sizeof(obj.szOIDPrefix), m_szOIDPrefix);
}

void CParseINI::fillFromTable(obj_attrib& obj, const CTbl& table, const CBaseAttrib& attrib) {
    fillFromGroup(obj, table, attrib);
    obj.iNumKeys = table.nTotalKeys;
    memcpy(obj.szKeys, table.szKeys, sizeof(obj.szKeys));
}

int CParseINI::findNearestGroup(const char* pszRemainder, int nRemainderLen) const {
    return findNearest(m_ptrCGroup, m_nGroups, pszRemainder, nRemainderLen);
}

int CParseINI::findNearestTable(const char* pszRemainder, int nRemainderLen) const {
    return findNearest(m_ptrCTbl, m_nTables, pszRemainder, nRemainderLen);
}

// Groups (bTables false) or tables whose entry and attribute the OID names
// exactly: OID_GROUP_ATTRIBUTE or OID_TABLE_ATTRIBUTE with obj filled, else
// OID_NOT_RESOLVED.
int CParseINI::findExactMatch(const char* ptrOID, obj_attrib& obj, bool bTables) {
    size_t nPrefixLen = static_cast<size_t>(m_nOIDPrefixLen);
    int nEntries = bTables ? m_nTables : m_nGroups;
    for (int i = 0; i < nEntries; i++) {
        const CGroup& entry = bTables ? static_cast<const CGroup&>(m_ptrCTbl[i]) : m_ptrCGroup[i];
        size_t nEntryLen = strlen(entry.szEntryOID);
        if (strncmp(textFrom(ptrOID, nPrefixLen + 1), entry.szEntryOID, nEntryLen) != 0) {
            continue;
        }
        int iAttrib = findAttrib(entry, textFrom(ptrOID, nPrefixLen + nEntryLen + 2));
        if (iAttrib < 0) {
            continue;
        }
        if (bTables) {
            fillFromTable(obj, m_ptrCTbl[i], entry.m_ptrAttribs[iAttrib]);
            return OID_TABLE_ATTRIBUTE;
        }
        fillFromGroup(obj, entry, entry.m_ptrAttribs[iAttrib]);
        return OID_GROUP_ATTRIBUTE;
    }
    return OID_NOT_RESOLVED;
}

int CParseINI::getOID_Details(char* ptrOID, obj_attrib& obj) {
    size_t nPrefixLen = static_cast<size_t>(m_nOIDPrefixLen);
    if (nPrefixLen == 0 || strncmp(ptrOID, m_szOIDPrefix, nPrefixLen) != 0 ||
        (ptrOID[nPrefixLen] != '.' && ptrOID[nPrefixLen] != 0)) {
        return OID_NOT_RESOLVED;
    }
    int iResult = findExactMatch(ptrOID, obj, false);
    if (iResult == OID_NOT_RESOLVED) {
        iResult = findExactMatch(ptrOID, obj, true);
    }
    if (iResult != OID_NOT_RESOLVED) {
        return iResult;
    }

    int nRemainderLen = static_cast<int>(strlen(ptrOID)) - m_nOIDPrefixLen - 2;
    const char* pszRemainder = textFrom(ptrOID, nPrefixLen + 1);
    int iGroup = findNearestGroup(pszRemainder, nRemainderLen);
    int iTable = findNearestTable(pszRemainder, nRemainderLen);
    if (iGroup >= 0 && iTable >= 0) {
        char szGroupObject[FIRST_OBJECT_SIZE];
        char szTableObject[FIRST_OBJECT_SIZE];
        formFirstObject(m_ptrCGroup[iGroup], szGroupObject, sizeof(szGroupObject));
        formFirstObject(m_ptrCTbl[iTable], szTableObject, sizeof(szTableObject));
        bool bGroup = strcmp(szGroupObject, szTableObject) < 0;
        char szRewritten[REQUEST_OID_SIZE];
        int nLength = snprintf(szRewritten, sizeof(szRewritten), "%s.%s", m_szOIDPrefix,
                               bGroup ? szGroupObject : szTableObject);
        // A rewritten OID that would not fit the request's buffer resolves nothing.
        if (nLength < 0 || nLength >= REQUEST_OID_SIZE) {
            return OID_NOT_RESOLVED;
        }
        memcpy(ptrOID, szRewritten, static_cast<size_t>(nLength) + 1);
        iGroup = bGroup ? iGroup : -1;
        iTable = bGroup ? -1 : iTable;
    }
    if (iGroup >= 0) {
        fillFromGroup(obj, m_ptrCGroup[iGroup], m_ptrCGroup[iGroup].m_ptrAttribs[0]);
        return OID_GROUP_ATTRIBUTE;
    }
    if (iTable >= 0) {
        fillFromTable(obj, m_ptrCTbl[iTable], m_ptrCTbl[iTable].m_ptrAttribs[0]);
        return OID_TABLE_ATTRIBUTE;
    }
    return OID_NOT_RESOLVED;
}

int CParseINI::getNo_Attr(const char* EntryOID, int isgrp, int& iStartInstance) {
    if (isgrp != 0) {
        for (int i = 0; i < m_nGroups; i++) {
            if (strcmp(m_ptrCGroup[i].szEntryOID, EntryOID) != 0) {
                continue;
            }
            int nAttribs = CountFromText(m_ptrCGroup[i].szTotalAttrbs);
            if (nAttribs > 0) {
                iStartInstance = atoi(m_ptrCGroup[i].m_ptrAttribs[0].szOID) - 1;
            }
            return nAttribs;
        }
        return 0;
    }
    for (int i = 0; i < m_nTables; i++) {
        if (strcmp(m_ptrCTbl[i].szEntryOID, EntryOID) == 0) {
            return CountFromText(m_ptrCTbl[i].szTotalAttrbs);
        }
    }
    return 0;
}

int CParseINI::getNextEntry(const char* EntryOID, char* pszNextEntryOID, const char* pszFullOID) {
    for (int i = 0; pszFullOID != nullptr && i < m_nMaps; i++) {
        if (strcmp(m_ptrMapObj[i].szFromOID, pszFullOID) == 0) {
            CopyField(pszNextEntryOID, MAP_OID_SIZE, m_ptrMapObj[i].szToOID);
            return NEXT_ENTRY_FOUND;
        }
    }
    return getNextEntry(EntryOID, pszNextEntryOID);
}

int CParseINI::getNextEntry(const char* EntryOID, char* pszNextEntryOID) {
    for (int i = 0; i < m_nMaps; i++) {
        if (strcmp(m_ptrMapObj[i].szFromOID, EntryOID) == 0) {
            CopyField(pszNextEntryOID, MAP_OID_SIZE, m_ptrMapObj[i].szToOID);
            return i + 1 < m_nMaps ? NEXT_ENTRY_FOUND : NEXT_ENTRY_END;
        }
    }
    return NEXT_ENTRY_NONE;
}

int CParseINI::getValid_OID(char* pszNextEntryOID) {
    CopyField(pszNextEntryOID, STORE_TEXT_SIZE, m_szFirstValidOID);
    return 1;
}

bool CParseINI::getFirstObject(char* pszFirstObject, size_t nSize) {
    int iGroup = findNearestGroup("", 0);
    int iTable = findNearestTable("", 0);
    char szGroupObject[FIRST_OBJECT_SIZE] = {0};
    char szTableObject[FIRST_OBJECT_SIZE] = {0};
    if (iGroup >= 0) {
        formFirstObject(m_ptrCGroup[iGroup], szGroupObject, sizeof(szGroupObject));
    }
    if (iTable >= 0) {
        formFirstObject(m_ptrCTbl[iTable], szTableObject, sizeof(szTableObject));
    }
    if (iGroup >= 0 && (iTable < 0 || strcmp(szGroupObject, szTableObject) < 0)) {
        return CopyField(pszFirstObject, nSize, szGroupObject);
    }
    if (iTable >= 0) {
        return CopyField(pszFirstObject, nSize, szTableObject);
    }
    return false;
}

int CParseINI::entryIndexOf(const char* pszEntryOID) const {
    for (int i = 0; i < m_nGroups; i++) {
        if (hasAttribs(m_ptrCGroup[i]) && strcmp(m_ptrCGroup[i].szEntryOID, pszEntryOID) == 0) {
            return i;
        }
    }
    for (int i = 0; i < m_nTables; i++) {
        if (hasAttribs(m_ptrCTbl[i]) && strcmp(m_ptrCTbl[i].szEntryOID, pszEntryOID) == 0) {
            return m_nGroups + i;
        }
    }
    return -1;
}

const CGroup& CParseINI::walkEntry(int iEntry) const {
    return iEntry < m_nGroups ? m_ptrCGroup[iEntry]
                              : static_cast<const CGroup&>(m_ptrCTbl[iEntry - m_nGroups]);
}

int CParseINI::getWalkEntries(int* piEntries, int nMax) {
    char szFirstObject[MAP_OID_SIZE];
    if (nMax <= 0 || !getFirstObject(szFirstObject, sizeof(szFirstObject))) {
        return 0;
    }
    // The first object is "entry.attribute."; its entry is the one whose
    // first object it is, groups before tables as the resolution decides.
    int iEntry = -1;
    for (int i = 0; i < m_nGroups + m_nTables && iEntry < 0; i++) {
        char szObject[FIRST_OBJECT_SIZE];
        if (hasAttribs(walkEntry(i))) {
            formFirstObject(walkEntry(i), szObject, sizeof(szObject));
            iEntry = strcmp(szObject, szFirstObject) == 0 ? i : -1;
        }
    }
    int nEntries = 0;
    while (iEntry >= 0 && nEntries < nMax) {
        for (int i = 0; i < nEntries; i++) {
            if (piEntries[i] == iEntry) {
                return nEntries; // a walk order that leads in a circle
            }
        }
        piEntries[nEntries++] = iEntry;
        char szNext[MAP_OID_SIZE] = {0};
        // The last walk-order entry's target is not walked to.
        if (getNextEntry(walkEntry(iEntry).szEntryOID, szNext) != NEXT_ENTRY_FOUND) {
            break;
        }
        iEntry = entryIndexOf(szNext);
    }
    return nEntries;
}

// ---- Across stores ----------------------------------------------------------

int g_iEndOfWalkResult = NEXT_ENTRY_END;

bool writelog(const char* /*pszText*/) {
    return true;
}

int getIndexFromOID(const char* szOID) {
    writelog("Inside getIndexFromOID \n");
    writelog(szOID);
    for (int i = 0; isStoreIndex(i); i++) {
        if (g_ParseINIarr[i].ownsOID(szOID)) {
            return i;
        }
    }
    return NO_STORE_INDEX;
}

int getOID_Details(char* ptrOID, obj_attrib& obj) {
    int iIndex = getIndexFromOID(ptrOID);
    if (iIndex != NO_STORE_INDEX) {
        return g_ParseINIarr[iIndex].getOID_Details(ptrOID, obj);
    }
    // Outside every store: the first object of the first store whose prefix
    // sorts after the text, so that a get-next from before or between the
    // stores goes on at the next one. After the last store nothing follows.
    int iNext = 0;
    while (isStoreIndex(iNext) && strcmp(g_ParseINIarr[iNext].m_szOIDPrefix, ptrOID) <= 0) {
        ++iNext;
    }
    if (!isStoreIndex(iNext)) {
        return OID_NOT_RESOLVED;
    }
    snprintf(ptrOID, REQUEST_OID_SIZE, "%s.", g_ParseINIarr[iNext].m_szOIDPrefix);
    return g_ParseINIarr[iNext].getOID_Details(ptrOID, obj);
}

int getNo_Attr(const char* szOID, const char* EntryOID, int isgrp, int& iStartInstance) {
    int iIndex = getIndexFromOID(szOID);
    if (iIndex == NO_STORE_INDEX) {
        return -1;
    }
    return g_ParseINIarr[iIndex].getNo_Attr(EntryOID, isgrp, iStartInstance);
}

namespace {

// Moves the walk on into the store after iIndex: NEXT_ENTRY_NEXT_STORE with
// szOID and pszNextEntryOID set, or NEXT_ENTRY_END when the walk cannot
// continue there.
int continueInNextStore(int iIndex, char* szOID, char* pszNextEntryOID, bool bFirstObject) {
    CParseINI& nextStore = g_ParseINIarr[iIndex + 1];
    char szTail[STORE_TEXT_SIZE];
    if (!validOIDTail(nextStore.m_szFirstValidOID, szTail, sizeof(szTail))) {
        return NEXT_ENTRY_END;
    }
    CopyField(pszNextEntryOID, MAP_OID_SIZE, szTail);
    CopyField(szOID, STORE_TEXT_SIZE, nextStore.m_szOIDPrefix);
    if (bFirstObject) {
        if (nextStore.m_nGroups == 0 || nextStore.m_nTables == 0) {
            printf("getNextEntry: No Table or Group under this OID\n");
        }
        // With one kind of entry only, the walk goes on at its first object.
        char szFirstObject[MAP_OID_SIZE];
        if (nextStore.getFirstObject(szFirstObject, sizeof(szFirstObject))) {
            CopyField(pszNextEntryOID, MAP_OID_SIZE, szFirstObject);
        }
    }
    // Nothing to continue from.
    return pszNextEntryOID[0] == 0 ? NEXT_ENTRY_END : NEXT_ENTRY_NEXT_STORE;
}

} // namespace

int getNextEntryAcross(char* szOID, const char* EntryOID, char* pszNextEntryOID,
                       const char* pszFullOID, int iEndOfLastStore) {
    int iIndex = getIndexFromOID(szOID);
    int iResult = NEXT_ENTRY_NONE;
    if (iIndex != NO_STORE_INDEX) {
        iResult = g_ParseINIarr[iIndex].getNextEntry(EntryOID, pszNextEntryOID, pszFullOID);
    }
    if (iResult != NEXT_ENTRY_END) {
        return iResult;
    }
    if (iIndex + 1 >= g_iNoOfDeviceType) {
        return iEndOfLastStore;
    }
    return continueInNextStore(iIndex, szOID, pszNextEntryOID, pszFullOID != nullptr);
}

int getNextEntry(char* szOID, const char* EntryOID, char* pszNextEntryOID, const char* pszFullOID) {
    // A null full OID would select the three-argument walk.
    return getNextEntryAcross(szOID, EntryOID, pszNextEntryOID,
                              pszFullOID != nullptr ? pszFullOID : "", g_iEndOfWalkResult);
}

int getNextEntry(char* szOID, const char* EntryOID, char* pszNextEntryOID) {
    return getNextEntryAcross(szOID, EntryOID, pszNextEntryOID, nullptr, NEXT_ENTRY_END);
}

int getValid_OID(const char* EntryOID, char* pszNextEntryOID) {
    if (!isStoreIndex(0)) {
        return -1;
    }
    int iIndex = getIndexFromOID(EntryOID);
    if (iIndex != NO_STORE_INDEX) {
        return g_ParseINIarr[iIndex].getValid_OID(pszNextEntryOID);
    }
    if (strstr(EntryOID, ENTERPRISE_ARC) != nullptr) {
        return g_ParseINIarr[0].getValid_OID(pszNextEntryOID);
    }
    return -1;
}
