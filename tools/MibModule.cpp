#include "MibModule.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

const long ENTERPRISES[] = {1, 3, 6, 1, 4, 1};
const size_t ENTERPRISES_SIZE = sizeof(ENTERPRISES) / sizeof(ENTERPRISES[0]);
const size_t DESCRIPTION_WIDTH = 68;

std::string pathText(const MibPath& path) {
    std::string strText;
    for (long nSub : path) {
        strText += (strText.empty() ? "" : ".") + std::to_string(nSub);
    }
    return strText;
}

MibPath parentOf(const MibPath& path) {
    return MibPath(path.begin(), path.end() - 1);
}

bool startsWith(const MibPath& path, const MibPath& head) {
    return path.size() >= head.size() && std::equal(head.begin(), head.end(), path.begin());
}

// A text fit for a quoted SMI string: no double quotes, and only printable
// ASCII (anything else becomes a question mark).
std::string quotable(const std::string& strText) {
    std::string strOut;
    for (char c : strText) {
        strOut += c == '"' ? '\'' : (c < 0x20 || c > 0x7e ? '?' : c);
    }
    return strOut;
}

std::string upperFirst(std::string strName) {
    if (!strName.empty()) {
        strName[0] = static_cast<char>(toupper(static_cast<unsigned char>(strName[0])));
    }
    return strName;
}

// Writes a quoted text wrapped at word boundaries, each line indented.
void writeText(FILE* pOut, const char* pszIndent, const std::string& strText) {
    std::string strLine;
    std::string strRest = quotable(strText);
    fprintf(pOut, "%s\"", pszIndent);
    bool bFirst = true;
    while (!strRest.empty()) {
        size_t nCut = strRest.size();
        if (nCut > DESCRIPTION_WIDTH) {
            nCut = strRest.rfind(' ', DESCRIPTION_WIDTH);
            nCut = nCut == std::string::npos || nCut == 0 ? DESCRIPTION_WIDTH : nCut;
        }
        fprintf(pOut, "%s%s", bFirst ? "" : pszIndent, strRest.substr(0, nCut).c_str());
        strRest.erase(0, nCut);
        while (!strRest.empty() && strRest[0] == ' ') {
            strRest.erase(0, 1);
        }
        fputs(strRest.empty() ? "\"\n" : "\n", pOut);
        bFirst = false;
    }
    if (bFirst) {
        fputs("\"\n", pOut);
    }
}

const char* typeWord(int iDataType) {
    return iDataType == 1 ? "a text" : "an integer";
}

} // namespace

bool ParseMibPath(const char* pszOID, MibPath& path) {
    path.clear();
    const char* p = pszOID;
    while (*p != '\0') {
        if (!isdigit(static_cast<unsigned char>(*p))) {
            return false;
        }
        char* pEnd = nullptr;
        errno = 0;
        long nSub = strtol(p, &pEnd, 10);
        if (errno != 0 || nSub > 4294967295L) {
            return false;
        }
        path.push_back(nSub);
        p = pEnd;
        if (*p == '.') {
            p++;
        } else if (*p != '\0') {
            return false;
        }
    }
    return !path.empty();
}

CMibModule::CMibModule(const CParseINI& store, const std::string& strModule,
                       const std::string& strUpdated, const std::string& strSource,
                       const CMibAnnotations* pNotes)
    : m_store(store), m_pNotes(pNotes), m_strModule(strModule),
      m_strStem(DescriptorStem(strModule)), m_strUpdated(strUpdated), m_strSource(strSource) {}

void CMibModule::problem(const std::string& strSection, const std::string& strText) {
    m_problems.push_back("[" + strSection + "] " + strText);
}

void CMibModule::noteProblem(const std::string& strSection, const std::string& strKey,
                             const std::string& strText) {
    problem(strSection, strKey + " " + strText);
    m_noteProblems.push_back({strSection, strKey, strText});
}

