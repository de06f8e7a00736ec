// Finds the definition problems that would make the agent misbehave, in a
// MIB definition file or a persisted definition file, and reports each with
// file, section and key.
#ifndef KORVO_MIBCHECK_H
#define KORVO_MIBCHECK_H

#include "parseini.h"

#include <cstdio>
#include <string>

class CCheckReport {
  public:
    CCheckReport(const std::string& strFile, FILE* pOut) : m_strFile(strFile), m_pOut(pOut) {}
    void problem(const std::string& strSection, const std::string& strKey,
                 const std::string& strText);
    int count() const { return m_nProblems; }
    const std::string& file() const { return m_strFile; }

  private:
    std::string m_strFile;
    FILE* m_pOut;
    int m_nProblems = 0;
};

// Problems in the text of a MIB definition file: missing sections and keys,
// values cut to their field, counts out of range or not matching.
void CheckDefinitionText(const char* pszFile, CCheckReport& report);

// Problems in a loaded store: empty groups, attribute numbering, keys, trap
// variables, the walk order, capacities of the OIDs formed from it.
void CheckStore(const CParseINI& store, CCheckReport& report);

// Problems in reading a persisted definition file.
void CheckPersistReport(const PersistReport& persistReport, CCheckReport& report);

// Byte-wise text order against numeric order of two prefixes; true when the
// two agree.
bool PrefixOrdersAgree(const char* pszFirst, const char* pszSecond);

// Numeric comparison of two dotted OID texts (<0, 0, >0).
int CompareOIDNumerically(const char* pszFirst, const char* pszSecond);

#endif // KORVO_MIBCHECK_H
