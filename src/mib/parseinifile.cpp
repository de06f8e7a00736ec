// The two text formats: the controller list that builds the table of stores,
// and the MIB definition file that fills one store.
#include "parseinifile.h"

#include "parseini.h"
#include "parsepersist.h"

#include "platform/AgentPlatform.h"
#include "platform/AgentReport.h"
#include "platform/ConfigFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const CONTROLLER_LIST_PATH = "/etc/qbz_korvodsnmp/QBZ_KorvoSNMP.ini";
const char* const CONTROLLER_LIST_NAME = "QBZ_KorvoSNMP.ini";
const char* const COUNT_KEYWORD = "NoOfInstalledController";
// Carriage returns separate tokens too, so a list written with CR LF line
// ends reads like one with LF.
const char* const TOKEN_SEPARATORS = " \t\n\r=";
const int LIST_LINE_SIZE = 1024;
const int MAX_LIST_TOKENS = 4;
const size_t LINUX_PATH_SIZE = 255;
const size_t WINDOWS_PATH_SIZE = 260;
// More controller types than this is no controller list.
const int MAX_INSTALLED_CONTROLLERS = 256;

// Splits a line into at most nMaxTokens tokens, in place.
int splitTokens(char* pszLine, char** ppszTokens, int nMaxTokens) {
    int nTokens = 0;
    char* pszCursor = pszLine;
    while (nTokens < nMaxTokens) {
        pszCursor += strspn(pszCursor, TOKEN_SEPARATORS);
        if (*pszCursor == 0) {
            break;
        }
        ppszTokens[nTokens++] = pszCursor;
        pszCursor += strcspn(pszCursor, TOKEN_SEPARATORS);
        if (*pszCursor != 0) {
            *pszCursor++ = 0;
        }
    }
    return nTokens;
}

bool isTrapSwitchOff(const char* pszToken) {
    return strcmp(pszToken, "n") == 0 || strcmp(pszToken, "N") == 0;
}

// The path of a definition file named in the controller list; false when it
// does not fit. A Windows definition file lies in the Windows directory where
// the platform has one.
bool formDefinitionPath(const char* pszToken, int iOSType, char* pszPath) {
    char szWindowsDir[WINDOWS_PATH_SIZE] = {0};
    if (iOSType == OS_TYPE_WINDOWS && GetWindowsFolder(szWindowsDir, WINDOWS_PATH_SIZE)) {
        int nLength = snprintf(pszPath, WINDOWS_PATH_SIZE, "%s\\%s", szWindowsDir, pszToken);
        return nLength > 0 && static_cast<size_t>(nLength) < WINDOWS_PATH_SIZE;
    }
    size_t nLimit = iOSType == OS_TYPE_WINDOWS ? WINDOWS_PATH_SIZE : LINUX_PATH_SIZE;
    return CopyField(pszPath, nLimit, pszToken);
}

void applyTrapTokens(CParseINI& store, char** ppszTokens, int nTokens, int iOSType) {
    if (iOSType == OS_TYPE_WINDOWS) {
        if (nTokens > 1 && isTrapSwitchOff(ppszTokens[1])) {
            store.m_bTrapEnable = false;
        }
        return;
    }
    if (nTokens > 1 && !CopyField(store.m_szTrapDestinationFileName,
                                  sizeof(store.m_szTrapDestinationFileName), ppszTokens[1])) {
        // A cut name would name another file: none is used.
        ReportStartupWarning("trap destination file name longer than %d characters, no "
                             "destinations for this definition: %.60s...",
                             TRAP_DEST_FILE_SIZE - 1, ppszTokens[1]);
        memset(store.m_szTrapDestinationFileName, 0, sizeof(store.m_szTrapDestinationFileName));
    }
    if (nTokens > 2 && isTrapSwitchOff(ppszTokens[2])) {
        store.m_bTrapEnable = false;
    }
}