// The definition's notes of an attribute or trap variable, when given,
// replace the written description and add units and named numbers.
void CMibModule::applyNotes(const std::string& strSection, CMibNode& node) const {
    const MibObjectNotes* pNotes = m_pNotes == nullptr ? nullptr : m_pNotes->object(strSection);
    if (pNotes == nullptr) {
        return;
    }
    if (!pNotes->strDescription.empty()) {
        node.strDescription = pNotes->strDescription;
    }
    node.strUnits = pNotes->strUnits;
    node.enumItems = pNotes->enumItems;
}

// A name that the module writes into its texts must be printable ASCII.
void CMibModule::checkName(const std::string& strSection, const char* pszKey, const char* pszName) {
    if (!IsPrintableAscii(pszName)) {
        problem(strSection, std::string(pszKey) + " \"" + pszName +
                                "\" holds characters other than printable ASCII");
    }
}

// The DATA_TYPE and NAME of an attribute or trap variable; false when the
// data type is neither text nor integer.
bool CMibModule::checkLeaf(const std::string& strSection, int iDataType, const char* pszName) {
    if (iDataType != 1 && iDataType != 2) {
        problem(strSection, "DATA_TYPE is neither 1 (text) nor 2 (integer)");
        return false;
    }
    checkName(strSection, "NAME", pszName);
    return true;
}

bool CMibModule::build() {
    if (!ParseMibPath(m_store.m_szOIDPrefix, m_prefix) || m_prefix.size() <= ENTERPRISES_SIZE ||
        !startsWith(m_prefix, MibPath(ENTERPRISES, ENTERPRISES + ENTERPRISES_SIZE))) {
        problem("GLOBALS", std::string("OID_PREFIX ") + m_store.m_szOIDPrefix +
                               " is not below the enterprise arc 1.3.6.1.4.1");
        return false;
    }
    m_strIdentity = m_names.claim(m_strStem + "MIB", m_strStem);
    // The one descriptor the module imports.
    m_names.claimExact("enterprises");
    checkName("GLOBALS", "DATA_SRC", m_store.m_szDataSrc);
    checkName("GLOBALS", "MIB_VERSION", m_store.m_szMIBVersion);
    for (int n = 0; n < m_store.m_nGroups; n++) {
        addGroup(n);
    }
    for (int n = 0; n < m_store.m_nTables; n++) {
        addTable(n);
    }
    std::vector<std::string> variableNames;
    for (int n = 0; n < m_store.m_nTrapAttrbs; n++) {
        variableNames.push_back(addTrapVariable(n));
    }
    for (int n = 0; n < m_store.m_nTraps; n++) {
        addTrap(n, variableNames);
    }
    addArcs();
    return m_problems.empty();
}

bool CMibModule::addNode(const MibPath& path, const CMibNode& node, const std::string& strSection) {
    std::string strOID = pathText(path);
    if (path.empty()) {
        problem(strSection, "an object at the prefix itself");
        return false;
    }
    if (m_nodes.count(path) > 0) {
        problem(strSection, "OID " + strOID + " is used twice");
        return false;
    }
    for (size_t n = 1; n < path.size(); n++) {
        auto it = m_nodes.find(MibPath(path.begin(), path.begin() + n));
        if (it != m_nodes.end() && it->second.isLeaf()) {
            problem(strSection, "OID " + strOID + " lies inside " + it->second.strName);
            return false;
        }
    }
    auto itNext = m_nodes.upper_bound(path);
    if (node.isLeaf() && itNext != m_nodes.end() && startsWith(itNext->first, path)) {
        problem(strSection, "OID " + strOID + " holds " + itNext->second.strName);
        return false;
    }
    m_nodes[path] = node;
    return true;
}

