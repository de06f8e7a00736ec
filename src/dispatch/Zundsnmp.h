// The attribute engine's read, next-object walk and write over the storage
// libraries' holders.
#ifndef KORVO_ZUNDSNMP_H
#define KORVO_ZUNDSNMP_H

#include "mib/parserecords.h"
#include "platform/snmptype.h"

// The highest attribute number a set may name.
const int AttrEntry_ATTRIB_MAX = 50;

// Text buffer handed to the library's string reads.
const int ATTRIB_TEXT_SIZE = 512;

// Reads attribute `attr` of instance `adpno` (0-based) of a table into the
// binding: 0, or 2 for an instance or attribute that does not exist.
UINT AttrGet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj);

// Reads the attribute the binding's OID names, of instance `adpno`, into the
// binding's value. A failed library read gives "N/A" or 0. Returns 0, or 2
// when the class has no holder.
UINT GetAttributes(RFC1157VarBind* varbind, int adpno, obj_attrib obj);

// Next instance of a table, column by column, from attribute `attr` and
// instance `adpno`: 0 with the binding renamed and filled, 2 at the table's end.
UINT AttrGetNext(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj);

// Next member of a scalar group from attribute `attr` (`adpno` 0 to start at
// it, 1 to start after it): 0, or 2 at the group's end.
UINT ScalAttrGetNext(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj);

// Checks a set of attribute `attr`, instance `adpno` - 1 (0 when the OID
// named no instance): 0, 2 (noSuchName) or 3 (badValue).
UINT AttrCheckSet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj);

// Checks and writes the binding's integer value: 0, 2 or 3.
UINT AttrSet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj);

// The binding's OID as dotted decimal text with a final "."; false when it
// does not fit nSize bytes.
bool FormatBindingOid(const AsnObjectIdentifier& stName, char* pszText, size_t nSize);

#endif // KORVO_ZUNDSNMP_H