// The state of one pass over the controller list.
struct ControllerListPass {
    const char* pszList; // the controller list's path, for messages
    int iOSType;
    bool bCounted; // the count line has been read
    int nDeclared; // stores in the table
    int nRead;     // stores loaded
    int nMissing;  // definition lines whose file is missing or refused
    int nLine;     // the line being read
};

// Why a persisted definition file cannot be served, or null when it can. A
// file that ends before its counts are satisfied, or whose counts are no
// counts, would be served only as far as it goes and end the walk there.
const char* refusalOf(const PersistReport& report) {
    if (report.bBadCount) {
        return "a count is not a number from 0 to 999";
    }
    if (report.bShort) {
        return "it ends before the records its counts announce";
    }
    return nullptr;
}

void warnAboutLoadedFile(const char* pszPath, const PersistReport& report) {
    if (report.bTrailingBytes) {
        ReportStartupWarning("MIB definition file %s: bytes follow its last record (ignored)",
                             pszPath);
    }
    if (report.bBadField) {
        ReportStartupWarning("MIB definition file %s: a text without terminator or a key count "
                             "above 3 was cut",
                             pszPath);
    }
}

// Loads the definition file at pszPath into the next free store; false when
// it cannot be opened or is refused (the store stays free).
bool loadDefinitionFile(ControllerListPass& pass, const char* pszPath) {
    ConfigFileStatus eStatus;
    FILE* pProbe = OpenConfigFile(pszPath, PERSIST_FILE_MAX_BYTES, eStatus);
    if (pProbe == nullptr) {
        ReportStartupError("MIB definition file %s (line %d of %s) skipped: %s", pszPath,
                           pass.nLine, pass.pszList, DescribeConfigFileStatus(eStatus));
        return false;
    }
    fclose(pProbe);
    CParseINI& store = g_ParseINIarr[pass.nRead];
    PersistReport report;
    store.persistINIWithLayout(pszPath, true, TABLE_LAYOUT_NATIVE, &report);
    const char* pszRefusal = report.bOpened ? refusalOf(report) : "it cannot be read";
    if (pszRefusal != nullptr) {
        store.resetDefinition();
        ReportStartupError("MIB definition file %s refused: %s (qbz_korvomibconv check tells "
                           "more)",
                           pszPath, pszRefusal);
        return false;
    }
    warnAboutLoadedFile(pszPath, report);
    return true;
}

void readDefinitionLine(ControllerListPass& pass, char** ppszTokens, int nTokens) {
    if (!pass.bCounted) {
        ReportStartupWarning("%s line %d: definition line before the %s line ignored: %.60s",
                             pass.pszList, pass.nLine, COUNT_KEYWORD, ppszTokens[0]);
        return;
    }
    if (pass.nRead + pass.nMissing >= pass.nDeclared) {
        ReportStartupWarning("%s line %d: more definition lines than %s = %d, ignored: %.60s",
                             pass.pszList, pass.nLine, COUNT_KEYWORD, pass.nDeclared,
                             ppszTokens[0]);
        return;
    }
    char szPath[WINDOWS_PATH_SIZE] = {0};
    bool bLoaded = false;
    if (!formDefinitionPath(ppszTokens[0], pass.iOSType, szPath)) {
        ReportStartupError(
            "%s line %d: MIB definition file path longer than %d characters "
            "skipped: %.60s...",
            pass.pszList, pass.nLine,
            static_cast<int>(
                (pass.iOSType == OS_TYPE_WINDOWS ? WINDOWS_PATH_SIZE : LINUX_PATH_SIZE) - 1),
            ppszTokens[0]);
    } else {
        bLoaded = loadDefinitionFile(pass, szPath);
    }
    if (!bLoaded) {
        pass.nMissing++;
        g_iNoOfDeviceType--;
        return;
    }
    applyTrapTokens(g_ParseINIarr[pass.nRead++], ppszTokens, nTokens, pass.iOSType);
}

