#include "MibAnnotations.h"

#include "mib/parseini.h"
#include "platform/ProfileIni.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

// SMIv2 keywords (and the ASN.1 words it reserves); a module name must be none.
const char* const SMI_KEYWORDS[] = {"ABSENT",
                                    "ACCESS",
                                    "AGENT-CAPABILITIES",
                                    "ANY",
                                    "APPLICATION",
                                    "AUGMENTS",
                                    "BEGIN",
                                    "BIT",
                                    "BITS",
                                    "BOOLEAN",
                                    "BY",
                                    "CHOICE",
                                    "COMPONENT",
                                    "COMPONENTS",
                                    "CONTACT-INFO",
                                    "CREATION-REQUIRES",
                                    "Counter32",
                                    "Counter64",
                                    "DEFAULT",
                                    "DEFINED",
                                    "DEFINITIONS",
                                    "DEFVAL",
                                    "DESCRIPTION",
                                    "DISPLAY-HINT",
                                    "END",
                                    "ENUMERATED",
                                    "ENTERPRISE",
                                    "EXPLICIT",
                                    "EXPORTS",
                                    "EXTERNAL",
                                    "FALSE",
                                    "FROM",
                                    "GROUP",
                                    "Gauge32",
                                    "IDENTIFIER",
                                    "IMPLICIT",
                                    "IMPLIED",
                                    "IMPORTS",
                                    "INCLUDES",
                                    "INDEX",
                                    "INTEGER",
                                    "Integer32",
                                    "IpAddress",
                                    "LAST-UPDATED",
                                    "MANDATORY-GROUPS",
                                    "MAX",
                                    "MAX-ACCESS",
                                    "MIN",
                                    "MIN-ACCESS",
                                    "MINUS-INFINITY",
                                    "MODULE",
                                    "MODULE-COMPLIANCE",
                                    "MODULE-IDENTITY",
                                    "NOTIFICATION-GROUP",
                                    "NOTIFICATION-TYPE",
                                    "NOTIFICATIONS",
                                    "NULL",
                                    "OBJECT",
                                    "OBJECT-GROUP",
                                    "OBJECT-IDENTITY",
                                    "OBJECT-TYPE",
                                    "OBJECTS",
                                    "OCTET",
                                    "OF",
                                    "OPTIONAL",
                                    "ORGANIZATION",
                                    "Opaque",
                                    "PLUS-INFINITY",
                                    "PRESENT",
                                    "PRIVATE",
                                    "PRODUCT-RELEASE",
                                    "REAL",
                                    "REFERENCE",
                                    "REVISION",
                                    "SEQUENCE",
                                    "SET",
                                    "SIZE",
                                    "STATUS",
                                    "STRING",
                                    "SUPPORTS",
                                    "SYNTAX",
                                    "TAGS",
                                    "TimeTicks",
                                    "TRAP-TYPE",
                                    "TRUE",
                                    "UNITS",
                                    "UNIVERSAL",
                                    "Unsigned32",
                                    "VARIABLES",
                                    "VARIATION",
                                    "WITH",
                                    "WRITE-SYNTAX"};

// The modules that a written module imports from, and net-snmp's own
// base modules: a module of that name would replace them.
const char* const BASE_MODULES[] = {"SNMPv2-SMI",  "SNMPv2-TC",   "SNMPv2-CONF", "SNMPv2-MIB",
                                    "RFC1155-SMI", "RFC1213-MIB", "RFC-1212",    "RFC-1215"};

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetterOrDigit(char c) {
    return isLower(c) || isUpper(c) || isDigit(c);
}

std::string trimmed(const std::string& strText) {
    size_t nFirst = strText.find_first_not_of(" \t");
    if (nFirst == std::string::npos) {
        return std::string();
    }
    size_t nLast = strText.find_last_not_of(" \t");
    return strText.substr(nFirst, nLast - nFirst + 1);
}

// A decimal Integer32 with an optional minus sign.
bool parseInteger32(const std::string& strText, long& nValue) {
    size_t nStart = strText.size() > 0 && strText[0] == '-' ? 1 : 0;
    if (strText.size() == nStart || strText.size() > nStart + 10 ||
        strText.find_first_not_of("0123456789", nStart) != std::string::npos) {
        return false;
    }
    errno = 0;
    long long nParsed = strtoll(strText.c_str(), nullptr, 10);
    if (errno != 0 || nParsed < INT_MIN || nParsed > INT_MAX) {
        return false;
    }
    nValue = static_cast<long>(nParsed);
    return true;
}

