#include "MibCheck.h"

#include "MibAnnotations.h"
#include "MibModule.h"
#include "MibNames.h"
#include "mib/parseoid.h"
#include "mib/parsepersist.h"
#include "platform/ProfileIni.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The group or table whose messages a section's count: GRP_2_ATTRB_5 counts
// with GRP_2.
std::string boundedSection(const std::string& strSection) {
    size_t nAttrib = strSection.find("_ATTRB_");
    return nAttrib == std::string::npos ? strSection : strSection.substr(0, nAttrib);
}

} // namespace

void CCheckReport::print(const std::string& strSection, const std::string& strKey,
                         const std::string& strText) {
    m_nProblems++;
    if (++m_sectionMessages[boundedSection(strSection)] > MAX_SECTION_MESSAGES) {
        return;
    }
    fprintf(m_pOut, "%s: [%s] %s: %s\n", m_strFile.c_str(), strSection.c_str(), strKey.c_str(),
            strText.c_str());
}

void CCheckReport::problem(const std::string& strSection, const std::string& strKey,
                           const std::string& strText) {
    if (!m_bCapacitiesOnly) {
        print(strSection, strKey, strText);
    }
}

void CCheckReport::capacity(const std::string& strSection, const std::string& strKey,
                            const std::string& strText) {
    print(strSection, strKey, strText);
}

void CCheckReport::finish() {
    for (auto& item : m_sectionMessages) {
        if (item.second > MAX_SECTION_MESSAGES) {
            fprintf(m_pOut,
                    "%s: [%s] %d more problem(s) of this section and its attribute sections are "
                    "not listed\n",
                    m_strFile.c_str(), item.first.c_str(), item.second - MAX_SECTION_MESSAGES);
        }
        item.second = 0;
    }
}

// ---- OID texts ----------------------------------------------------------------

namespace {

const size_t HOLDER_CLASSES_PER_LIBRARY = 20;
const size_t HOLDER_CLASS_MAX_CHARS = 23;

// Digits separated by single dots; with bTrailingDot the text ends with one.
bool isDottedNumber(const char* pszText, bool bTrailingDot) {
    size_t nLength = strlen(pszText);
    if (bTrailingDot) {
        if (nLength < 2 || pszText[nLength - 1] != '.') {
            return false;
        }
        nLength--;
    }
    if (nLength == 0 || pszText[0] == '.' || pszText[nLength - 1] == '.') {
        return false;
    }
    for (size_t i = 0; i < nLength; i++) {
        bool bDigit = pszText[i] >= '0' && pszText[i] <= '9';
        if (!bDigit && (pszText[i] != '.' || pszText[i + 1] == '.')) {
            return false;
        }
    }
    return true;
}

std::vector<unsigned long> oidComponents(const char* pszText) {
    std::vector<unsigned long> components;
    const char* pszCursor = pszText;
    while (*pszCursor != 0) {
        pszCursor += strspn(pszCursor, ".");
        if (*pszCursor == 0) {
            break;
        }
        components.push_back(strtoul(pszCursor, nullptr, 10));
        pszCursor += strcspn(pszCursor, ".");
    }
    return components;
}

int sign(int nValue) {
    return nValue < 0 ? -1 : (nValue > 0 ? 1 : 0);
}

} // namespace

int CompareOIDNumerically(const char* pszFirst, const char* pszSecond) {
    std::vector<unsigned long> first = oidComponents(pszFirst);
    std::vector<unsigned long> second = oidComponents(pszSecond);
    for (size_t i = 0; i < first.size() && i < second.size(); i++) {
        if (first[i] != second[i]) {
            return first[i] < second[i] ? -1 : 1;
        }
    }
    return sign(static_cast<int>(first.size()) - static_cast<int>(second.size()));
}

bool PrefixOrdersAgree(const char* pszFirst, const char* pszSecond) {
    return sign(strcmp(pszFirst, pszSecond)) == CompareOIDNumerically(pszFirst, pszSecond);
}

// ---- The definition text ------------------------------------------------------

namespace {

class CTextChecker {
  public:
    CTextChecker(const CProfileIni& profile, CCheckReport& report)
        : m_profile(profile), m_report(report) {}