// The node of one scalar or column; false (reported) for a data type other
// than text or integer. The description ends without a full stop.
bool CMibModule::attributeNode(CMibNode::Kind eKind, const char* pszClass,
                               const CBaseAttrib& attrib, const std::string& strAttribSection,
                               const char* pszEnding, CMibNode& node) {
    if (!checkLeaf(strAttribSection, attrib.iDataType, attrib.szFnName)) {
        return false;
    }
    node.eKind = eKind;
    node.strName = m_names.claim(JoinClassAndAttribute(pszClass, attrib.szFnName), m_strStem);
    node.iDataType = attrib.iDataType;
    node.bWritable = attrib.cAccessType == 'W';
    node.strDescription = std::string("The attribute ") + attrib.szFnName + " of the class " +
                          pszClass + ", " + typeWord(attrib.iDataType) + pszEnding;
    applyNotes(strAttribSection, node);
    return true;
}

void CMibModule::addGroup(int n) {
    const CGroup& group = m_store.m_ptrCGroup[n];
    std::string strSection = "GRP_" + std::to_string(n + 1);
    MibPath groupPath;
    if (!ParseMibPath(group.szEntryOID, groupPath)) {
        problem(strSection, std::string("ENTRY_OID ") + group.szEntryOID + " is no OID");
        return;
    }
    checkName(strSection, "CLASS_NAME", group.szName);
    CMibNode arc;
    arc.strName = m_names.claim(m_strStem + CapitalWord(group.szName), m_strStem);
    if (!addNode(groupPath, arc, strSection)) {
        return;
    }
    addAttributes(group, CMibNode::SCALAR, groupPath, strSection);
}

// The scalars of a group below its OID, or the columns of a table below its
// entry: a column's OID is one number.
void CMibModule::addAttributes(const CGroup& group, CMibNode::Kind eKind, const MibPath& parentPath,
                               const std::string& strSection) {
    bool bColumn = eKind == CMibNode::COLUMN;
    int nAttribs = CountFromText(group.szTotalAttrbs);
    for (int k = 0; k < nAttribs; k++) {
        const CBaseAttrib& attrib = group.m_ptrAttribs[k];
        std::string strAttribSection = strSection + "_ATTRB_" + std::to_string(k + 1);
        MibPath tail;
        if (!ParseMibPath(attrib.szOID, tail) || (bColumn && tail.size() != 1)) {
            problem(strAttribSection, std::string("OID ") + attrib.szOID +
                                          (bColumn ? " is no column number" : " is no OID"));
            continue;
        }
        CMibNode node;
        if (!attributeNode(eKind, group.szName, attrib, strAttribSection,
                           bColumn ? "." : " (one instance, .0).", node)) {
            continue;
        }
        MibPath path = parentPath;
        path.insert(path.end(), tail.begin(), tail.end());
        addNode(path, node, strAttribSection);
    }
}

void CMibModule::addTable(int n) {
    const CTbl& table = m_store.m_ptrCTbl[n];
    std::string strSection = "TBL_" + std::to_string(n + 1);
    MibPath entryPath;
    if (!ParseMibPath(table.szEntryOID, entryPath) || entryPath.size() < 2) {
        problem(strSection, std::string("ENTRY_OID ") + table.szEntryOID +
                                " is no OID of a table entry (table.entry)");
        return;
    }
    checkName(strSection, "CLASS_NAME", table.szName);
    std::string strClass = CapitalWord(table.szName);
    CMibNode tableNode;
    tableNode.eKind = CMibNode::TABLE;
    tableNode.strName = m_names.claim(JoinClassAndAttribute(strClass, "Table"), m_strStem);
    tableNode.strDescription = std::string("The instances of the class ") + table.szName + ".";
    CMibNode entry;
    entry.eKind = CMibNode::ENTRY;
    entry.strName = m_names.claim(JoinClassAndAttribute(strClass, "Entry"), m_strStem);
    entry.strDescription = std::string("One instance of the class ") + table.szName +
                           ", indexed by its position among all instances of the class, "
                           "counted from 0.";
    if (!addNode(parentOf(entryPath), tableNode, strSection) ||
        !addNode(entryPath, entry, strSection)) {
        return;
    }
    addAttributes(table, CMibNode::COLUMN, entryPath, strSection);
    addIndex(table, entryPath, strSection);
}

