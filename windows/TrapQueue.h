// The hand-off of traps from the libraries' event threads to the SNMP
// service: one shared trap variable list, a queue of waiting traps, and the
// start-up thread that creates the list. One trap is in flight at a time:
// an event callback fills the list only after it has claimed it by waiting
// on hVarListFreeEvent, and the service's empty poll passes the claim on.
#ifndef KORVO_TRAPQUEUE_H
#define KORVO_TRAPQUEUE_H

#include "platform/snmptype.h"

// Elements of the shared trap variable list.
const UINT TRAP_VARBIND_SLOTS = 10;
// Capacity of the enterprise OID text, terminating NUL included.
const int TRAP_ENTERPRISE_TEXT_SIZE = 156;
// Sub-identifiers of the enterprise OID handed to the service.
const UINT TRAP_ENTERPRISE_MAX_IDS = 20;

// One waiting trap.
struct TrapQueueNode {
    int nTrapID;                                     // specific trap number
    RFC1157VarBindList* pVarBindList;                // the shared list
    char szEnterpriseOID[TRAP_ENTERPRISE_TEXT_SIZE]; // dotted text
    TrapQueueNode* pNext;                            // null at the tail
};

// The shared trap variable list. Writers: the start-up thread creates it
// (start-up), SnmpExtensionClose frees it (close); its variables are filled
// and released by the event callback that holds the claim (a library's
// thread). Readers: the event callbacks (whether it exists), the service's
// trap poll (copies a queued trap's variables).
extern RFC1157VarBindList* g_pTrapVarBindList;
// The queue of waiting traps. Writers: the event callback that holds the
// claim appends (EnqueueTrap, a library's thread); the service's trap poll
// takes from the head (SnmpExtensionTrap) and, finding it empty, hands the
// claim on; SnmpExtensionClose releases what is left (close). Readers: the
// same.
extern TrapQueueNode* g_pTrapQueueHead;
extern TrapQueueNode* g_pTrapQueueTail;

// The start-up thread: creates the shared list (an existing one stays),
// empties it and signals hTrapEvent to prime the claim; in either outcome it
// then sets hVarListSettledEvent. Exit code 0.
DWORD WINAPI CreateMibAndAgent(LPVOID pParam);

// For an event callback, before it touches the shared list: true when the
// list exists. An event that comes before start-up has settled waits until
// the start-up thread has ended (at most a few minutes), except on the
// thread that runs SnmpExtensionInit, which cannot wait for it. False when
// the list was not made: the event is to be dropped.
bool AwaitTrapVarBindList();

// Appends a trap that uses the shared list and signals hTrapEvent. False,
// with nothing queued, when the enterprise OID has more than 20
// sub-identifiers or no node can be allocated.
bool EnqueueTrap(int nTrapID, const char* pszEnterpriseOID);

// Waits for the claim on the shared list and releases the variables of the
// previous trap that it still holds; its length becomes 0.
void ClaimTrapVarBindList();
// Releases the list's variables, empties it and hands the claim on.
void AbandonTrapVarBindList();

// Frees the shared list's element array and record (not the variables).
void FreeTrapVarBindList();
// Releases every node still queued, head to tail.
void ReleaseTrapQueue();

#endif // KORVO_TRAPQUEUE_H