    // A text key: missing, or longer than its field keeps.
    void text(const std::string& strSection, const char* pszKey, size_t nKeep,
              bool bRequired = true) {
        const std::string* pValue = m_profile.findValue(strSection.c_str(), pszKey);
        if (pValue == nullptr) {
            if (bRequired) {
                m_report.problem(strSection, pszKey, "missing");
            }
            return;
        }
        if (pValue->size() > nKeep) {
            m_report.capacity(strSection, pszKey,
                              "\"" + *pValue + "\" is longer than " + std::to_string(nKeep) +
                                  " characters and is cut");
        }
    }
    // A count key: missing, no decimal number, or above nMax. Returns the
    // count the reader takes (0 when unusable).
    int count(const std::string& strSection, const char* pszKey, int nMax) {
        const std::string* pValue = m_profile.findValue(strSection.c_str(), pszKey);
        if (pValue == nullptr) {
            m_report.problem(strSection, pszKey, "missing");
            return 0;
        }
        if (pValue->empty() || pValue->size() > 9 ||
            pValue->find_first_not_of("0123456789") != std::string::npos) {
            m_report.problem(strSection, pszKey, "\"" + *pValue + "\" is no count");
            return atoi(pValue->c_str()) < 0 ? 0 : atoi(pValue->c_str());
        }
        int nCount = atoi(pValue->c_str());
        if (nCount > nMax) {
            m_report.capacity(strSection, pszKey,
                              *pValue + " is more than " + std::to_string(nMax));
        }
        return nCount;
    }
    bool section(const std::string& strSection) {
        if (m_profile.hasSection(strSection.c_str())) {
            return true;
        }
        m_report.problem(strSection, "-", "section missing");
        return false;
    }
    // A section numbered one past its count.
    void beyondCount(const std::string& strSection, const char* pszCountKey) {
        if (m_profile.hasSection(strSection.c_str())) {
            m_report.problem(strSection, "-",
                             std::string("section beyond the count ") + pszCountKey +
                                 " is never read");
        }
    }

  private:
    const CProfileIni& m_profile;
    CCheckReport& m_report;
};

void checkAttribSections(CTextChecker& checker, const std::string& strSection, int nAttribs) {
    // The reader takes at most three digits of the count.
    if (nAttribs > MAX_PERSISTED_COUNT) {
        nAttribs = MAX_PERSISTED_COUNT;
    }
    for (int k = 1; k <= nAttribs; k++) {
        std::string strAttrib = strSection + "_ATTRB_" + std::to_string(k);
        if (!checker.section(strAttrib)) {
            continue;
        }
        checker.text(strAttrib, "OID", 11);
        checker.text(strAttrib, "NAME", FN_NAME_SIZE - 1);
        checker.text(strAttrib, "ACCESS_TYPE", 100, false);
        checker.count(strAttrib, "DATA_TYPE", 9);
    }
    checker.beyondCount(strSection + "_ATTRB_" + std::to_string(nAttribs + 1), "NO_OF_ATTRBS");
}

void checkGroupSections(CTextChecker& checker, const char* pszKind, int nEntries,
                        const char* pszCountKey) {
    for (int n = 1; n <= nEntries; n++) {
        std::string strSection = std::string(pszKind) + "_" + std::to_string(n);
        if (!checker.section(strSection)) {
            continue;
        }
        checker.text(strSection, "ENTRY_OID", ENTRY_OID_SIZE - 1);
        checker.text(strSection, "CLASS_NAME", CLASS_NAME_SIZE - 1);
        int nAttribs = checker.count(strSection, "NO_OF_ATTRBS", MAX_PERSISTED_COUNT);
        if (strcmp(pszKind, "TBL") == 0) {
            int nKeys = checker.count(strSection, "NO_OF_KEYS", MAX_TABLE_KEYS);
            for (int k = 1; k <= nKeys && k <= MAX_TABLE_KEYS; k++) {
                checker.text(strSection, (strSection + "_KEY_" + std::to_string(k)).c_str(),
                             KEY_NAME_SIZE - 1);
            }
        }
        checkAttribSections(checker, strSection, nAttribs);
    }
    checker.beyondCount(std::string(pszKind) + "_" + std::to_string(nEntries + 1), pszCountKey);
}

} // namespace

