// Request dispatch of one variable binding, shared by every front end (the
// block, AgentX, the Windows query): resolves the OID against the MIB
// definitions, answers a scalar's instance directly from its holder, hands
// everything else to the attribute engine, and walks a get-next on from one
// group or table to the next by the walk order, across libraries.
#ifndef KORVO_GENPVKDISPATCH_H
#define KORVO_GENPVKDISPATCH_H

#include "snmptype.h"

UINT PopulateValue(RFC1157VarBind* varbind, UINT pduaction);

// Trace hook of the dispatch; writes nothing.
bool writelogtofile(const char* pszText);

#endif // KORVO_GENPVKDISPATCH_H
