// The shared-memory request channel: the daemon's side of the block that the
// relay fills for every request snmpd passes on. The lifecycle attaches the
// block at the end of start-up (agent/FrontEnds.h); from then on the main
// thread takes one request at a time off it, dispatches it and publishes the
// answer, sleeping on the block's state word in between, and runs the
// lifecycle's work between requests (a reload on SIGHUP).
#ifndef KORVO_GENPVKCHANNEL_H
#define KORVO_GENPVKCHANNEL_H

#include "dispatch/genpvkdispatch.h"
#include "platform/snmptype.h"
#include "zundshm.h"

// Where the segment is attached (or null) and its identifier (-1 until
// created). Writers: AttachSharedBlock at the end of start-up (main thread,
// stop signals blocked), ReleaseSharedBlock at close (main thread, exit
// handler or SIGSEGV handler). Reader: ReleaseSharedBlock.
extern char* g_pcShMemPtr;
extern int iShMemID;
// The one reusable request binding. Writer: InitialiseMIB once the block is
// attached (main thread), freed by the exit handler clean_up. Reader: the
// block's serving loop on the main thread.
extern RFC1157VarBind* pstVarBind;

// What the serving loop runs before it looks for each request.
typedef void (*PFN_BETWEEN_REQUESTS)();

// Creates (or opens) and attaches the segment and marks it idle. Returns the
// block, or null on failure.
SHARED_DATA* AttachSharedBlock();

// Detaches the segment and, if it was created, removes it. Uses only plain
// system calls, so it may run inside a signal handler.
void ReleaseSharedBlock();

// Takes one request off the block if one is ready (state 1 to 3), dispatches
// it and publishes the answer (state 2). Returns true if a request was served.
bool ServeOneRequest(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch);

// Serves requests until a stop is requested (g_bStopRequested), sleeping on
// the state word between them: woken by a relay that stores 1, and looking
// again after 1500 microseconds at the latest, so relays that only poll are
// served too. pfnBetweenRequests, when given, runs before each look.
void RunChannelLoop(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch,
                    PFN_BETWEEN_REQUESTS pfnBetweenRequests = nullptr);

// The action code of a method word the channel does not know; the dispatch
// refuses it.
const UINT SNMP_ACTION_UNKNOWN = 5;

// Maps a method word to its action code: "-g" SNMP_ACTION_GET, "-n"
// SNMP_ACTION_GETNEXT, "-s" SNMP_ACTION_SET, else SNMP_ACTION_UNKNOWN.
UINT MethodToAction(const char* pszMethod);

#endif // KORVO_GENPVKCHANNEL_H