void CheckDefinitionText(const char* pszFile, CCheckReport& report) {
    CProfileIni profile;
    if (!profile.load(pszFile)) {
        report.problem("-", "-", "cannot be read");
        return;
    }
    CTextChecker checker(profile, report);
    if (!checker.section("GLOBALS")) {
        return;
    }
    int nMaps = checker.count("GLOBALS", "NO_OF_MAPs", MAX_PERSISTED_COUNT);
    int nTables = checker.count("GLOBALS", "NO_OF_TBLS", MAX_PERSISTED_COUNT);
    int nGroups = checker.count("GLOBALS", "NO_OF_GROUPS", MAX_PERSISTED_COUNT);
    int nTraps = checker.count("GLOBALS", "NO_OF_TRAPS", MAX_PERSISTED_COUNT);
    int nTrapAttribs = checker.count("GLOBALS", "NO_OF_TRAP_ATTRB", MAX_PERSISTED_COUNT);
    for (const char* pszKey : {"DATA_SRC", "OID_PREFIX", "OID_VIEW", "VALID_OID", "MIB_VERSION"}) {
        checker.text("GLOBALS", pszKey, STORE_TEXT_SIZE - 1);
    }
    if (nMaps > MAX_PERSISTED_COUNT || nTables > MAX_PERSISTED_COUNT ||
        nGroups > MAX_PERSISTED_COUNT || nTraps > MAX_PERSISTED_COUNT ||
        nTrapAttribs > MAX_PERSISTED_COUNT) {
        return;
    }
    checkGroupSections(checker, "GRP", nGroups, "NO_OF_GROUPS");
    checkGroupSections(checker, "TBL", nTables, "NO_OF_TBLS");
    for (int n = 0; n < nTrapAttribs; n++) {
        std::string strSection = "TRAPATTRB_" + std::to_string(n);
        if (checker.section(strSection)) {
            checker.text(strSection, "OID", ATTRIB_OID_SIZE - 1);
            checker.text(strSection, "NAME", TRAP_ATTR_NAME_SIZE - 1);
            checker.text(strSection, "DATA_TYPE", 1);
        }
    }
    checker.beyondCount("TRAPATTRB_" + std::to_string(nTrapAttribs), "NO_OF_TRAP_ATTRB");
    for (int n = 1; n <= nTraps; n++) {
        std::string strSection = "TRAP_" + std::to_string(n);
        if (!checker.section(strSection)) {
            continue;
        }
        checker.text(strSection, "ENTRY_OID", ENTRY_OID_SIZE - 1);
        checker.text(strSection, "CODE", TRAP_CODE_SIZE - 1);
        checker.text(strSection, "TRAP_ID", TRAP_ID_SIZE - 1);
        int nSlots = checker.count(strSection, "NO_OF_ATTRBS", MAX_TRAP_ATTRIBS);
        for (int k = 1; k <= nSlots && k <= MAX_TRAP_ATTRIBS; k++) {
            checker.text(strSection, ("ATTRB_" + std::to_string(k)).c_str(), TRAP_INDEX_SIZE - 1);
        }
    }
    checker.beyondCount("TRAP_" + std::to_string(nTraps + 1), "NO_OF_TRAPS");
    for (int n = 1; n <= nMaps; n++) {
        std::string strSection = "MAP_" + std::to_string(n);
        if (checker.section(strSection)) {
            checker.text(strSection, "FROM_OID", MAP_OID_SIZE - 1);
            checker.text(strSection, "TO_OID", MAP_OID_SIZE - 1);
        }
    }
    checker.beyondCount("MAP_" + std::to_string(nMaps + 1), "NO_OF_MAPs");
}

