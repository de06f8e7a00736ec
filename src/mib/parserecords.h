// The records of a MIB definition: the fixed-size fields of attributes,
// scalar groups, tables, traps, trap variables and walk-order entries, as the
// definition readers fill them and the persisted definition file stores them,
// and the two records the lookups hand out (a resolved object, a trap's
// details). Also the bounded copy and the count reading that every reader of
// these fields uses.
#ifndef KORVO_PARSERECORDS_H
#define KORVO_PARSERECORDS_H

#include <cstddef>

// ---- Field capacities -----------------------------------------------------

const int ATTRIB_OID_SIZE = 24;
const int DATA_TYPE_SIZE = 2;
const int FN_NAME_SIZE = 36;
const int CLASS_NAME_SIZE = 36;
const int ENTRY_OID_SIZE = 48;
const int COUNT_TEXT_SIZE = 4;
const int MAX_TABLE_KEYS = 3;
const int KEY_NAME_SIZE = 24;
const int TRAP_CODE_SIZE = 5;
const int MAX_TRAP_ATTRIBS = 6;
const int TRAP_INDEX_SIZE = 4;
const int TRAP_ID_SIZE = 8;
const int TRAP_ATTR_NAME_SIZE = 24;
const int MAP_OID_SIZE = 48;
const int STORE_TEXT_SIZE = 24;
const int TRAP_DEST_FILE_SIZE = 255;
const int OBJ_OID_SIZE = 64;
const int TRAP_PREFIX_SIZE = 48;

// ---- Records ---------------------------------------------------------------

// One attribute: a column of a table or a scalar of a group.
class CBaseAttrib {
  public:
    CBaseAttrib();
    char szOID[ATTRIB_OID_SIZE];     // attribute OID with trailing dot
    char szDataType[DATA_TYPE_SIZE]; // data type as one digit
    char szFnName[FN_NAME_SIZE];     // the name the storage library knows
    char cAccessType;                // 'R' read-only, 'W' writable
    int iDataType;                   // 1 text, 2 integer
};

// One scalar group.
class CGroup {
  public:
    CGroup();
    char szName[CLASS_NAME_SIZE];        // holder class name
    char szEntryOID[ENTRY_OID_SIZE];     // entry OID below the prefix
    char szTotalAttrbs[COUNT_TEXT_SIZE]; // attribute count as text
    CBaseAttrib* m_ptrAttribs;           // owned, in definition order
};

// One table: a group with index keys.
class CTbl : public CGroup {
  public:
    CTbl();
    int nTotalKeys;
    char szTotalKeys[DATA_TYPE_SIZE];
    char szKeys[MAX_TABLE_KEYS][KEY_NAME_SIZE];
};

// One trap definition.
class CTrap {
  public:
    CTrap();
    char szTrapCode[TRAP_CODE_SIZE];
    char szEntryOID[ENTRY_OID_SIZE];
    char szTotAttrbs[DATA_TYPE_SIZE];
    char szAttrbIndex[MAX_TRAP_ATTRIBS][TRAP_INDEX_SIZE];
    char szTrapID[TRAP_ID_SIZE];
};

// One trap variable definition.
class CTrapAttrib {
  public:
    CTrapAttrib();
    char szOID[ATTRIB_OID_SIZE];
    char szDataType[DATA_TYPE_SIZE];
    char szAttrName[TRAP_ATTR_NAME_SIZE];
};

// One entry of the walk order: after szFromOID continue with szToOID.
class MapObj {
  public:
    MapObj();
    char szFromOID[MAP_OID_SIZE];
    char szToOID[MAP_OID_SIZE];
};

// The description of one resolved MIB object.
class obj_attrib {
  public:
    obj_attrib();
    int iNumKeys;
    char szOID[OBJ_OID_SIZE];
    char szOIDPrefix[STORE_TEXT_SIZE];
    int iDataType;
    char cAccessType;
    char szClassName[CLASS_NAME_SIZE];
    char szName[FN_NAME_SIZE];
    char szKeys[MAX_TABLE_KEYS][KEY_NAME_SIZE];
};

// The details of one trap, owned by the caller of the lookup; release it with
// releaseTrapObj (or delete[] m_ptrAttribs, then delete the object).
class TrapObj {
  public:
    TrapObj();
    CTrapAttrib* m_ptrAttribs;
    int nTrapID;
    int nTotalAttrbs;
    char szTrapCode[TRAP_CODE_SIZE];
    char szEntryOID[ENTRY_OID_SIZE];
    char szOIDPrefix[TRAP_PREFIX_SIZE];
    char szOIDView[STORE_TEXT_SIZE];
};

void releaseTrapObj(TrapObj* pTrapObj);

// ---- Filling the fields -----------------------------------------------------

// Copies at most nSize-1 characters and always terminates; the rest of the
// field is cleared. Returns false when the text had to be cut.
bool CopyField(char* pszField, size_t nSize, const char* pszText);
// The decimal value of a count text, never below 0.
int CountFromText(const char* pszCount);

#endif // KORVO_PARSERECORDS_H
