// The store, the table of stores, the library file name, release, and trap
// lookup.
#include "parseini.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

CParseINI* g_ParseINIarr = nullptr;
int g_iNoOfDeviceType = 0;

// ---- The store --------------------------------------------------------------

CParseINI::CParseINI()
    : m_nTables(0), m_nGroups(0), m_nTraps(0), m_nTrapAttrbs(0), m_nMaps(0), m_bTrapEnable(true),
      m_ptrCGroup(nullptr), m_ptrCTbl(nullptr), m_ptrCTrap(nullptr), m_ptrCTrapAttr(nullptr),
      m_ptrMapObj(nullptr), m_nOIDPrefixLen(0) {
    memset(m_szDataSrc, 0, sizeof(m_szDataSrc));
    memset(m_szMibName, 0, sizeof(m_szMibName));
    memset(m_szOIDPrefix, 0, sizeof(m_szOIDPrefix));
    memset(m_szOIDView, 0, sizeof(m_szOIDView));
    memset(m_szFirstValidOID, 0, sizeof(m_szFirstValidOID));
    memset(m_szTrapDestinationFileName, 0, sizeof(m_szTrapDestinationFileName));
    memset(m_szMIBVersion, 0, sizeof(m_szMIBVersion));
}

// The arrays are released by closeAllPtrs, not here.
//
// Kept as it stands: each reader appends one line to temp.txt in the working
// directory ("/" for the daemon, the caller's folder for the definition
// tool). Support's diagnostic bundles collected from installed systems read
// that line as the sign that a definition was read to its end, and the file
// name and text are what their scripts look for.
CParseINI::~CParseINI() {
    FILE* pTrace = fopen("temp.txt", "a");
    if (pTrace == nullptr) {
        return;
    }
    fputs("Inside the CParseINI destructor....", pTrace);
    fclose(pTrace);
}

bool CParseINI::getOID_DLL(int iOSType, char* pszOIDPrefix, char* pszDLLName, char* pszOIDView,
                           char* pszMIBVersion) {
    memset(pszOIDPrefix, 0, STORE_TEXT_SIZE);
    memset(pszDLLName, 0, STORE_TEXT_SIZE);
    memset(pszOIDView, 0, STORE_TEXT_SIZE);
    memset(pszMIBVersion, 0, STORE_TEXT_SIZE);

    char szName[STORE_TEXT_SIZE + 8];
    int nLength;
    if (iOSType == OS_TYPE_LINUX) {
        nLength = snprintf(szName, sizeof(szName), "lib%s.so", m_szDataSrc);
    } else if (iOSType == OS_TYPE_WINDOWS) {
        nLength = snprintf(szName, sizeof(szName), "%s.dll", m_szDataSrc);
    } else {
        return false;
    }
    // A name that does not fit the caller's buffer would load another file.
    if (nLength < 0 || nLength >= STORE_TEXT_SIZE) {
        return false;
    }
    CopyField(pszDLLName, STORE_TEXT_SIZE, szName);
    CopyField(pszOIDPrefix, STORE_TEXT_SIZE, m_szOIDPrefix);
    CopyField(pszOIDView, STORE_TEXT_SIZE, m_szOIDView);
    CopyField(pszMIBVersion, STORE_TEXT_SIZE, m_szMIBVersion);
    return true;
}

void CParseINI::releaseArrays() {
    for (int i = 0; m_ptrCGroup != nullptr && i < m_nGroups; i++) {
        delete[] m_ptrCGroup[i].m_ptrAttribs;
        m_ptrCGroup[i].m_ptrAttribs = nullptr;
    }
    for (int i = 0; m_ptrCTbl != nullptr && i < m_nTables; i++) {
        delete[] m_ptrCTbl[i].m_ptrAttribs;
        m_ptrCTbl[i].m_ptrAttribs = nullptr;
    }
    delete[] m_ptrMapObj;
    delete[] m_ptrCTrap;
    delete[] m_ptrCTrapAttr;
    delete[] m_ptrCTbl;
    delete[] m_ptrCGroup;
    m_ptrMapObj = nullptr;
    m_ptrCTrap = nullptr;
    m_ptrCTrapAttr = nullptr;
    m_ptrCTbl = nullptr;
    m_ptrCGroup = nullptr;
    m_nMaps = m_nTraps = m_nTrapAttrbs = m_nTables = m_nGroups = 0;
}

void CParseINI::resetDefinition() {
    releaseArrays();
    memset(m_szDataSrc, 0, sizeof(m_szDataSrc));
    memset(m_szOIDPrefix, 0, sizeof(m_szOIDPrefix));
    memset(m_szOIDView, 0, sizeof(m_szOIDView));
    memset(m_szFirstValidOID, 0, sizeof(m_szFirstValidOID));
    memset(m_szMIBVersion, 0, sizeof(m_szMIBVersion));
    m_nOIDPrefixLen = 0;
}