void CheckPersistReport(const PersistReport& persistReport, CCheckReport& report) {
    if (!persistReport.bOpened) {
        report.problem("-", "-", "cannot be read");
    }
    if (persistReport.bBadCount) {
        report.problem("-", "-", "a count is no number from 0 to 999: the file is refused");
    }
    if (persistReport.bShort) {
        report.problem("-", "-", "the file ends before its counts are satisfied");
    }
    if (persistReport.bTrailingBytes) {
        report.problem("-", "-",
                       "bytes follow the last record (counts too small, or the other "
                       "build's table layout)");
    }
    if (persistReport.bBadField) {
        report.problem("-", "-", "a text without terminator or a key count above 3");
    }
}

// ---- The loaded store ---------------------------------------------------------

namespace {

// One group or table as the walk sees it.
struct WalkEntry {
    std::string strSection;
    const CGroup* pGroup;
    std::string strFirstObject; // entry "." first attribute, no final dot
};

std::string firstObjectOf(const CGroup& group) {
    std::string strAttrib = group.m_ptrAttribs[0].szOID;
    if (!strAttrib.empty() && strAttrib.back() == '.') {
        strAttrib.pop_back();
    }
    return std::string(group.szEntryOID) + "." + strAttrib;
}

class CStoreChecker {
  public:
    CStoreChecker(const CParseINI& store, CCheckReport& report)
        : m_store(store), m_report(report) {}

    void globals() {
        const char* pszPrefix = m_store.m_szOIDPrefix;
        if (!isDottedNumber(pszPrefix, false)) {
            m_report.problem("GLOBALS", "OID_PREFIX",
                             std::string("\"") + pszPrefix + "\" is no OID");
        }
        if (strlen(m_store.m_szDataSrc) + strlen("lib.so") > STORE_TEXT_SIZE - 1) {
            m_report.capacity("GLOBALS", "DATA_SRC",
                              "the library name lib" + std::string(m_store.m_szDataSrc) +
                                  ".so is longer than 23 characters");
        }
        // The library is loaded by a name formed from DATA_SRC: a path would
        // load a file from anywhere.
        if (strpbrk(m_store.m_szDataSrc, "/\\") != nullptr || m_store.m_szDataSrc[0] == 0) {
            m_report.problem("GLOBALS", "DATA_SRC",
                             "\"" + std::string(m_store.m_szDataSrc) +
                                 "\" is no plain file name part (no '/' or '\\')");
        }
        moduleText("GLOBALS", "DATA_SRC", m_store.m_szDataSrc);
        moduleText("GLOBALS", "MIB_VERSION", m_store.m_szMIBVersion);
        std::string strValid = m_store.m_szFirstValidOID;
        if (strValid.compare(0, strlen(pszPrefix) + 1, std::string(pszPrefix) + ".") != 0 ||
            oidComponents(strValid.c_str()).size() <= 8) {
            m_report.problem("GLOBALS", "VALID_OID",
                             "\"" + strValid + "\" does not lie below the prefix");
        }
    }

    // The agent keeps the holders of at most 20 classes per library, each
    // name at most 23 characters: the objects of any further class are
    // never served.
    void classes() {
        std::vector<std::string> vClasses;
        auto note = [&](const std::string& strSection, const CGroup& group) {
            std::string strClass = group.szName;
            if (strClass.size() > HOLDER_CLASS_MAX_CHARS) {
                m_report.capacity(strSection, "CLASS_NAME",
                                  "\"" + strClass + "\" is longer than 23 characters");
            }
            for (const std::string& strSeen : vClasses) {
                if (strSeen == strClass) {
                    return;
                }
            }
            vClasses.push_back(strClass);
            if (vClasses.size() > HOLDER_CLASSES_PER_LIBRARY) {
                m_report.capacity(strSection, "CLASS_NAME",
                                  "\"" + strClass +
                                      "\" is a class beyond the 20 that one library serves");
            }
        };
        for (int n = 0; n < m_store.m_nGroups; n++) {
            note("GRP_" + std::to_string(n + 1), m_store.m_ptrCGroup[n]);
        }
        for (int n = 0; n < m_store.m_nTables; n++) {
            note("TBL_" + std::to_string(n + 1), m_store.m_ptrCTbl[n]);
        }
    }