// The declared count of a count line: 1 to 256, or 0 or below for none (the
// list is then done). A number out of range or no number is refused, never
// wrapped.
int readDeclaredCount(const ControllerListPass& pass, const char* pszCount) {
    char* pszEnd = nullptr;
    long nDeclared = strtol(pszCount, &pszEnd, 10);
    if (pszEnd == pszCount || *pszEnd != 0) {
        ReportStartupError("%s line %d: %s is not a number: %.60s", pass.pszList, pass.nLine,
                           COUNT_KEYWORD, pszCount);
        return 0;
    }
    if (nDeclared > MAX_INSTALLED_CONTROLLERS) {
        ReportStartupError("%s line %d: %s %.20s is more than %d", pass.pszList, pass.nLine,
                           COUNT_KEYWORD, pszCount, MAX_INSTALLED_CONTROLLERS);
        return 0;
    }
    if (nDeclared <= 0) {
        ReportStartupError("%s line %d: %s %.20s declares no controller types", pass.pszList,
                           pass.nLine, COUNT_KEYWORD, pszCount);
    }
    return static_cast<int>(nDeclared);
}

// Reads one count line; false when the list is done (a count of 0 or below).
bool readCountLine(ControllerListPass& pass, char** ppszTokens, int nTokens) {
    // Only the first count line counts.
    if (pass.bCounted) {
        ReportStartupWarning("%s line %d: a second %s line ignored", pass.pszList, pass.nLine,
                             COUNT_KEYWORD);
        return true;
    }
    if (nTokens < 2) {
        ReportStartupWarning("%s line %d: %s without a number ignored", pass.pszList, pass.nLine,
                             COUNT_KEYWORD);
        return true;
    }
    int nDeclared = readDeclaredCount(pass, ppszTokens[1]);
    if (nDeclared <= 0) {
        g_iNoOfDeviceType = nDeclared;
        return false;
    }
    g_ParseINIarr = new CParseINI[nDeclared];
    pass.bCounted = true;
    pass.nDeclared = nDeclared;
    g_iNoOfDeviceType = nDeclared;
    return true;
}

// Reads the list's lines; false when a count line ended it early.
bool readControllerLines(ControllerListPass& pass, FILE* pList) {
    CConfigLineReader reader(pList, CONFIG_TEXT_MAX_BYTES);
    char szLine[LIST_LINE_SIZE];
    while (reader.nextLine(szLine, sizeof(szLine))) {
        pass.nLine = reader.lineNumber();
        if (szLine[0] == '#') {
            continue;
        }
        char* ppszTokens[MAX_LIST_TOKENS] = {};
        int nTokens = splitTokens(szLine, ppszTokens, MAX_LIST_TOKENS);
        if (nTokens == 0) {
            continue;
        }
        if (strcmp(ppszTokens[0], COUNT_KEYWORD) != 0) {
            readDefinitionLine(pass, ppszTokens, nTokens);
        } else if (!readCountLine(pass, ppszTokens, nTokens)) {
            return false;
        }
    }
    if (reader.exceeded()) {
        ReportStartupError("%s: grew beyond %ld bytes while it was read; the rest is ignored",
                           pass.pszList, CONFIG_TEXT_MAX_BYTES);
    }
    return true;
}

} // namespace

int initParseINIFromFile(const char* pszControllerList, int iOSType) {
    if (iOSType != OS_TYPE_WINDOWS && iOSType != OS_TYPE_LINUX) {
        return 0;
    }
    ConfigFileStatus eStatus;
    FILE* pList = OpenConfigFile(pszControllerList, CONFIG_TEXT_MAX_BYTES, eStatus);
    if (pList == nullptr) {
        ReportStartupError("controller list %s: %s", pszControllerList,
                           DescribeConfigFileStatus(eStatus));
        return -1;
    }
    // A list read again replaces the stores read before.
    if (g_ParseINIarr != nullptr) {
        closeAllPtrs();
    }
    ControllerListPass pass = {pszControllerList, iOSType, false, 0, 0, 0, 0};
    bool bCompleted = readControllerLines(pass, pList);
    fclose(pList);
    if (!bCompleted) {
        return g_iNoOfDeviceType;
    }
    if (!pass.bCounted) {
        ReportStartupError("controller list %s: no %s line, so no MIB definition is read",
                           pszControllerList, COUNT_KEYWORD);
    }
    if (pass.nRead < g_iNoOfDeviceType) {
        g_iNoOfDeviceType = pass.nRead;
    }
    if (g_iNoOfDeviceType > 1) {
        qsort(g_ParseINIarr, g_iNoOfDeviceType, sizeof(CParseINI), CParseINI_cmp);
    }
    return g_iNoOfDeviceType;
}

