// Request dispatch of one variable binding, shared by every front end (the
// block, AgentX, the Windows query): resolves the OID against the MIB
// definitions, answers a scalar's instance directly from its holder, hands
// everything else to the attribute engine, and walks a get-next on from one
// group or table to the next by the walk order, across libraries.
#ifndef KORVO_GENPVKDISPATCH_H
#define KORVO_GENPVKDISPATCH_H

#include "platform/snmptype.h"

// 1 once at least one library was brought up. Writer: agent initialisation
// (0 when it begins, 1 when it succeeded): the daemon's SnmpExtensionInit on
// the main thread before the block and AgentX serve; the Windows
// SnmpExtensionInit. Readers: the dispatch's callers before each dispatch
// (the block's loop, the AgentX thread, the Windows query).
extern char zund_initover;

// One dispatch of a binding with an action code; returns an SNMP error status.
typedef UINT (*PFN_DISPATCH)(RFC1157VarBind* pBinding, UINT nAction);

// The request binding's name holds this many sub-identifiers, as many as any
// object has: the front ends refuse longer names (or cut a get-next's).
const UINT REQUEST_NAME_MAX_IDS = 50;

// A request binding with a name buffer of REQUEST_NAME_MAX_IDS.
RFC1157VarBind* AllocateRequestBinding();

UINT PopulateValue(RFC1157VarBind* varbind, UINT pduaction);

// Trace hook of the dispatch; writes nothing.
bool writelogtofile(const char* pszText);

#endif // KORVO_GENPVKDISPATCH_H