bool CParseINI::isTrapEnabled() {
    return m_bTrapEnable;
}

// ---- The table of stores ------------------------------------------------

int CParseINI_cmp(const void* pFirst, const void* pSecond) {
    const CParseINI* pStoreA = static_cast<const CParseINI*>(pFirst);
    const CParseINI* pStoreB = static_cast<const CParseINI*>(pSecond);
    return strcmp(pStoreA->m_szOIDPrefix, pStoreB->m_szOIDPrefix);
}

static bool isValidLibIndex(int iIndex) {
    return g_ParseINIarr != nullptr && iIndex >= 0 && iIndex < g_iNoOfDeviceType;
}

bool getOID_DLL(int iIndex, int iOSType, char* pszOIDPrefix, char* pszDLLName, char* pszOIDView,
                char* pszMIBVersion) {
    if (!isValidLibIndex(iIndex)) {
        return false;
    }
    return g_ParseINIarr[iIndex].getOID_DLL(iOSType, pszOIDPrefix, pszDLLName, pszOIDView,
                                            pszMIBVersion);
}

void closeAllPtrs() {
    for (int i = 0; g_ParseINIarr != nullptr && i < g_iNoOfDeviceType; i++) {
        g_ParseINIarr[i].releaseArrays();
    }
    // delete[] destroys the stores last first.
    delete[] g_ParseINIarr;
    g_ParseINIarr = nullptr;
    g_iNoOfDeviceType = 0;
}

// ---- Trap lookup ------------------------------------------------------------

TrapObj* CParseINI::getTrap_Details(const char* ptrTrapCode) {
    const CTrap* pTrap = nullptr;
    for (int i = 0; i < m_nTraps && pTrap == nullptr; i++) {
        if (strncmp(m_ptrCTrap[i].szTrapCode, ptrTrapCode, TRAP_CODE_SIZE - 1) == 0) {
            pTrap = &m_ptrCTrap[i];
        }
    }
    if (pTrap == nullptr) {
        return nullptr;
    }

    TrapObj* pTrapObj = new TrapObj();
    CopyField(pTrapObj->szOIDPrefix, sizeof(pTrapObj->szOIDPrefix), m_szOIDPrefix);
    CopyField(pTrapObj->szOIDView, sizeof(pTrapObj->szOIDView), m_szOIDView);
    int nSlots = CountFromText(pTrap->szTotAttrbs);
    // The record has six slots; a larger count never reads past them.
    if (nSlots > MAX_TRAP_ATTRIBS) {
        nSlots = MAX_TRAP_ATTRIBS;
    }
    pTrapObj->nTotalAttrbs = nSlots;
    CopyField(pTrapObj->szEntryOID, sizeof(pTrapObj->szEntryOID), pTrap->szEntryOID);
    CopyField(pTrapObj->szTrapCode, sizeof(pTrapObj->szTrapCode), pTrap->szTrapCode);
    pTrapObj->m_ptrAttribs = new CTrapAttrib[nSlots];
    pTrapObj->nTrapID = atoi(pTrap->szTrapID);

    for (int k = 0; k < nSlots; k++) {
        int iAttrib = atoi(pTrap->szAttrbIndex[k]);
        // An index outside the trap-attribute table leaves the variable empty.
        if (iAttrib < 0 || iAttrib >= m_nTrapAttrbs) {
            continue;
        }
        const CTrapAttrib& source = m_ptrCTrapAttr[iAttrib];
        CopyField(pTrapObj->m_ptrAttribs[k].szOID, ATTRIB_OID_SIZE, source.szOID);
        CopyField(pTrapObj->m_ptrAttribs[k].szDataType, DATA_TYPE_SIZE, source.szDataType);
    }
    return pTrapObj;
}

TrapObj* getTrap_Details(int iIndex, const char* ptrTrapName) {
    if (!isValidLibIndex(iIndex)) {
        return nullptr;
    }
    return g_ParseINIarr[iIndex].getTrap_Details(ptrTrapName);
}

TrapObj* getTrapForEventCode(int iIndex, int iEventCode) {
    const int EVENT_CODE_MAX = 0xFFFF; // codes of up to 4 hexadecimal digits
    if (iEventCode < 0 || iEventCode > EVENT_CODE_MAX) {
        return nullptr;
    }
    char szEventCode[8];
    snprintf(szEventCode, sizeof(szEventCode), "%x", static_cast<unsigned>(iEventCode));
    return getTrap_Details(iIndex, szEventCode);
}

int isTrapEnabled(int iIndex) {
    if (!isValidLibIndex(iIndex)) {
        return 0;
    }
    return g_ParseINIarr[iIndex].isTrapEnabled() ? 1 : 0;
}

char* getTrapDestinationFileName(int iIndex) {
    if (!isValidLibIndex(iIndex)) {
        return nullptr;
    }
    return g_ParseINIarr[iIndex].m_szTrapDestinationFileName;
}
