// The values of the one request in progress that the request dispatch hands
// to the attribute engine: the entry OID as numbers, the tail of the
// attribute number and the keys, the instance count last asked, and whether
// a set is only checked.
#ifndef KORVO_REQUESTSTATE_H
#define KORVO_REQUESTSTATE_H

#include "platform/snmptype.h"

// Capacities of the process-wide OID fragments.
const UINT ENTRY_OID_MAX_IDS = 20; // an entry OID has at most 20 numbers
const UINT KEY_TAIL_MAX_IDS = 5;   // attribute number and up to four keys

// The per-request values below belong to the one dispatch in progress: the
// request path runs one dispatch at a time (the daemon's main thread, or its
// AgentX thread, under the AgentX front end's dispatch lock; the Windows
// service's query), and no other thread touches them.

// The current request's entry OID as numbers, and the tail of zeros for the
// attribute number and the keys. Writer: the request dispatch, per request,
// before each call into the engine (and the walk on to the next entry).
// Readers: the engine (Zundfunc, Zundsnmp) in the same request.
extern AsnObjectIdentifier EntrytableOid;
extern AsnObjectIdentifier noOfkey;

// The instance count of the class last asked. Writer: the engine, per
// request, at every access of a table. Readers: the engine in the same
// request. The whole count is kept: a library with 257 drives shows all 257.
extern int zund_numInstance;

// While true, a set (SNMP_ACTION_SET) is only checked as its write would
// check it (AttrCheckSet) and nothing is written: the AgentX front end's
// TestSet. Writer: SerialisedCheckSet, per request, set and cleared around
// one dispatch on the AgentX thread under the dispatch lock. Reader:
// MIB_Tablefunc_t in that dispatch.
extern bool g_bSetCheckOnly;

// Sets EntrytableOid from an entry OID text; false when it has more numbers
// than EntrytableOid holds.
bool SetEntrytableOid(const char* pszEntryOID);

// Sets noOfkey to nKeys + 1 zeros (nKeys from 1 to 3).
void SetKeyTail(int nKeys);

#endif // KORVO_REQUESTSTATE_H