// The INDEX of a table: its key columns that hold integers. Without one, a
// not-accessible column after the last names the instance position.
void CMibModule::addIndex(const CTbl& table, const MibPath& entryPath,
                          const std::string& strSection) {
    std::vector<std::string> index;
    long nLastColumn = 0;
    for (auto it = m_nodes.upper_bound(entryPath);
         it != m_nodes.end() && startsWith(it->first, entryPath); ++it) {
        nLastColumn = it->first.back();
    }
    for (int k = 0; k < table.nTotalKeys && k < MAX_TABLE_KEYS; k++) {
        int nAttribs = CountFromText(table.szTotalAttrbs);
        for (int i = 0; i < nAttribs; i++) {
            const CBaseAttrib& attrib = table.m_ptrAttribs[i];
            MibPath path = entryPath;
            MibPath tail;
            if (strcmp(attrib.szFnName, table.szKeys[k]) != 0 || attrib.iDataType != 2 ||
                !ParseMibPath(attrib.szOID, tail) || tail.size() != 1) {
                continue;
            }
            path.push_back(tail[0]);
            auto it = m_nodes.find(path);
            if (it != m_nodes.end() && !it->second.bIndex) {
                it->second.bIndex = true;
                index.push_back(it->second.strName);
            }
            break;
        }
    }
    if (index.empty()) {
        CMibNode column;
        column.eKind = CMibNode::COLUMN;
        column.strName = m_names.claim(JoinClassAndAttribute(table.szName, "Index"), m_strStem);
        column.iDataType = 2;
        column.bIndex = true;
        column.bHidden = true;
        column.strDescription = std::string("The position of an instance of the class ") +
                                table.szName +
                                " among all its instances, counted from 0; it only names "
                                "the index and is not served.";
        MibPath path = entryPath;
        path.push_back(nLastColumn + 1);
        if (addNode(path, column, strSection)) {
            index.push_back(column.strName);
        }
    }
    m_nodes[entryPath].objects = index;
}

std::string CMibModule::addTrapVariable(int n) {
    const CTrapAttrib& variable = m_store.m_ptrCTrapAttr[n];
    std::string strSection = "TRAPATTRB_" + std::to_string(n);
    MibPath path;
    if (!ParseMibPath(variable.szOID, path)) {
        problem(strSection, std::string("OID ") + variable.szOID + " is no OID");
        return "";
    }
    auto it = m_nodes.find(path);
    if (it != m_nodes.end()) {
        if (it->second.eKind == CMibNode::SCALAR ||
            (it->second.eKind == CMibNode::COLUMN && !it->second.bHidden)) {
            return it->second.strName;
        }
        problem(strSection, "OID " + pathText(path) + " is " + it->second.strName +
                                ", which no trap can carry");
        return "";
    }
    int iDataType = atoi(variable.szDataType);
    if (!checkLeaf(strSection, iDataType, variable.szAttrName)) {
        return "";
    }
    CMibNode node;
    node.eKind = CMibNode::NOTIFY_VARIABLE;
    node.strName = m_names.claim(m_strStem + CapitalWord(variable.szAttrName), m_strStem);
    node.iDataType = iDataType;
    node.strDescription = std::string("A value that only traps carry: ") + variable.szAttrName +
                          ", " + typeWord(iDataType) + ".";
    applyNotes(strSection, node);
    return addNode(path, node, strSection) ? node.strName : "";
}