    void groups() {
        classes();
        for (int n = 0; n < m_store.m_nGroups; n++) {
            std::string strSection = "GRP_" + std::to_string(n + 1);
            entry(strSection, m_store.m_ptrCGroup[n], false);
        }
        for (int n = 0; n < m_store.m_nTables; n++) {
            std::string strSection = "TBL_" + std::to_string(n + 1);
            entry(strSection, m_store.m_ptrCTbl[n], true);
            keys(strSection, m_store.m_ptrCTbl[n]);
        }
    }

    void traps() {
        for (int n = 0; n < m_store.m_nTrapAttrbs; n++) {
            const CTrapAttrib& trapAttrib = m_store.m_ptrCTrapAttr[n];
            std::string strSection = "TRAPATTRB_" + std::to_string(n);
            if (!isDottedNumber(trapAttrib.szOID, false)) {
                m_report.problem(strSection, "OID",
                                 std::string("\"") + trapAttrib.szOID + "\" is no OID");
            }
            dataType(strSection, trapAttrib.szDataType);
            moduleText(strSection, "NAME", trapAttrib.szAttrName);
        }
        for (int n = 0; n < m_store.m_nTraps; n++) {
            trap("TRAP_" + std::to_string(n + 1), m_store.m_ptrCTrap[n]);
        }
    }

    void walkOrder();

  private:
    // A name that the MIB module writes into its texts, which carry printable
    // ASCII only.
    void moduleText(const std::string& strSection, const char* pszKey, const char* pszText) {
        if (!IsPrintableAscii(pszText)) {
            m_report.problem(strSection, pszKey,
                             std::string("\"") + pszText +
                                 "\" holds characters other than printable ASCII, which the MIB "
                                 "module cannot carry");
        }
    }

    void dataType(const std::string& strSection, const char* pszDataType) {
        if (strcmp(pszDataType, "1") != 0 && strcmp(pszDataType, "2") != 0) {
            m_report.problem(strSection, "DATA_TYPE",
                             std::string("\"") + pszDataType + "\" is neither 1 (text) nor 2 " +
                                 "(integer): the value is never read");
        }
    }

    void entry(const std::string& strSection, const CGroup& group, bool bTable) {
        if (!isDottedNumber(group.szEntryOID, false)) {
            m_report.problem(strSection, "ENTRY_OID",
                             std::string("\"") + group.szEntryOID + "\" is no OID");
        }
        moduleText(strSection, "CLASS_NAME", group.szName);
        if (strlen(group.szName) > 23) {
            m_report.capacity(strSection, "CLASS_NAME",
                              "longer than the 23 characters the holder registry keeps");
        }
        int nAttribs = CountFromText(group.szTotalAttrbs);
        if (nAttribs == 0) {
            m_report.problem(strSection, "NO_OF_ATTRBS", "no attributes");
            return;
        }
        std::string strFull = std::string(m_store.m_szOIDPrefix) + "." + firstObjectOf(group) + ".";
        if (strFull.size() > REQUEST_OID_SIZE - 1 ||
            firstObjectOf(group).size() + 1 > ENTRY_OID_SIZE - 1) {
            m_report.capacity(strSection, "ENTRY_OID",
                              "the first object " + strFull +
                                  " does not fit the request's 49 characters");
        }
        int nFirst = atoi(group.m_ptrAttribs[0].szOID);
        for (int k = 0; k < nAttribs; k++) {
            const CBaseAttrib& attrib = group.m_ptrAttribs[k];
            std::string strAttrib = strSection + "_ATTRB_" + std::to_string(k + 1);
            if (!isDottedNumber(attrib.szOID, true)) {
                m_report.problem(strAttrib, "OID",
                                 std::string("\"") + attrib.szOID + "\" is no attribute number");
            }
            int nExpected = bTable ? k + 1 : nFirst + k;
            if (atoi(attrib.szOID) != nExpected) {
                m_report.problem(strAttrib, "OID",
                                 std::string(bTable ? "columns are numbered 1 upwards"
                                                    : "attribute numbers are not consecutive") +
                                     ": expected " + std::to_string(nExpected));
            }
            dataType(strAttrib, attrib.szDataType);
            if (attrib.cAccessType != 'R' && attrib.cAccessType != 'W') {
                m_report.problem(strAttrib, "ACCESS_TYPE",
                                 "neither R nor W: the attribute is read-only");
            }
            if (strcmp(attrib.szFnName, "NOT FOUND") == 0 || attrib.szFnName[0] == 0) {
                m_report.problem(strAttrib, "NAME", "no attribute name");
            }
            moduleText(strAttrib, "NAME", attrib.szFnName);
        }
    }