// One "label(value)" item.
bool parseEnumItem(const std::string& strItem, MibEnumItem& item, std::string& strWhy) {
    size_t nOpen = strItem.find('(');
    if (nOpen == std::string::npos || strItem.back() != ')') {
        strWhy = "\"" + strItem + "\" is no label(value)";
        return false;
    }
    item.strLabel = trimmed(strItem.substr(0, nOpen));
    std::string strValue = trimmed(strItem.substr(nOpen + 1, strItem.size() - nOpen - 2));
    if (!IsSmiIdentifier(item.strLabel)) {
        strWhy = "label \"" + item.strLabel +
                 "\" is no SMI identifier (a lower-case letter, then letters and digits, at "
                 "most 64 characters)";
        return false;
    }
    if (!parseInteger32(strValue, item.nValue)) {
        strWhy = "value \"" + strValue + "\" of " + item.strLabel +
                 " is no integer from -2147483648 to 2147483647";
        return false;
    }
    return true;
}

// The OID of an attribute's object below the prefix: entry "." attribute.
std::string attributeOID(const CGroup& group, const CBaseAttrib& attrib) {
    std::string strAttrib = attrib.szOID;
    if (!strAttrib.empty() && strAttrib.back() == '.') {
        strAttrib.pop_back();
    }
    return std::string(group.szEntryOID) + "." + strAttrib;
}

} // namespace

bool IsSmiIdentifier(const std::string& strName) {
    if (strName.empty() || strName.size() > MAX_SMI_NAME_CHARS || !isLower(strName[0])) {
        return false;
    }
    for (char c : strName) {
        if (!isLetterOrDigit(c)) {
            return false;
        }
    }
    return true;
}

bool IsSmiModuleName(const std::string& strName) {
    if (strName.empty() || strName.size() > MAX_SMI_NAME_CHARS || !isUpper(strName[0]) ||
        strName.back() == '-' || strName.find("--") != std::string::npos) {
        return false;
    }
    for (char c : strName) {
        if (!isLetterOrDigit(c) && c != '-') {
            return false;
        }
    }
    for (const char* pszWord : SMI_KEYWORDS) {
        if (strName == pszWord) {
            return false;
        }
    }
    for (const char* pszModule : BASE_MODULES) {
        if (strName == pszModule) {
            return false;
        }
    }
    return true;
}

bool IsPrintableAscii(const std::string& strText) {
    for (char c : strText) {
        if (c < 0x20 || c > 0x7e) {
            return false;
        }
    }
    return true;
}

bool IsModuleText(const std::string& strText) {
    return IsPrintableAscii(strText) && strText.find('"') == std::string::npos;
}

bool ParseMibEnum(const std::string& strText, MibEnum& items, std::string& strWhy) {
    items.clear();
    std::set<std::string> labels;
    std::set<long> values;
    size_t nStart = 0;
    while (nStart <= strText.size()) {
        size_t nComma = strText.find(',', nStart);
        std::string strItem = trimmed(strText.substr(
            nStart, nComma == std::string::npos ? std::string::npos : nComma - nStart));
        MibEnumItem item;
        if (!parseEnumItem(strItem, item, strWhy)) {
            return false;
        }
        if (!labels.insert(item.strLabel).second) {
            strWhy = "label " + item.strLabel + " is given twice";
            return false;
        }
        if (!values.insert(item.nValue).second) {
            strWhy = "value " + std::to_string(item.nValue) + " is given twice";
            return false;
        }
        if (items.size() == MAX_ENUM_LABELS) {
            strWhy = "more than " + std::to_string(MAX_ENUM_LABELS) + " labels";
            return false;
        }
        items.push_back(item);
        if (nComma == std::string::npos) {
            break;
        }
        nStart = nComma + 1;
    }
    return true;
}