void CMibModule::addTrap(int n, const std::vector<std::string>& variableNames) {
    const CTrap& trap = m_store.m_ptrCTrap[n];
    std::string strSection = "TRAP_" + std::to_string(n + 1);
    MibPath path;
    MibPath number;
    if (!ParseMibPath(trap.szEntryOID, path)) {
        problem(strSection, std::string("ENTRY_OID ") + trap.szEntryOID + " is no OID");
        return;
    }
    if (!ParseMibPath(trap.szTrapID, number) || number.size() != 1 || number[0] == 0) {
        problem(strSection, std::string("TRAP_ID ") + trap.szTrapID + " is no trap number");
        return;
    }
    const MibTrapNotes* pNotes = m_pNotes == nullptr ? nullptr : m_pNotes->trap(strSection);
    CMibNode node;
    node.eKind = CMibNode::NOTIFICATION;
    if (pNotes != nullptr && !pNotes->strName.empty()) {
        node.strName = pNotes->strName;
        if (!m_names.claimExact(node.strName)) {
            noteProblem(strSection, "NAME",
                        node.strName + " is already the name of another object of the module");
            return;
        }
    } else {
        node.strName = m_names.claim(m_strStem + "Event" + CapitalWord(trap.szTrapCode), m_strStem);
    }
    int nVariables = CountFromText(trap.szTotAttrbs);
    for (int k = 0; k < nVariables && k < MAX_TRAP_ATTRIBS; k++) {
        int iIndex = atoi(trap.szAttrbIndex[k]);
        if (iIndex < 0 || iIndex >= static_cast<int>(variableNames.size())) {
            problem(strSection, "ATTRB_" + std::to_string(k + 1) + " names no trap variable");
            continue;
        }
        const std::string& strName = variableNames[static_cast<size_t>(iIndex)];
        bool bListed = false;
        for (const std::string& strListed : node.objects) {
            bListed = bListed || strListed == strName;
        }
        if (!strName.empty() && !bListed) {
            node.objects.push_back(strName);
        }
    }
    std::string strEnterprise = std::string(m_store.m_szOIDPrefix) + "." + trap.szEntryOID;
    node.strDescription = std::string("The event with code 0x") + trap.szTrapCode +
                          ". Sent as an SNMPv1 trap with enterprise " + strEnterprise +
                          " and specific trap " + std::to_string(number[0]) +
                          "; its variables are the event's arguments in the order above.";
    if (pNotes != nullptr && !pNotes->strDescription.empty()) {
        node.strDescription = pNotes->strDescription + " Event code 0x" + trap.szTrapCode +
                              ", sent as an SNMPv1 trap with enterprise " + strEnterprise +
                              " and specific trap " + std::to_string(number[0]) +
                              "; its variables are the event's arguments in the order above.";
    }
    if (strcmp(m_store.m_szOIDView, "ShowTrapDescription") == 0) {
        node.strDescription += " A last variable, at the OID of this notification, carries "
                               "the event's description text.";
    }
    path.push_back(0);
    path.push_back(number[0]);
    addNode(path, node, strSection);
}

// Names the arcs between the prefix and the defined nodes.
void CMibModule::addArcs() {
    std::vector<MibPath> paths;
    for (const auto& item : m_nodes) {
        paths.push_back(item.first);
    }
    for (const MibPath& path : paths) {
        for (size_t n = 1; n < path.size(); n++) {
            MibPath arcPath(path.begin(), path.begin() + n);
            if (m_nodes.count(arcPath) == 0) {
                CMibNode arc;
                arc.strName = m_names.claim(arcName(arcPath), m_strStem);
                m_nodes[arcPath] = arc;
            }
        }
    }
}

// An arc above notifications is the events arc, its arc 0 the notifications
// arc; any other takes its parent's name and its number.
std::string CMibModule::arcName(const MibPath& path) const {
    for (const auto& item : m_nodes) {
        const MibPath& nodePath = item.first;
        if (item.second.eKind != CMibNode::NOTIFICATION) {
            continue;
        }
        if (nodePath.size() == path.size() + 2 && startsWith(nodePath, path)) {
            return m_strStem + "Events";
        }
        if (nodePath.size() == path.size() + 1 && startsWith(nodePath, path)) {
            return m_strStem + "Notifications";
        }
    }
    return parentName(path) + std::to_string(path.back());
}

std::string CMibModule::parentName(const MibPath& path) const {
    if (path.size() == 1) {
        return m_strIdentity;
    }
    return m_nodes.at(parentOf(path)).strName;
}

void CMibModule::write(FILE* pOut) const {
    writeHeader(pOut);
    for (const auto& item : m_nodes) {
        writeNode(pOut, item.first, item.second);
    }
    fputs("END\n", pOut);
}

