// The Windows extension agent: the process-wide objects that the DLL's load
// and unload, its five entry points and the trap hand-off share.
#ifndef KORVO_GENPVKWIN_H
#define KORVO_GENPVKWIN_H

#include "platform/snmptype.h"

// Auto-reset, unnamed events made when the DLL is loaded. hTrapEvent tells
// the service that a trap may wait; hVarListFreeEvent is the claim on the
// shared trap variable list. The handles' writers: InitDll at the DLL's load
// and ReleaseDll at its unload (the loader's thread). Readers, who set and
// wait on the events: SnmpExtensionInit (hands hTrapEvent to the service),
// the start-up thread, the event callbacks on the libraries' threads, the
// service's trap polls (SnmpExtensionTrap) and SnmpExtensionClose.
extern HANDLE hTrapEvent;
extern HANDLE hVarListFreeEvent;
// The start-up thread CreateMibAndAgent. Writer: SnmpExtensionInit (start-up),
// closed by ReleaseDll at unload. Readers: SnmpExtensionQuery and
// SnmpExtensionClose wait for it to end; a later SnmpExtensionInit waits for
// it before it starts the next one.
extern HANDLE hAgentThread;
// Manual-reset, unnamed, made when the DLL is loaded: set once start-up has
// settled whether the shared trap variable list exists (the start-up thread
// has ended, or it could not be started). Reset when SnmpExtensionInit
// begins; an event callback that finds no list waits for it. Handle written
// and read as the two events above.
extern HANDLE hVarListSettledEvent;

// The service's reference tick count, the base of trap time stamps. Writer:
// SnmpExtensionInit (start-up). Reader: the service's trap polls.
extern DWORD g_dwTimeZeroReference;

// 1.3.6.1.4.1.7310: the first supported region and the base of get-next's
// end-of-view name. Writer: SnmpExtensionInit rebuilds it from its text
// (start-up); valid from the load on. Readers: SnmpExtensionInit (the first
// region) and the query's end of view (the service's query).
extern AsnObjectIdentifier g_stEnterpriseOid;

// Set by SnmpExtensionClose: an event callback let through by the close
// queues nothing and passes the claim on. Writers: SnmpExtensionInit (0,
// start-up) and SnmpExtensionClose (1, close). Readers: the event callbacks
// on the libraries' threads.
extern volatile LONG g_bAgentClosing;

// The thread that runs SnmpExtensionInit, 0 outside it. An event callback
// on that thread (a library reporting from inside startEventProcessing)
// must not wait for the start-up thread, which only that thread starts.
// Writer: SnmpExtensionInit, around loading the libraries (interlocked).
// Readers: the event callbacks (interlocked).
extern volatile LONG g_nInitThreadId;

// Load and unload of the DLL.
BOOL InitDll();
void ReleaseDll();

// The whole body of SnmpExtensionInit: loads the libraries, starts the
// start-up thread.
BOOL InitialiseAgent(DWORD dwTimeZeroReference, HANDLE* phPollForTrapEvent,
                     AsnObjectIdentifier* pFirstSupportedRegion);

// Tells each library to get ready for unloading, unloads it and releases the
// library entries.
void UnloadLibraries();

#endif // KORVO_GENPVKWIN_H