    void keys(const std::string& strSection, const CTbl& table) {
        if (table.nTotalKeys == 0) {
            m_report.problem(strSection, "NO_OF_KEYS", "a table without index keys");
        }
        if (table.nTotalKeys > 1) {
            m_report.problem(strSection, "NO_OF_KEYS",
                             "a row is addressed by one index: with " +
                                 std::to_string(table.nTotalKeys) +
                                 " keys its cells cannot be read and a walk leaves the table "
                                 "after its first cell");
        }
        int nAttribs = CountFromText(table.szTotalAttrbs);
        for (int k = 0; k < table.nTotalKeys && k < MAX_TABLE_KEYS; k++) {
            bool bFound = false;
            for (int i = 0; i < nAttribs && !bFound; i++) {
                bFound = strcmp(table.m_ptrAttribs[i].szFnName, table.szKeys[k]) == 0 &&
                         table.m_ptrAttribs[i].iDataType == 2;
            }
            if (!bFound) {
                m_report.problem(strSection, strSection + "_KEY_" + std::to_string(k + 1),
                                 std::string("\"") + table.szKeys[k] +
                                     "\" names no integer column of the table");
            }
        }
    }

    void trap(const std::string& strSection, const CTrap& trap) {
        const char* pszCode = trap.szTrapCode;
        bool bCode = pszCode[0] != 0 && (pszCode[0] != '0' || pszCode[1] == 0) &&
                     strspn(pszCode, "0123456789abcdef") == strlen(pszCode) &&
                     strcmp(pszCode, "0") != 0;
        if (!bCode) {
            m_report.problem(strSection, "CODE",
                             std::string("\"") + pszCode +
                                 "\" matches no event (lower-case hexadecimal, no leading zeros)");
        }
        if (!isDottedNumber(trap.szEntryOID, false)) {
            m_report.problem(strSection, "ENTRY_OID",
                             std::string("\"") + trap.szEntryOID + "\" is no OID");
        }
        if (trap.szTrapID[0] == 0 || strspn(trap.szTrapID, "0123456789") != strlen(trap.szTrapID)) {
            m_report.problem(strSection, "TRAP_ID",
                             std::string("\"") + trap.szTrapID + "\" is no number");
        }
        int nSlots = CountFromText(trap.szTotAttrbs);
        if (nSlots > MAX_TRAP_ATTRIBS) {
            m_report.capacity(strSection, "NO_OF_ATTRBS", "more than 6 trap variables");
            nSlots = MAX_TRAP_ATTRIBS;
        }
        for (int k = 0; k < nSlots; k++) {
            const char* pszIndex = trap.szAttrbIndex[k];
            int iIndex = atoi(pszIndex);
            if (pszIndex[0] == 0 || strspn(pszIndex, "0123456789") != strlen(pszIndex) ||
                iIndex >= m_store.m_nTrapAttrbs) {
                m_report.problem(strSection, "ATTRB_" + std::to_string(k + 1),
                                 std::string("\"") + pszIndex +
                                     "\" names no TRAPATTRB section: the variable stays empty");
            }
        }
    }