std::string MibEnumText(const MibEnum& items) {
    std::string strText;
    for (const MibEnumItem& item : items) {
        strText +=
            (strText.empty() ? "" : ",") + item.strLabel + "(" + std::to_string(item.nValue) + ")";
    }
    return strText;
}

// ---- Reading ------------------------------------------------------------------

void CMibAnnotations::problem(const std::string& strSection, const std::string& strKey,
                              const std::string& strText) {
    m_problems.push_back({strSection, strKey, strText});
}

bool CMibAnnotations::text(const CProfileIni& profile, const std::string& strSection,
                           const char* pszKey, size_t nMax, std::string& strValue) {
    const std::string* pValue = profile.findValue(strSection.c_str(), pszKey);
    if (pValue == nullptr) {
        return false;
    }
    m_bAny = true;
    if (pValue->empty()) {
        problem(strSection, pszKey, "empty");
        return false;
    }
    if (!IsModuleText(*pValue)) {
        problem(strSection, pszKey,
                "holds a double quote or characters other than printable ASCII, which a MIB "
                "module's text cannot carry");
        return false;
    }
    if (pValue->size() > nMax) {
        problem(strSection, pszKey, "longer than " + std::to_string(nMax) + " characters");
        return false;
    }
    strValue = *pValue;
    return true;
}

void CMibAnnotations::readObject(const CProfileIni& profile, const std::string& strSection) {
    MibObjectNotes notes;
    text(profile, strSection, "DESCRIPTION", MAX_DESCRIPTION_CHARS, notes.strDescription);
    text(profile, strSection, "UNITS", MAX_UNITS_CHARS, notes.strUnits);
    const std::string* pEnum = profile.findValue(strSection.c_str(), "ENUM");
    if (pEnum != nullptr) {
        m_bAny = true;
        std::string strWhy;
        if (!ParseMibEnum(*pEnum, notes.enumItems, strWhy)) {
            problem(strSection, "ENUM", strWhy);
            notes.enumItems.clear();
        }
    }
    if (!notes.strDescription.empty() || !notes.strUnits.empty() || !notes.enumItems.empty()) {
        m_objects[strSection] = notes;
    }
}

void CMibAnnotations::readTrap(const CProfileIni& profile, const std::string& strSection) {
    MibTrapNotes notes;
    if (text(profile, strSection, "NAME", MAX_SMI_NAME_CHARS, notes.strName) &&
        !IsSmiIdentifier(notes.strName)) {
        problem(strSection, "NAME",
                "\"" + notes.strName +
                    "\" is no SMI identifier (a lower-case letter, then letters and digits)");
        notes.strName.clear();
    }
    text(profile, strSection, "DESCRIPTION", MAX_DESCRIPTION_CHARS, notes.strDescription);
    if (!notes.strName.empty() || !notes.strDescription.empty()) {
        m_traps[strSection] = notes;
    }
}

void CMibAnnotations::readModule(const CProfileIni& profile) {
    if (text(profile, "GLOBALS", "MODULE_NAME", MAX_SMI_NAME_CHARS, m_module.strModuleName) &&
        !IsSmiModuleName(m_module.strModuleName)) {
        problem("GLOBALS", "MODULE_NAME",
                "\"" + m_module.strModuleName +
                    "\" is no SMI module name (a capital letter, then letters, digits and single "
                    "hyphens, no keyword and no base module)");
        m_module.strModuleName.clear();
    }
    text(profile, "GLOBALS", "ORGANIZATION", MAX_ORGANIZATION_CHARS, m_module.strOrganization);
    text(profile, "GLOBALS", "CONTACT_INFO", MAX_CONTACT_INFO_CHARS, m_module.strContactInfo);
    text(profile, "GLOBALS", "DESCRIPTION", MAX_DESCRIPTION_CHARS, m_module.strDescription);
}