void CMibModule::writeHeader(FILE* pOut) const {
    bool bText = false;
    bool bInteger = false;
    bool bNotifications = false;
    for (const auto& item : m_nodes) {
        bText = bText || item.second.iDataType == 1;
        bInteger = bInteger || (item.second.iDataType == 2 && item.second.enumItems.empty());
        bNotifications = bNotifications || item.second.eKind == CMibNode::NOTIFICATION;
    }
    fprintf(pOut, "%s DEFINITIONS ::= BEGIN\n\n", m_strModule.c_str());
    fprintf(pOut, "-- Generated by qbz_korvomibconv from %s.\n\n", quotable(m_strSource).c_str());
    fprintf(pOut,
            "IMPORTS\n    MODULE-IDENTITY, OBJECT-TYPE, %s%senterprises\n"
            "        FROM SNMPv2-SMI%s\n",
            bNotifications ? "NOTIFICATION-TYPE, " : "", bInteger ? "Integer32, " : "",
            bText ? "" : ";");
    if (bText) {
        fputs("    DisplayString\n        FROM SNMPv2-TC;\n", pOut);
    }
    fprintf(pOut, "\n%s MODULE-IDENTITY\n    LAST-UPDATED \"%s\"\n", m_strIdentity.c_str(),
            m_strUpdated.c_str());
    MibModuleNotes notes = m_pNotes == nullptr ? MibModuleNotes() : m_pNotes->module();
    if (notes.strOrganization.empty()) {
        fputs("    ORGANIZATION \"Brennic\"\n", pOut);
    } else {
        fputs("    ORGANIZATION\n", pOut);
        writeText(pOut, "        ", notes.strOrganization);
    }
    if (notes.strContactInfo.empty()) {
        fputs("    CONTACT-INFO \"The administrator of the agent's host.\"\n", pOut);
    } else {
        fputs("    CONTACT-INFO\n", pOut);
        writeText(pOut, "        ", notes.strContactInfo);
    }
    fputs("    DESCRIPTION\n", pOut);
    if (notes.strDescription.empty()) {
        writeText(pOut, "        ",
                  std::string("The objects and traps that the KORVO SNMP agent serves from the "
                              "storage library ") +
                      m_store.m_szDataSrc + " under " + m_store.m_szOIDPrefix +
                      ", as the MIB definition " + m_strSource + " (version " +
                      m_store.m_szMIBVersion + ") describes them.");
    } else {
        writeText(pOut, "        ", notes.strDescription);
    }
    fprintf(pOut, "    REVISION \"%s\"\n    DESCRIPTION\n", m_strUpdated.c_str());
    writeText(pOut, "        ",
              std::string("Generated from the MIB definition version ") + m_store.m_szMIBVersion +
                  ".");
    fputs("    ::= { enterprises", pOut);
    for (size_t n = ENTERPRISES_SIZE; n < m_prefix.size(); n++) {
        fprintf(pOut, " %ld", m_prefix[n]);
    }
    fputs(" }\n\n", pOut);
}

void CMibModule::writeNode(FILE* pOut, const MibPath& path, const CMibNode& node) const {
    switch (node.eKind) {
    case CMibNode::ARC:
        fprintf(pOut, "%s OBJECT IDENTIFIER ::= { %s %ld }\n\n", node.strName.c_str(),
                parentName(path).c_str(), path.back());
        break;
    case CMibNode::NOTIFICATION:
        writeNotification(pOut, path, node);
        break;
    default:
        writeObjectType(pOut, path, node);
        if (node.eKind == CMibNode::ENTRY) {
            writeSequence(pOut, path, node);
        }
        break;
    }
}