    const CParseINI& m_store;
    CCheckReport& m_report;
};

void CStoreChecker::walkOrder() {
    std::vector<WalkEntry> entries;
    for (int n = 0; n < m_store.m_nGroups; n++) {
        if (CountFromText(m_store.m_ptrCGroup[n].szTotalAttrbs) > 0) {
            entries.push_back({"GRP_" + std::to_string(n + 1), &m_store.m_ptrCGroup[n],
                               firstObjectOf(m_store.m_ptrCGroup[n])});
        }
    }
    for (int n = 0; n < m_store.m_nTables; n++) {
        if (CountFromText(m_store.m_ptrCTbl[n].szTotalAttrbs) > 0) {
            entries.push_back({"TBL_" + std::to_string(n + 1), &m_store.m_ptrCTbl[n],
                               firstObjectOf(m_store.m_ptrCTbl[n])});
        }
    }
    auto findEntry = [&entries](const char* pszEntryOID) {
        for (size_t i = 0; i < entries.size(); i++) {
            if (strcmp(entries[i].pGroup->szEntryOID, pszEntryOID) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    char szFirst[ENTRY_OID_SIZE + ATTRIB_OID_SIZE];
    CParseINI& store = const_cast<CParseINI&>(m_store);
    if (entries.empty() || !store.getFirstObject(szFirst, sizeof(szFirst))) {
        return;
    }
    std::vector<bool> visited(entries.size(), false);
    int iCurrent = -1;
    for (size_t i = 0; i < entries.size() && iCurrent < 0; i++) {
        if (entries[i].strFirstObject + "." == szFirst) {
            iCurrent = static_cast<int>(i);
        }
    }
    while (iCurrent >= 0) {
        visited[iCurrent] = true;
        const char* pszEntryOID = entries[iCurrent].pGroup->szEntryOID;
        int iMap = -1;
        for (int n = 0; n < m_store.m_nMaps && iMap < 0; n++) {
            if (strcmp(m_store.m_ptrMapObj[n].szFromOID, pszEntryOID) == 0) {
                iMap = n;
            }
        }
        if (iMap < 0) {
            break;
        }
        std::string strMap = "MAP_" + std::to_string(iMap + 1);
        int iNext = findEntry(m_store.m_ptrMapObj[iMap].szToOID);
        if (iMap + 1 == m_store.m_nMaps) {
            if (iNext >= 0) {
                m_report.problem(strMap, "TO_OID",
                                 "the last walk-order entry ends the walk, so " +
                                     entries[iNext].strSection + " that it names is never reached");
            }
            break;
        }
        if (iNext < 0) {
            m_report.problem(strMap, "TO_OID",
                             std::string("\"") + m_store.m_ptrMapObj[iMap].szToOID +
                                 "\" names no group or table: the walk ends here");
            break;
        }
        if (CompareOIDNumerically(entries[iNext].strFirstObject.c_str(),
                                  entries[iCurrent].strFirstObject.c_str()) <= 0) {
            m_report.problem(strMap, "TO_OID",
                             "walks from " + entries[iCurrent].strFirstObject + " back to " +
                                 entries[iNext].strFirstObject + ": OIDs must increase");
        }
        if (visited[iNext]) {
            break;
        }
        iCurrent = iNext;
    }
    for (size_t i = 0; i < entries.size(); i++) {
        if (!visited[i]) {
            m_report.problem(entries[i].strSection, "ENTRY_OID",
                             "never reached by the walk order (MAP_n)");
        }
    }
}

} // namespace

void CheckStore(const CParseINI& store, CCheckReport& report) {
    CStoreChecker checker(store, report);
    checker.globals();
    checker.groups();
    checker.traps();
    checker.walkOrder();
}

void CheckDefinitionNotes(const char* pszFile, const CParseINI& store, CCheckReport& report) {
    CMibAnnotations notes;
    if (!notes.readFile(pszFile, store)) {
        return;
    }
    for (const MibNoteProblem& noteProblem : notes.problems()) {
        report.problem(noteProblem.strSection, noteProblem.strKey, noteProblem.strText);
    }
    if (!notes.any()) {
        return;
    }
    // Names unique within the module: as mib names it without --module.
    std::string strModule = notes.module().strModuleName;
    CMibModule module(store, strModule.empty() ? ModuleNameFromFile(pszFile) : strModule,
                      "202601010000Z", pszFile, &notes);
    module.build();
    for (const MibNoteProblem& noteProblem : module.noteProblems()) {
        report.problem(noteProblem.strSection, noteProblem.strKey, noteProblem.strText);
    }
}