int initParseINI(int iOSType) {
    if (iOSType == OS_TYPE_LINUX) {
        return initParseINIFromFile(CONTROLLER_LIST_PATH, iOSType);
    }
    if (iOSType != OS_TYPE_WINDOWS) {
        return 0;
    }
    char szWindowsDir[WINDOWS_PATH_SIZE] = {0};
    if (!GetWindowsFolder(szWindowsDir, WINDOWS_PATH_SIZE)) {
        // There is no Windows directory on this platform.
        return -1;
    }
    char szListPath[WINDOWS_PATH_SIZE + 32] = {0};
    snprintf(szListPath, sizeof(szListPath), "%s\\%s", szWindowsDir, CONTROLLER_LIST_NAME);
    return initParseINIFromFile(szListPath, iOSType);
}

// ---- The MIB definition file ------------------------------------------------

namespace {

// Reads keys of one definition file through the platform's profile reader
// (AgentPlatform.h).
class CDefinitionReader {
  public:
    explicit CDefinitionReader(const char* pszFile) : m_pszFile(pszFile) {}
    bool open() {
        m_pReader = OpenProfileReader(m_pszFile);
        return m_pReader != nullptr;
    }
    // The key's text cut to nKeep characters, or the default.
    void text(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszField,
              size_t nKeep) {
        memset(pszField, 0, nKeep + 1);
        m_pReader->text(pszSection, pszKey, pszDefault, pszField, nKeep + 1);
    }
    int integer(const char* pszSection, const char* pszKey, int nDefault) {
        return m_pReader->integer(pszSection, pszKey, nDefault);
    }

