// The MIB definition store: the in-memory model of one MIB definition
// (CParseINI), the table of stores, and trap lookup. Its members are
// implemented by the store's units, each with a header of its own: the
// records (parserecords.h), the controller list and definition readers
// (parseinifile.h), the persisted definition file (parsepersist.h), and OID
// resolution with the walk order (parseoid.h).
#ifndef KORVO_PARSEINI_H
#define KORVO_PARSEINI_H

#include "parserecords.h"

#include <cstddef>

struct PersistReport; // parsepersist.h

// Library index operating-system types.
const int OS_TYPE_WINDOWS = 0;
const int OS_TYPE_LINUX = 1;

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

// ---- Trap lookup across stores ---------------------------------------------

TrapObj* getTrap_Details(int iIndex, const char* ptrTrapName);
// The trap a storage event's code becomes in library iIndex's definition
// (the code written in lower-case hexadecimal without leading zeros), or
// nullptr: no such trap, or a code outside 0 to 0xffff, which no definition
// can name. The caller releases it with releaseTrapObj.
TrapObj* getTrapForEventCode(int iIndex, int iEventCode);
int isTrapEnabled(int iIndex);
char* getTrapDestinationFileName(int iIndex);

#endif // KORVO_PARSEINI_H
