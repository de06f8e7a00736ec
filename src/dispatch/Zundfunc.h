// Table and group dispatch: the single entry into the attribute access engine.
#ifndef KORVO_ZUNDFUNC_H
#define KORVO_ZUNDFUNC_H

#include "RequestState.h"
#include "mib/parserecords.h"
#include "platform/snmptype.h"

// Splits the tail of the binding's OID behind the entry OID into attribute
// number and instance and calls the read, walk or write. Returns an SNMP
// error status (0, 2 or 3).
UINT MIB_Tablefunc_t(UINT pduaction, int isScalar, RFC1157VarBind* varbind, obj_attrib obj);

#endif // KORVO_ZUNDFUNC_H