void CMibModule::writeObjectType(FILE* pOut, const MibPath& path, const CMibNode& node) const {
    std::string strSyntax;
    std::string strAccess = "not-accessible";
    if (node.eKind == CMibNode::TABLE) {
        auto itEntry = m_nodes.upper_bound(path);
        strSyntax = "SEQUENCE OF " + upperFirst(itEntry->second.strName);
    } else if (node.eKind == CMibNode::ENTRY) {
        strSyntax = upperFirst(node.strName);
    } else {
        strSyntax = node.iDataType == 1 ? "DisplayString" : "Integer32";
        if (node.bIndex && node.iDataType == 2) {
            strSyntax += " (0..2147483647)";
        }
        if (node.eKind == CMibNode::NOTIFY_VARIABLE) {
            strAccess = "accessible-for-notify";
        } else if (!node.bHidden) {
            strAccess = node.bWritable ? "read-write" : "read-only";
        }
    }
    fprintf(pOut, "%s OBJECT-TYPE\n", node.strName.c_str());
    writeSyntax(pOut, node, strSyntax);
    fprintf(pOut, "    MAX-ACCESS  %s\n    STATUS      current\n    DESCRIPTION\n",
            strAccess.c_str());
    writeText(pOut, "        ", node.strDescription);
    if (node.eKind == CMibNode::ENTRY) {
        fputs("    INDEX       {", pOut);
        for (size_t i = 0; i < node.objects.size(); i++) {
            fprintf(pOut, "%s %s", i == 0 ? "" : ",", node.objects[i].c_str());
        }
        fputs(" }\n", pOut);
    }
    fprintf(pOut, "    ::= { %s %ld }\n\n", parentName(path).c_str(), path.back());
}

// SYNTAX, the named numbers of an enumeration in ascending order, and UNITS.
void CMibModule::writeSyntax(FILE* pOut, const CMibNode& node, const std::string& strSyntax) const {
    if (node.enumItems.empty()) {
        fprintf(pOut, "    SYNTAX      %s\n", strSyntax.c_str());
    } else {
        MibEnum items = node.enumItems;
        std::stable_sort(items.begin(), items.end(),
                         [](const MibEnumItem& first, const MibEnumItem& second) {
                             return first.nValue < second.nValue;
                         });
        fputs("    SYNTAX      INTEGER {\n", pOut);
        for (size_t i = 0; i < items.size(); i++) {
            fprintf(pOut, "                    %s(%ld)%s\n", items[i].strLabel.c_str(),
                    items[i].nValue, i + 1 < items.size() ? "," : "");
        }
        fputs("                }\n", pOut);
    }
    if (!node.strUnits.empty()) {
        fprintf(pOut, "    UNITS       \"%s\"\n", quotable(node.strUnits).c_str());
    }
}

void CMibModule::writeSequence(FILE* pOut, const MibPath& path, const CMibNode& entry) const {
    fprintf(pOut, "%s ::= SEQUENCE {\n", upperFirst(entry.strName).c_str());
    bool bFirst = true;
    for (auto it = m_nodes.upper_bound(path); it != m_nodes.end() && startsWith(it->first, path);
         ++it) {
        const CMibNode& column = it->second;
        const char* pszType = column.iDataType == 1      ? "DisplayString"
                              : column.enumItems.empty() ? "Integer32"
                                                         : "INTEGER";
        fprintf(pOut, "%s    %s %s", bFirst ? "" : ",\n", column.strName.c_str(), pszType);
        bFirst = false;
    }
    fputs("\n}\n\n", pOut);
}

void CMibModule::writeNotification(FILE* pOut, const MibPath& path, const CMibNode& node) const {
    fprintf(pOut, "%s NOTIFICATION-TYPE\n", node.strName.c_str());
    if (!node.objects.empty()) {
        fputs("    OBJECTS     {", pOut);
        for (size_t i = 0; i < node.objects.size(); i++) {
            fprintf(pOut, "%s %s", i == 0 ? "" : ",", node.objects[i].c_str());
        }
        fputs(" }\n", pOut);
    }
    fputs("    STATUS      current\n    DESCRIPTION\n", pOut);
    writeText(pOut, "        ", node.strDescription);
    fprintf(pOut, "    ::= { %s %ld }\n\n", parentName(path).c_str(), path.back());
}
