// The MIB definition store: the in-memory model of one MIB definition, the
// table of stores, the controller list and definition readers, the persisted
// definition file, OID resolution with the walk order, and trap lookup.
#ifndef KORVO_PARSEINI_H
#define KORVO_PARSEINI_H

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

// The request dispatch's OID text buffer: a rewritten OID must fit it.
const int REQUEST_OID_SIZE = 50;

// Largest count the persisted definition file can hold (three digits).
const int MAX_PERSISTED_COUNT = 999;

// Library index operating-system types.
const int OS_TYPE_WINDOWS = 0;
const int OS_TYPE_LINUX = 1;

// Table record layouts of the persisted definition file.
const int TABLE_LAYOUT_LINUX = 0;   // 176-byte table record
const int TABLE_LAYOUT_WINDOWS = 1; // 172-byte table record
#ifdef _WIN32
const int TABLE_LAYOUT_NATIVE = TABLE_LAYOUT_WINDOWS;
#else
const int TABLE_LAYOUT_NATIVE = TABLE_LAYOUT_LINUX;
#endif

// ---- Results that travel between the units ----------------------------------

// What getOID_Details resolved an OID text to (the request dispatch and the
// attribute engine act on it).
enum OidResolution {
    OID_GROUP_ATTRIBUTE = 0, // an attribute of a scalar group
    OID_TABLE_ATTRIBUTE = 1, // an attribute (column) of a table
    OID_NOT_RESOLVED = -1,   // no group or table attribute; obj untouched
};

// What getNextEntry found in the walk order (the request dispatch's get-next
// and the walk resumption act on it).
enum NextEntryResult {
    NEXT_ENTRY_FOUND = 1,       // the next entry, in this store
    NEXT_ENTRY_END = 0,         // the store's last walk-order entry matched
                                // (its target is copied, not walked to); across
                                // stores: the end of the walk
    NEXT_ENTRY_NONE = -1,       // no walk-order entry for this object
    NEXT_ENTRY_NEXT_STORE = -2, // go on in the next store: the prefix text now
                                // holds that store's prefix
};

// getIndexFromOID: no store owns the text.
const int NO_STORE_INDEX = -1;

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

// What reading a persisted definition file found, beyond the store itself.
struct PersistReport {
    bool bOpened;        // the file could be opened
    bool bShort;         // the file ended before its counts were satisfied
    bool bBadCount;      // a header count outside 0 to 999: nothing loaded
    bool bTrailingBytes; // bytes follow the last record
    bool bBadField;      // a text without terminator or a key count above 3
                         // (cut on loading)
};

// ---- The store --------------------------------------------------------------

class CParseINI {
  public:
    CParseINI();
    ~CParseINI();

    char m_szDataSrc[STORE_TEXT_SIZE];
    char m_szMibName[STORE_TEXT_SIZE];
    char m_szOIDPrefix[STORE_TEXT_SIZE];
    char m_szOIDView[STORE_TEXT_SIZE];
    int m_nTables;
    int m_nGroups;
    int m_nTraps;
    int m_nTrapAttrbs;
    int m_nMaps;
    char m_szFirstValidOID[STORE_TEXT_SIZE];
    char m_szTrapDestinationFileName[TRAP_DEST_FILE_SIZE];
    char m_szMIBVersion[STORE_TEXT_SIZE];
    bool m_bTrapEnable;
    CGroup* m_ptrCGroup;
    CTbl* m_ptrCTbl;
    CTrap* m_ptrCTrap;
    CTrapAttrib* m_ptrCTrapAttr;
    MapObj* m_ptrMapObj;
    int m_nOIDPrefixLen;

    // Library file name and the texts handed to the library (four buffers of
    // 24 bytes). iOSType 1 Linux, 0 Windows; any other value: false.
    bool getOID_DLL(int iOSType, char* pszOIDPrefix, char* pszDLLName, char* pszOIDView,
                    char* pszMIBVersion);

    // Releases the five arrays and the attribute arrays; counts become 0.
    void releaseArrays();
    // Back to a freshly constructed store's definition (texts, counts and
    // arrays), keeping what the controller list set.
    void resetDefinition();

    // Fills the store from a MIB definition file. False (store left empty)
    // when the file cannot be read or a count is outside 0 to 999.
    bool readINI(const char* pszIniFile);

    // Loads (bRead) or writes the persisted definition file; always true.
    bool persistINI(char* strPersistFile, bool bRead);
    // The same with a chosen table layout; reading fills pReport when given.
    // Returns false when the file cannot be opened, is refused, or (reading)
    // is short or malformed.
    bool persistINIWithLayout(const char* pszPersistFile, bool bRead, int iTableLayout,
                              PersistReport* pReport = nullptr);

    // OID resolution: an OidResolution. ptrOID may be rewritten; it must hold
    // REQUEST_OID_SIZE bytes.
    int getOID_Details(char* ptrOID, obj_attrib& obj);
    int getNo_Attr(const char* EntryOID, int isgrp, int& iStartInstance);
    // The walk order in this store: NEXT_ENTRY_FOUND, NEXT_ENTRY_END or
    // NEXT_ENTRY_NONE.
    int getNextEntry(const char* EntryOID, char* pszNextEntryOID, const char* pszFullOID);
    int getNextEntry(const char* EntryOID, char* pszNextEntryOID);
    int getValid_OID(char* pszNextEntryOID);

