// OID resolution with the walk order: which store owns an OID text, which
// group or table attribute it names, and which object a get-next walks to
// next, within a store (CParseINI's members, parseoid.cpp) and across the
// stores in prefix order, including where the walk ends.
#ifndef KORVO_PARSEOID_H
#define KORVO_PARSEOID_H

#include "parserecords.h"

// The request dispatch's OID text buffer: a rewritten OID must fit it.
const int REQUEST_OID_SIZE = 50;

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

#endif // KORVO_PARSEOID_H
