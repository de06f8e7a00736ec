// The event callback and the trap sender: an event of a storage library
// becomes a trap. The callback looks the event's code up in the library's MIB
// definition and assembles the trap's variables; the daemon then runs the
// command-line trap sender once per community/port pair of the library's
// trap destinations (SNMPv1, or SNMPv2c, an inform or a trapsess line's kind
// where the destination asks for it), one run at a time across the
// libraries' event threads.
#ifndef KORVO_GENPVKTRAP_H
#define KORVO_GENPVKTRAP_H

class CEventInfo;
class TrapObj;

// What MyCallback tells the storage library (which may log it; the values are
// the library interface's).
enum CallbackResult {
    CALLBACK_NOT_SENT = 0,         // daemon: no event, or no trap defined for its
                                   // code (or the code is outside 0 to 0xffff);
                                   // Windows: no shared trap variable list
    CALLBACK_HANDLED = 1,          // sent or queued, or nothing to do: traps off
                                   // for the library (Windows also: no trap for
                                   // the code, no event, the agent closing)
    CALLBACK_NO_LIBRARY_ENTRY = 2, // Windows: no library entry has the trap's
                                   // prefix
};

// The storage libraries' event callback, registered with startEventProcessing;
// returns a CallbackResult.
int MyCallback(CEventInfo* pEventInfo);

#ifndef _WIN32
// The daemon's trap sender. The Windows extension agent has none: it queues
// the trap for the SNMP service (windows/TrapQueue.h).
#include "TrapVariable.h"

#include <pthread.h>

const int TRAP_TEXT_SIZE = 24;             // destination and trap number texts
const int TRAP_SENDER_TIMEOUT_MS = 10000;  // a sender still running then is killed
extern const char* const TRAP_SENDER_PATH; // "/usr/bin/snmptrap"

// Serialises the sending of traps across the libraries' event threads: held
// by MyCallback around ExecTrap (the libraries' threads), tried by the main
// thread's ApplyPendingTrapDestinations before it replaces the destination
// lists of the library entries and the trap secrets in use (SIGHUP). Never
// held on the request path.
extern pthread_mutex_t MyMutex;

// Fills pVars (TRAP_VAR_SLOTS elements) with the event's variables under the
// trap's definition: one per argument the definition has an attribute for,
// then the description when the store shows it; never more than the sender
// takes. A variable whose OID does not fit is left out; values are cut to
// 127 characters. Returns the number of variables.
int BuildTrapVariables(const CEventInfo& eventInfo, const TrapObj& trapObj, OID_VAR* pVars);

// What ExecTrap did.
enum ExecTrapResult {
    EXEC_TRAP_DONE = 1,      // every destination served (a pair whose texts do
                             // not fit, or a library index without entry, sends
                             // nothing)
    EXEC_TRAP_NO_CHILD = -1, // a child process could not be created; the pairs
                             // after it were not tried
};

// Runs the trap sender once per community/port pair of every destination of
// library iDLLIndex, in order, each run waited for (at most
// TRAP_SENDER_TIMEOUT_MS) before the next, with the argument vector of the
// pair's kind (TrapNotify.h). Returns an ExecTrapResult.
int ExecTrap(int argc, POID_VAR pOIDs, char* p_TrapID, int iDLLIndex, char* szEnterpriseOID);
#endif // _WIN32

#endif // KORVO_GENPVKTRAP_H