    // The store's first object as entry "." attribute OID (at least 48 bytes);
    // false when it has no group or table with attributes.
    bool getFirstObject(char* pszFirstObject, size_t nSize);

    // The groups and tables a get-next walk visits in this store, in walk
    // order: from the store's first object along the walk order, until its
    // last entry, an entry that names no group or table, or an entry seen
    // before. An entry is a group's index, or m_nGroups + a table's index.
    // Returns how many were written (at most nMax).
    int getWalkEntries(int* piEntries, int nMax);
    // The group (below m_nGroups) or table of such an entry index.
    const CGroup& walkEntry(int iEntry) const;

    // Trap lookup.
    TrapObj* getTrap_Details(const char* ptrTrapCode);
    bool isTrapEnabled();

    // The store's prefix occurs in the text, followed by "." or its end.
    bool ownsOID(const char* pszOID) const;

  private:
    int entryIndexOf(const char* pszEntryOID) const;
    int findNearestGroup(const char* pszRemainder, int nRemainderLen) const;
    int findNearestTable(const char* pszRemainder, int nRemainderLen) const;
    int findExactMatch(const char* ptrOID, obj_attrib& obj, bool bTables);
    void fillFromGroup(obj_attrib& obj, const CGroup& group, const CBaseAttrib& attrib);
    void fillFromTable(obj_attrib& obj, const CTbl& table, const CBaseAttrib& attrib);
};

// ---- The table of stores -------------------------------------------------

// The table of stores, sorted by OID prefix, and its length. Writer:
// initParseINI during agent initialisation (the daemon's main thread before it
// serves; the Windows SnmpExtensionInit), released by closeAllPtrs at close
// (the Windows SnmpExtensionClose; the daemon keeps them until it ends).
// Readers, without a lock since nothing writes them in between: the request
// path (the daemon's main thread or its AgentX thread, one at a time; the
// Windows query), the event callbacks on the libraries' threads (trap
// lookup), and the daemon's SIGHUP re-reading on the main thread (trap
// destination file names).
extern CParseINI* g_ParseINIarr;
extern int g_iNoOfDeviceType;

int CParseINI_cmp(const void* pFirst, const void* pSecond);
bool getOID_DLL(int iIndex, int iOSType, char* pszOIDPrefix, char* pszDLLName, char* pszOIDView,
                char* pszMIBVersion);
void closeAllPtrs();

// Reads the controller list at its fixed place and loads the stores.
int initParseINI(int iOSType);
// The same from a given controller list path (iOSType still decides the
// meaning of the further tokens and how definition file names are formed).
int initParseINIFromFile(const char* pszControllerList, int iOSType);

#ifndef _WIN32
// _itoa as the writer uses it: decimal, whatever the radix (the platform
// supplies it on Windows).
char* _itoa(int nVal, char* ptrBuf, int nRadix);
#endif

// ---- OID resolution across stores ------------------------------------------

bool writelog(const char* pszText);
// The library index of the store that owns the text, or NO_STORE_INDEX.
int getIndexFromOID(const char* szOID);
// An OidResolution; outside every store, the first object of the store that
// follows the text.
int getOID_Details(char* ptrOID, obj_attrib& obj);
int getNo_Attr(const char* szOID, const char* EntryOID, int isgrp, int& iStartInstance);
// The walk order across stores: a NextEntryResult (NEXT_ENTRY_NEXT_STORE with
// szOID replaced by the next store's prefix).
int getNextEntry(char* szOID, const char* EntryOID, char* pszNextEntryOID, const char* pszFullOID);
int getNextEntry(char* szOID, const char* EntryOID, char* pszNextEntryOID);
int getValid_OID(const char* EntryOID, char* pszNextEntryOID);

// What the four-argument getNextEntry answers once the walk has passed the
// last walk-order entry of the last store. The deliverables differ here: the
// daemon's dispatch ends the request after renaming the binding to the last
// entry's target (NEXT_ENTRY_END), the Windows extension agent's before it
// (NEXT_ENTRY_NONE). Writer: each deliverable's start-up, once, before any
// request (the daemon's InitialiseMIB, the extension agent's DLL load);
// readers: the request path (the daemon's main thread or its AgentX thread,
// the SNMP service's query thread). NEXT_ENTRY_END until written, so tools and
// tests that dispatch without a deliverable's start-up walk as the daemon.
extern int g_iEndOfWalkResult;

// The walk across stores with an explicit end-of-last-store result;
// pszFullOID may be null.
int getNextEntryAcross(char* szOID, const char* EntryOID, char* pszNextEntryOID,
                       const char* pszFullOID, int iEndOfLastStore);

// ---- Trap lookup across stores ---------------------------------------------

TrapObj* getTrap_Details(int iIndex, const char* ptrTrapName);
int isTrapEnabled(int iIndex);
char* getTrapDestinationFileName(int iIndex);

// ---- Helpers shared by the store's units ------------------------------------

// Copies at most nSize-1 characters and always terminates; the rest of the
// field is cleared. Returns false when the text had to be cut.
bool CopyField(char* pszField, size_t nSize, const char* pszText);
// The decimal value of a count text, never below 0.
int CountFromText(const char* pszCount);

#endif // KORVO_PARSEINI_H