  private:
    const char* m_pszFile;
    std::unique_ptr<CProfileReader> m_pReader;
};

// One decimal digit as text; values that do not fit become 0.
int oneDigit(int nValue, char* pszDigit) {
    if (nValue < 0 || nValue > 9) {
        nValue = 0;
    }
    pszDigit[0] = static_cast<char>('0' + nValue);
    pszDigit[1] = 0;
    return nValue;
}

// A count text rewritten as the decimal value that every reader takes from it.
void normaliseCount(char* pszCount, size_t nSize) {
    snprintf(pszCount, nSize, "%d", CountFromText(pszCount));
}

bool isStoreCount(int nCount) {
    return nCount >= 0 && nCount <= MAX_PERSISTED_COUNT;
}

void readAttribSection(CDefinitionReader& reader, const char* pszSection, CBaseAttrib& attrib) {
    // Eleven characters and the dot.
    char szOID[12] = {0};
    char szAccess[8];
    reader.text(pszSection, "OID", "NOT FOUND", szOID, sizeof(szOID) - 1);
    CopyField(attrib.szOID, sizeof(attrib.szOID), szOID);
    attrib.szOID[strlen(szOID)] = '.';
    reader.text(pszSection, "ACCESS_TYPE", "R", szAccess, sizeof(szAccess) - 1);
    attrib.cAccessType = szAccess[0];
    reader.text(pszSection, "NAME", "NOT FOUND", attrib.szFnName, FN_NAME_SIZE - 1);
    attrib.iDataType = oneDigit(reader.integer(pszSection, "DATA_TYPE", -1), attrib.szDataType);
}

// The group part of a GRP_n or TBL_n section.
void readGroupSection(CDefinitionReader& reader, const char* pszSection, CGroup& group) {
    reader.text(pszSection, "ENTRY_OID", "NOT FOUND", group.szEntryOID, ENTRY_OID_SIZE - 1);
    reader.text(pszSection, "CLASS_NAME", "NOT FOUND", group.szName, CLASS_NAME_SIZE - 1);
    reader.text(pszSection, "NO_OF_ATTRBS", "0", group.szTotalAttrbs, COUNT_TEXT_SIZE - 1);
    normaliseCount(group.szTotalAttrbs, sizeof(group.szTotalAttrbs));
}

void readAttribSections(CDefinitionReader& reader, const char* pszSection, CGroup& group) {
    int nAttribs = CountFromText(group.szTotalAttrbs);
    group.m_ptrAttribs = new CBaseAttrib[nAttribs];
    for (int k = 1; k <= nAttribs; k++) {
        char szAttribSection[64];
        snprintf(szAttribSection, sizeof(szAttribSection), "%s_ATTRB_%d", pszSection, k);
        readAttribSection(reader, szAttribSection, group.m_ptrAttribs[k - 1]);
    }
}

void readTableSection(CDefinitionReader& reader, const char* pszSection, CTbl& table) {
    readGroupSection(reader, pszSection, table);
    int nKeys = reader.integer(pszSection, "NO_OF_KEYS", -1);
    // The record holds three key names.
    if (nKeys < 0) {
        nKeys = 0;
    } else if (nKeys > MAX_TABLE_KEYS) {
        nKeys = MAX_TABLE_KEYS;
    }
    table.nTotalKeys = oneDigit(nKeys, table.szTotalKeys);
    for (int k = 1; k <= nKeys; k++) {
        char szKey[64];
        snprintf(szKey, sizeof(szKey), "%s_KEY_%d", pszSection, k);
        reader.text(pszSection, szKey, "NOT FOUND", table.szKeys[k - 1], KEY_NAME_SIZE - 1);
    }
    readAttribSections(reader, pszSection, table);
}

void readTrapSection(CDefinitionReader& reader, const char* pszSection, CTrap& trap) {
    reader.text(pszSection, "ENTRY_OID", "NOT FOUND", trap.szEntryOID, ENTRY_OID_SIZE - 1);
    reader.text(pszSection, "CODE", "0000", trap.szTrapCode, TRAP_CODE_SIZE - 1);
    reader.text(pszSection, "NO_OF_ATTRBS", "0", trap.szTotAttrbs, DATA_TYPE_SIZE - 1);
    // Six attribute slots: a larger count is cut to six.
    int nSlots = oneDigit(CountFromText(trap.szTotAttrbs), trap.szTotAttrbs);
    if (nSlots > MAX_TRAP_ATTRIBS) {
        nSlots = oneDigit(MAX_TRAP_ATTRIBS, trap.szTotAttrbs);
    }
    reader.text(pszSection, "TRAP_ID", "0", trap.szTrapID, TRAP_ID_SIZE - 1);
    for (int k = 1; k <= nSlots; k++) {
        char szKey[24];
        snprintf(szKey, sizeof(szKey), "ATTRB_%d", k);
        reader.text(pszSection, szKey, "0", trap.szAttrbIndex[k - 1], TRAP_INDEX_SIZE - 1);
    }
}

} // namespace

