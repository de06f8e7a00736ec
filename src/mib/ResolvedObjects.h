// The resolution of every attribute of every group and table, computed once
// from the stores, so that a request for an instance of one (prefix . entry .
// attribute . instance, as every walk asks) is resolved from its numbers
// instead of from its text. Each resolution is the text resolution's own
// (getOID_Details run once per attribute while the stores are read), and an
// attribute is taken only where the definitions guarantee that the text
// resolution gives the same answer for every instance number: no other
// prefix, entry or attribute text that an instance number could complete,
// and an entry that the walk's resumption (WalkResume.h) takes as it is.
// Everything else stays with the text resolution.
//
// Built at the end of reading the controller list (initParseINIFromFile) and
// released with the stores (closeAllPtrs); only read afterwards, by the
// request path.
#ifndef KORVO_RESOLVEDOBJECTS_H
#define KORVO_RESOLVEDOBJECTS_H

#include "parseoid.h"
#include "parserecords.h"
#include "platform/snmptype.h"

#include <cstddef>

class CParseINI;

// Entry OIDs of more numbers are left to the text resolution.
const int RESOLVED_ENTRY_MAX_IDS = 32;

// The resolution of the instance OIDs of one attribute.
struct CResolvedObject {
    int nType = OID_NOT_RESOLVED; // OID_GROUP_ATTRIBUTE or OID_TABLE_ATTRIBUTE
    obj_attrib obj;               // as getOID_Details fills it
    // "prefix.entry.attribute." as the dispatch writes the name as text; an
    // instance adds its number and a ".".
    char szText[REQUEST_OID_SIZE] = {};
    size_t nTextLength = 0;
    // The largest instance number whose text still fits the request's text
    // (and prints without a sign).
    UINT nInstanceLimit = 0;
    // obj.szOID as numbers: nEntryIds of them (CountOidComponents), stored
    // when they fit.
    int nEntryIds = 0;
    UINT aEntryIds[RESOLVED_ENTRY_MAX_IDS] = {};
    // getNo_Attr of obj's group or table, and the group's start.
    int nAttribCount = 0;
    int iStartInstance = 0;
};

// The resolution of the name when it is an instance of an attribute whose
// resolution is known, else null. Null whenever the stores are not the ones
// it was built for.
const CResolvedObject* FindResolvedObject(const AsnObjectIdentifier& stName);

// Fills obj as getOID_Details fills it for the object's OIDs: a group's
// attribute leaves the keys as they are.
void ApplyResolution(const CResolvedObject& stResolved, obj_attrib& obj);

// Builds the resolutions for the stores in g_ParseINIarr; ReleaseResolvedObjects
// forgets them.
void BuildResolvedObjects();
void ReleaseResolvedObjects();

// ---- What the walk's resumption shares -------------------------------------

// The attribute numbers a get-next walks in walk entry iEntry of a store (a
// group's index, or m_nGroups + a table's): a group's members from its
// first attribute's number on, a table's columns from 1.
struct AttribRange {
    UINT nFirst;
    UINT nLast;
};
AttribRange WalkEntryRange(CParseINI& store, int iEntry);

// The numbers of a dotted text as the walk reads prefixes and entry OIDs:
// empty components skipped, plain decimal digits, each below 2^32. False for
// any other text, a text without numbers, or one of more than nMax numbers.
bool ParseWalkText(const char* pszText, UINT* pIds, UINT nMax, UINT& nLength);

#endif // KORVO_RESOLVEDOBJECTS_H
