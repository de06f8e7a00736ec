// Writes an SMIv2 MIB module for a loaded definition store: the module
// identity at the store's prefix, an OBJECT-TYPE per scalar and table column
// (Integer32 or DisplayString by data type, read-only or read-write by access
// type), conceptual tables with their INDEX, and a NOTIFICATION-TYPE per trap
// at enterprise.0.number, where SNMPv1 traps map to SNMPv2 notifications.
#ifndef KORVO_MIBMODULE_H
#define KORVO_MIBMODULE_H

#include "MibAnnotations.h"
#include "MibNames.h"
#include "mib/parseini.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// One node of the module's OID tree, below the store's prefix.
class CMibNode {
  public:
    enum Kind { ARC, SCALAR, TABLE, ENTRY, COLUMN, NOTIFY_VARIABLE, NOTIFICATION };
    Kind eKind = ARC;
    std::string strName;
    std::string strDescription;
    int iDataType = 0;                // columns and scalars: 1 text, 2 integer
    bool bWritable = false;           // read-write instead of read-only
    bool bIndex = false;              // an INDEX column
    bool bHidden = false;             // a not-accessible INDEX column
    std::vector<std::string> objects; // INDEX of an entry, OBJECTS of a notification
    std::string strUnits;             // UNITS of an object, when given
    MibEnum enumItems;                // named numbers of an integer, when given
    bool isLeaf() const { return eKind != ARC && eKind != TABLE && eKind != ENTRY; }
};

typedef std::vector<long> MibPath;

class CMibModule {
  public:
    // strUpdated is the LAST-UPDATED text (YYYYMMDDHHMMZ); strSource names
    // the definition in the module's description; pNotes, when given, holds
    // the definition's descriptions, enumerations, units and names.
    CMibModule(const CParseINI& store, const std::string& strModule, const std::string& strUpdated,
               const std::string& strSource, const CMibAnnotations* pNotes = nullptr);

    // Builds the tree; false when a problem keeps the module from being
    // written (see problems()).
    bool build();
    void write(FILE* pOut) const;
    const std::vector<std::string>& problems() const { return m_problems; }
    // The problems among them that come from the definition's optional keys.
    const std::vector<MibNoteProblem>& noteProblems() const { return m_noteProblems; }

    // The built tree, below the prefix.
    const std::map<MibPath, CMibNode>& nodes() const { return m_nodes; }
    const MibPath& prefix() const { return m_prefix; }
    const std::string& moduleName() const { return m_strModule; }

  private:
    void problem(const std::string& strSection, const std::string& strText);
    void noteProblem(const std::string& strSection, const std::string& strKey,
                     const std::string& strText);
    void applyNotes(const std::string& strSection, CMibNode& node) const;
    void checkName(const std::string& strSection, const char* pszKey, const char* pszName);
    bool checkLeaf(const std::string& strSection, int iDataType, const char* pszName);
    bool addNode(const MibPath& path, const CMibNode& node, const std::string& strSection);
    bool attributeNode(CMibNode::Kind eKind, const char* pszClass, const CBaseAttrib& attrib,
                       const std::string& strAttribSection, const char* pszEnding, CMibNode& node);
    void addGroup(int n);
    void addAttributes(const CGroup& group, CMibNode::Kind eKind, const MibPath& parentPath,
                       const std::string& strSection);
    void addTable(int n);
    void addIndex(const CTbl& table, const MibPath& entryPath, const std::string& strSection);
    std::string addTrapVariable(int n);
    void addTrap(int n, const std::vector<std::string>& variableNames);
    void addArcs();
    std::string arcName(const MibPath& path) const;
    std::string parentName(const MibPath& path) const;

    void writeHeader(FILE* pOut) const;
    void writeSyntax(FILE* pOut, const CMibNode& node, const std::string& strSyntax) const;
    void writeNode(FILE* pOut, const MibPath& path, const CMibNode& node) const;
    void writeObjectType(FILE* pOut, const MibPath& path, const CMibNode& node) const;
    void writeSequence(FILE* pOut, const MibPath& path, const CMibNode& entry) const;
    void writeNotification(FILE* pOut, const MibPath& path, const CMibNode& node) const;

    const CParseINI& m_store;
    const CMibAnnotations* m_pNotes;
    std::string m_strModule;
    std::string m_strStem;
    std::string m_strIdentity;
    std::string m_strUpdated;
    std::string m_strSource;
    MibPath m_prefix;
    std::map<MibPath, CMibNode> m_nodes;
    CNameRegistry m_names;
    std::vector<std::string> m_problems;
    std::vector<MibNoteProblem> m_noteProblems;
};

// The sub-identifiers of a dotted OID text (a trailing dot is allowed);
// false when it holds anything else or is empty.
bool ParseMibPath(const char* pszOID, MibPath& path);

#endif // KORVO_MIBMODULE_H