void CMibAnnotations::readAttributes(const CProfileIni& profile, const std::string& strGroupSection,
                                     const CGroup& group, const CTbl* pTable) {
    int nAttribs = CountFromText(group.szTotalAttrbs);
    for (int k = 0; k < nAttribs; k++) {
        std::string strSection = strGroupSection + "_ATTRB_" + std::to_string(k + 1);
        const CBaseAttrib& attrib = group.m_ptrAttribs[k];
        readObject(profile, strSection);
        m_attributeSections.emplace(attributeOID(group, attrib), strSection);
        auto it = m_objects.find(strSection);
        if (it == m_objects.end() || it->second.enumItems.empty()) {
            continue;
        }
        bool bKey = false;
        for (int i = 0; pTable != nullptr && i < pTable->nTotalKeys && i < MAX_TABLE_KEYS; i++) {
            bKey = bKey || strcmp(pTable->szKeys[i], attrib.szFnName) == 0;
        }
        if (attrib.iDataType != 2) {
            problem(strSection, "ENUM", "the attribute is no integer (DATA_TYPE=2)");
            it->second.enumItems.clear();
        } else if (bKey) {
            problem(strSection, "ENUM",
                    "the attribute is the table's key, which names rows: it takes no ENUM");
            it->second.enumItems.clear();
        }
    }
}

void CMibAnnotations::readVariable(const CProfileIni& profile, int n, const CTrapAttrib& variable) {
    std::string strSection = "TRAPATTRB_" + std::to_string(n);
    readObject(profile, strSection);
    auto it = m_objects.find(strSection);
    if (it == m_objects.end()) {
        return;
    }
    MibObjectNotes& notes = it->second;
    if (!notes.enumItems.empty() && strcmp(variable.szDataType, "2") != 0) {
        problem(strSection, "ENUM", "the variable is no integer (DATA_TYPE=2)");
        notes.enumItems.clear();
    }
    // A variable at an attribute's OID is that attribute's object: its ENUM
    // and UNITS may be repeated here, and must then be the same.
    auto itAttribute = m_attributeSections.find(variable.szOID);
    if (itAttribute == m_attributeSections.end()) {
        return;
    }
    const MibObjectNotes* pOwn = object(itAttribute->second);
    MibObjectNotes own = pOwn != nullptr ? *pOwn : MibObjectNotes();
    std::string strWhere = " of " + itAttribute->second;
    if (!notes.strDescription.empty()) {
        problem(strSection, "DESCRIPTION",
                "the variable is the attribute" + strWhere + ": describe it there");
    }
    if (!notes.enumItems.empty() && MibEnumText(notes.enumItems) != MibEnumText(own.enumItems)) {
        problem(strSection, "ENUM",
                "differs from the ENUM" + strWhere + " (\"" + MibEnumText(own.enumItems) +
                    "\"), whose object the variable is");
    }
    if (!notes.strUnits.empty() && notes.strUnits != own.strUnits) {
        problem(strSection, "UNITS",
                "differs from the UNITS" + strWhere + " (\"" + own.strUnits +
                    "\"), whose object the variable is");
    }
    notes = own;
}

void CMibAnnotations::read(const CProfileIni& profile, const CParseINI& store) {
    m_objects.clear();
    m_traps.clear();
    m_module = MibModuleNotes();
    m_problems.clear();
    m_attributeSections.clear();
    m_bAny = false;
    readModule(profile);
    for (int n = 0; n < store.m_nGroups; n++) {
        readAttributes(profile, "GRP_" + std::to_string(n + 1), store.m_ptrCGroup[n], nullptr);
    }
    for (int n = 0; n < store.m_nTables; n++) {
        readAttributes(profile, "TBL_" + std::to_string(n + 1), store.m_ptrCTbl[n],
                       &store.m_ptrCTbl[n]);
    }
    for (int n = 0; n < store.m_nTrapAttrbs; n++) {
        readVariable(profile, n, store.m_ptrCTrapAttr[n]);
    }
    for (int n = 0; n < store.m_nTraps; n++) {
        readTrap(profile, "TRAP_" + std::to_string(n + 1));
    }
}

bool CMibAnnotations::readFile(const char* pszFile, const CParseINI& store) {
    CProfileIni profile;
    if (!profile.load(pszFile)) {
        return false;
    }
    read(profile, store);
    return true;
}

const MibObjectNotes* CMibAnnotations::object(const std::string& strSection) const {
    auto it = m_objects.find(strSection);
    return it == m_objects.end() ? nullptr : &it->second;
}

const MibTrapNotes* CMibAnnotations::trap(const std::string& strSection) const {
    auto it = m_traps.find(strSection);
    return it == m_traps.end() ? nullptr : &it->second;
}
