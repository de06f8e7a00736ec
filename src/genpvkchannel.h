// The shared-memory request channel: the daemon's side of the block that the
// relay fills for every request snmpd passes on. Initialisation ends here by
// attaching the block; from then on the main thread takes one request at a
// time off it, dispatches it and publishes the answer, sleeping on the
// block's state word in between, and acts on a reload (SIGHUP) between
// requests.
#ifndef KORVO_GENPVKCHANNEL_H
#define KORVO_GENPVKCHANNEL_H

#include "snmptype.h"
#include "zundshm.h"

// One dispatch of a binding with an action code; returns an SNMP error status.
typedef UINT (*PFN_DISPATCH)(RFC1157VarBind* pBinding, UINT nAction);

// Initialises the agent, creates the block and serves it; returns only when
// initialisation or the segment set-up fails.
void InitialiseMIB();

// Creates (or opens) and attaches the segment and marks it idle. Returns the
// block, or null on failure.
SHARED_DATA* AttachSharedBlock();

// The request binding with its 50-sub-identifier name buffer.
RFC1157VarBind* AllocateRequestBinding();

// Takes one request off the block if one is ready (state 1 to 3), dispatches
// it and publishes the answer (state 2). Returns true if a request was served.
bool ServeOneRequest(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch);

// Serves requests until a stop is requested (g_bStopRequested), sleeping on
// the state word between them: woken by a relay that stores 1, and looking
// again after 1500 microseconds at the latest, so relays that only poll are
// served too.
void RunChannelLoop(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch);

// Acts on SIGHUP between requests: reads the trap destinations again and
// puts them in use once no trap is being sent (bReloadPending carries a read
// that waits for that), logging when it did.
void ServeReloadRequest(bool& bReloadPending);

// The action code of a method word the channel does not know; the dispatch
// refuses it.
const UINT SNMP_ACTION_UNKNOWN = 5;

// Maps a method word to its action code: "-g" SNMP_ACTION_GET, "-n"
// SNMP_ACTION_GETNEXT, "-s" SNMP_ACTION_SET, else SNMP_ACTION_UNKNOWN.
UINT MethodToAction(const char* pszMethod);

#endif // KORVO_GENPVKCHANNEL_H
