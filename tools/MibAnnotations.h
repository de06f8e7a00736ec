// The optional keys of a MIB definition text that only the definition tool
// reads, for the MIB module and the exporter module it writes: per attribute
// and trap variable DESCRIPTION, ENUM and UNITS, per trap NAME and
// DESCRIPTION, and in GLOBALS the module's MODULE_NAME, ORGANIZATION,
// CONTACT_INFO and DESCRIPTION. The agent's reader and the persisted file
// never hold them.
#ifndef KORVO_MIBANNOTATIONS_H
#define KORVO_MIBANNOTATIONS_H

#include <map>
#include <string>
#include <vector>

class CGroup;
class CParseINI;
class CProfileIni;
class CTbl;
class CTrapAttrib;

// Longest texts the keys may hold.
const size_t MAX_DESCRIPTION_CHARS = 1000;
const size_t MAX_ORGANIZATION_CHARS = 200;
const size_t MAX_CONTACT_INFO_CHARS = 1000;
const size_t MAX_UNITS_CHARS = 32;
const size_t MAX_ENUM_LABELS = 256;
const size_t MAX_SMI_NAME_CHARS = 64;

// One named number of an enumeration: "failed(2)".
struct MibEnumItem {
    std::string strLabel;
    long nValue;
};
typedef std::vector<MibEnumItem> MibEnum;

// The keys of one attribute (GRP_n_ATTRB_m, TBL_n_ATTRB_m) or trap variable
// (TRAPATTRB_n); empty texts and an empty enumeration when not given.
struct MibObjectNotes {
    std::string strDescription;
    std::string strUnits;
    MibEnum enumItems;
};

// The keys of one trap (TRAP_n).
struct MibTrapNotes {
    std::string strName;
    std::string strDescription;
};

// The module identity keys of GLOBALS.
struct MibModuleNotes {
    std::string strModuleName;
    std::string strOrganization;
    std::string strContactInfo;
    std::string strDescription;
};

// One problem with a key: section, key, what is wrong.
struct MibNoteProblem {
    std::string strSection;
    std::string strKey;
    std::string strText;
};

class CMibAnnotations {
  public:
    // Reads the keys of the sections that the store was read from (its
    // groups' and tables' attributes, trap variables and traps, and GLOBALS).
    // Keys whose values are unusable are left out and reported by problems().
    void read(const CProfileIni& profile, const CParseINI& store);
    // The same from a file; false when it cannot be read.
    bool readFile(const char* pszFile, const CParseINI& store);

    // The keys of a section, or null when it gives none.
    const MibObjectNotes* object(const std::string& strSection) const;
    const MibTrapNotes* trap(const std::string& strSection) const;
    const MibModuleNotes& module() const { return m_module; }
    // True when the text gives any of the keys.
    bool any() const { return m_bAny; }

    const std::vector<MibNoteProblem>& problems() const { return m_problems; }

  private:
    void readObject(const CProfileIni& profile, const std::string& strSection);
    // The attribute sections of a group or table (pTable for a table).
    void readAttributes(const CProfileIni& profile, const std::string& strGroupSection,
                        const CGroup& group, const CTbl* pTable);
    void readVariable(const CProfileIni& profile, int n, const CTrapAttrib& variable);
    void readTrap(const CProfileIni& profile, const std::string& strSection);
    void readModule(const CProfileIni& profile);
    // The value of a key checked as a module text of at most nMax characters;
    // false (reported) when unusable or absent.
    bool text(const CProfileIni& profile, const std::string& strSection, const char* pszKey,
              size_t nMax, std::string& strValue);
    void problem(const std::string& strSection, const std::string& strKey,
                 const std::string& strText);

    std::map<std::string, MibObjectNotes> m_objects;
    std::map<std::string, MibTrapNotes> m_traps;
    // The first attribute section of each object OID below the prefix.
    std::map<std::string, std::string> m_attributeSections;
    MibModuleNotes m_module;
    bool m_bAny = false;
    std::vector<MibNoteProblem> m_problems;
};

// An enumeration written as "label(value),label(value)": labels SMI
// identifiers, unique, values Integer32 and unique. False with the reason.
bool ParseMibEnum(const std::string& strText, MibEnum& items, std::string& strWhy);

// The enumeration as the definition writes it, labels and values as given.
std::string MibEnumText(const MibEnum& items);

// An SMIv2 descriptor or enumeration label: a lower-case letter, then letters
// and digits, at most 64 characters.
bool IsSmiIdentifier(const std::string& strName);

// An SMIv2 module name: a capital letter, then letters, digits and single
// hyphens not at the end, at most 64 characters, no keyword and none of the
// base modules it imports from.
bool IsSmiModuleName(const std::string& strName);

// A text that a quoted MIB module string carries as it is: printable ASCII
// without double quotes.
bool IsModuleText(const std::string& strText);

// The same for the names written into the module's texts (double quotes are
// replaced there): printable ASCII.
bool IsPrintableAscii(const std::string& strText);

#endif // KORVO_MIBANNOTATIONS_H