bool CParseINI::readINI(const char* pszIniFile) {
    CDefinitionReader reader(pszIniFile);
    if (!reader.open()) {
        return false;
    }
    releaseArrays();
    char szCount[12];
    const char* pszGlobals = "GLOBALS";
    m_nMaps = reader.integer(pszGlobals, "NO_OF_MAPs", -1);
    reader.text(pszGlobals, "NO_OF_TBLS", "NOT FOUND", szCount, 11);
    m_nTables = atoi(szCount);
    reader.text(pszGlobals, "NO_OF_GROUPS", "NOT FOUND", szCount, 11);
    m_nGroups = atoi(szCount);
    reader.text(pszGlobals, "NO_OF_TRAPS", "NOT FOUND", szCount, 11);
    m_nTraps = atoi(szCount);
    m_nTrapAttrbs = reader.integer(pszGlobals, "NO_OF_TRAP_ATTRB", -1);
    // A missing count (-1) is taken as 0; a count the file cannot hold is
    // refused.
    int* pnCounts[] = {&m_nMaps, &m_nTables, &m_nGroups, &m_nTraps, &m_nTrapAttrbs};
    bool bCountsFit = true;
    for (int* pnCount : pnCounts) {
        if (*pnCount == -1) {
            *pnCount = 0;
        }
        bCountsFit = bCountsFit && isStoreCount(*pnCount);
    }
    if (!bCountsFit) {
        m_nMaps = m_nTables = m_nGroups = m_nTraps = m_nTrapAttrbs = 0;
        return false;
    }
    reader.text(pszGlobals, "DATA_SRC", "NOT FOUND", m_szDataSrc, STORE_TEXT_SIZE - 1);
    reader.text(pszGlobals, "OID_PREFIX", "NOT FOUND", m_szOIDPrefix, STORE_TEXT_SIZE - 1);
    m_nOIDPrefixLen = static_cast<int>(strlen(m_szOIDPrefix));
    reader.text(pszGlobals, "OID_VIEW", "NOT FOUND", m_szOIDView, STORE_TEXT_SIZE - 1);
    reader.text(pszGlobals, "VALID_OID", "NOT FOUND", m_szFirstValidOID, STORE_TEXT_SIZE - 1);
    reader.text(pszGlobals, "MIB_VERSION", "NOT FOUND", m_szMIBVersion, STORE_TEXT_SIZE - 1);

    m_ptrCGroup = new CGroup[m_nGroups];
    m_ptrCTbl = new CTbl[m_nTables];
    char szSection[32];
    for (int n = 1; n <= m_nGroups; n++) {
        snprintf(szSection, sizeof(szSection), "GRP_%d", n);
        readGroupSection(reader, szSection, m_ptrCGroup[n - 1]);
        readAttribSections(reader, szSection, m_ptrCGroup[n - 1]);
    }
    for (int n = 1; n <= m_nTables; n++) {
        snprintf(szSection, sizeof(szSection), "TBL_%d", n);
        readTableSection(reader, szSection, m_ptrCTbl[n - 1]);
    }
    m_ptrCTrapAttr = new CTrapAttrib[m_nTrapAttrbs];
    for (int n = 0; n < m_nTrapAttrbs; n++) {
        CTrapAttrib& trapAttrib = m_ptrCTrapAttr[n];
        snprintf(szSection, sizeof(szSection), "TRAPATTRB_%d", n);
        reader.text(szSection, "OID", "NOT FOUND", trapAttrib.szOID, ATTRIB_OID_SIZE - 1);
        reader.text(szSection, "NAME", "NOT FOUND", trapAttrib.szAttrName, TRAP_ATTR_NAME_SIZE - 1);
        reader.text(szSection, "DATA_TYPE", "0", trapAttrib.szDataType, DATA_TYPE_SIZE - 1);
    }
    m_ptrCTrap = new CTrap[m_nTraps];
    for (int n = 1; n <= m_nTraps; n++) {
        snprintf(szSection, sizeof(szSection), "TRAP_%d", n);
        readTrapSection(reader, szSection, m_ptrCTrap[n - 1]);
    }
    m_ptrMapObj = new MapObj[m_nMaps];
    for (int n = 1; n <= m_nMaps; n++) {
        snprintf(szSection, sizeof(szSection), "MAP_%d", n);
        reader.text(szSection, "FROM_OID", "NOT FOUND", m_ptrMapObj[n - 1].szFromOID,
                    MAP_OID_SIZE - 1);
        reader.text(szSection, "TO_OID", "NOT FOUND", m_ptrMapObj[n - 1].szToOID, MAP_OID_SIZE - 1);
    }
    return true;
}
