// OID and variable-binding utilities.
//
// On Windows these come from the platform's snmpapi; on Linux this unit
// supplies them under the same names (snmpapiLinux.cpp, which only the
// daemon's build compiles). The Linux operations never allocate or
// release sub-identifier arrays: every identifier that is copied or appended
// into already owns a buffer of fixed capacity, and the caller checks that
// capacity before it calls them (see the bounded helpers at the end).
#ifndef KORVO_SNMPAPI_H
#define KORVO_SNMPAPI_H

#include "snmptype.h"

#include <cstddef>

#ifndef _WIN32
// RAIDAgentMemAlloc; ends the process with status 0 when memory is exhausted.
void* SnmpUtilMemAlloc(UINT nSize);
void SnmpUtilMemFree(void* pMem);

// Does nothing: the sub-identifier buffer stays with its owner.
void SnmpUtilOidFree(AsnObjectIdentifier* pOid);
// Copies the source's sub-identifiers into the destination's buffer. A
// destination without buffer ends the process with status 0.
int SnmpUtilOidCpy(AsnObjectIdentifier* pDest, AsnObjectIdentifier* pSrc);
// Appends the source's sub-identifiers after the destination's own.
int SnmpUtilOidAppend(AsnObjectIdentifier* pDest, AsnObjectIdentifier* pSrc);
#endif

// Most components the text parser collects.
const int MAX_OID_TEXT_COMPONENTS = 128;

// Parses dotted decimal text into the identifier's buffer: empty components
// are skipped, each component is converted like strtol (leading white space,
// one sign, stops at the first non-digit, no digits give 0).
int SnmpUtilAToOid(const char* pszText, AsnObjectIdentifier* pOid);

// Writes "." and each sub-identifier as signed decimal, then "\n"; returns the
// number of characters written. The buffer must hold 12 characters per
// sub-identifier plus two.
int PrintOid(char* pszBuffer, AsnObjectIdentifier oid);

// Bounded helpers for callers whose buffers have a fixed capacity.

// Number of sub-identifiers SnmpUtilAToOid would produce for the text.
int CountOidComponents(const char* pszText);

// Parses like SnmpUtilAToOid but refuses (returns 0, identifier untouched) a
// text of more than nCapacity components.
int ParseOidBounded(const char* pszText, AsnObjectIdentifier* pOid, UINT nCapacity);

// Writes the identifier like PrintOid into a buffer of nSize bytes; returns the
// number of characters written, or -1 (buffer holds an empty text) when the
// text and its terminating NUL do not fit.
int PrintOidBounded(char* pszBuffer, size_t nSize, const AsnObjectIdentifier& oid);

#endif // KORVO_SNMPAPI_H
