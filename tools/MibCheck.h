// Finds the definition problems that would make the agent misbehave, in a
// MIB definition file or a persisted definition file, and reports each with
// file, section and key.
#ifndef KORVO_MIBCHECK_H
#define KORVO_MIBCHECK_H

#include "mib/parseini.h"

#include <cstdio>
#include <map>
#include <string>

// Problems of one file, printed as they are found. A section (a group or
// table together with its attribute sections) prints at most
// MAX_SECTION_MESSAGES of them; finish() says how many more it had. A report
// that keeps only capacities prints nothing but problems of what exceeds a
// field, count or limit of the agent.
const int MAX_SECTION_MESSAGES = 20;

class CCheckReport {
  public:
    CCheckReport(const std::string& strFile, FILE* pOut, bool bCapacitiesOnly = false)
        : m_strFile(strFile), m_pOut(pOut), m_bCapacitiesOnly(bCapacitiesOnly) {}
    ~CCheckReport() { finish(); }
    CCheckReport(const CCheckReport&) = delete;
    CCheckReport& operator=(const CCheckReport&) = delete;
    void problem(const std::string& strSection, const std::string& strKey,
                 const std::string& strText);
    // A text, count or number of classes beyond what the agent holds.
    void capacity(const std::string& strSection, const std::string& strKey,
                  const std::string& strText);
    int count() const { return m_nProblems; }
    const std::string& file() const { return m_strFile; }
    // One line per section whose messages were cut; once.
    void finish();

  private:
    void print(const std::string& strSection, const std::string& strKey,
               const std::string& strText);

    std::string m_strFile;
    FILE* m_pOut;
    bool m_bCapacitiesOnly;
    int m_nProblems = 0;
    std::map<std::string, int> m_sectionMessages; // by section, attribute sections in their own
};

// Problems in the text of a MIB definition file: missing sections and keys,
// values cut to their field, counts out of range or not matching.
void CheckDefinitionText(const char* pszFile, CCheckReport& report);

// Problems in a loaded store: empty groups, attribute numbering, keys, trap
// variables, the walk order, capacities of the OIDs formed from it.
void CheckStore(const CParseINI& store, CCheckReport& report);

// Problems with the optional keys that only the definition tool reads
// (descriptions, enumerations, units, names, module identity), the store
// read from the same file.
void CheckDefinitionNotes(const char* pszFile, const CParseINI& store, CCheckReport& report);

// Problems in reading a persisted definition file.
void CheckPersistReport(const PersistReport& persistReport, CCheckReport& report);

// Byte-wise text order against numeric order of two prefixes; true when the
// two agree.
bool PrefixOrdersAgree(const char* pszFirst, const char* pszSecond);

// Numeric comparison of two dotted OID texts (<0, 0, >0).
int CompareOIDNumerically(const char* pszFirst, const char* pszSecond);

#endif // KORVO_MIBCHECK_H
