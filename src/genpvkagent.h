// The Linux daemon: entry and lifecycle, the shared-memory request channel,
// agent initialisation and request dispatch.
#ifndef KORVO_GENPVKAGENT_H
#define KORVO_GENPVKAGENT_H

#include "snmptype.h"
#include "zundshm.h"

#include <csignal>

// ---- Entry and lifecycle ------------------------------------------------

const size_t AGENT_NAME_SIZE = 30;
const size_t SYSTEM_CONF_SIZE = 100;

extern char sAgentName[AGENT_NAME_SIZE];     // "Brennic KORVO SNMP Agent"
extern char sVersion[AGENT_NAME_SIZE];       // "Ver 3.18.0.2 (Mar 19th, 2015)"
extern char gszSystemConf[SYSTEM_CONF_SIZE]; // path of snmpd.conf given with -c

extern volatile sig_atomic_t bExited; // 1 once a tear-down has run
extern char* g_pcShMemPtr;            // where the segment is attached, or null
extern int iShMemID;                  // segment identifier, -1 until created
extern RFC1157VarBind* pstVarBind;    // the one reusable request binding

// Set by the SIGTERM and SIGINT handler; the polling loop acts on it.
extern volatile sig_atomic_t g_bStopRequested;

// What the command line asks for.
enum CommandLineAction {
    CMDLINE_VERSION, // -v: print name and version
    CMDLINE_USAGE,   // anything not understood: print the usage text
    CMDLINE_START,   // -c/-C PATH: start the agent
};

// Scans the arguments as the daemon does; for CMDLINE_START the path is in
// gszSystemConf, otherwise gszSystemConf is empty. A path that does not fit
// gszSystemConf and a -c/-C without a path give CMDLINE_USAGE.
CommandLineAction ParseCommandLine(int argc, char** argv);

// Probes "/usr/bin/snmptrap -V": (major << 8) | minor, or -1.
int get_net_snmp_version();

// The daemon's main: every step from the command line to serving.
int RunAgent(int argc, char** argv);

void ExitRoutine(int nSignal);    // SIGTERM, SIGINT
void simExitRoutine(int nSignal); // SIGSEGV
void clean_up();                  // registered with atexit after detaching

// Tear-down with the stop line, run by the polling loop when a stop was asked
// for; ends the process with status 0.
[[noreturn]] void StopAgent();

// ---- Shared-memory request channel --------------------------------------

// One dispatch of a binding with an action code; returns an SNMP error status.
typedef UINT (*PFN_DISPATCH)(RFC1157VarBind* pBinding, UINT nAction);

// Initialises the agent, creates the block and serves it; returns only when
// initialisation or the segment set-up fails.
void InitialiseMIB();

// Creates (or opens) and attaches the segment and marks it idle. Returns the
// block, or null on failure.
SHARED_DATA* AttachSharedBlock();

// Detaches the segment and, if it was created, removes it. Uses only plain
// system calls, so it may run inside a signal handler.
void ReleaseSharedBlock();

// The request binding with its 50-sub-identifier name buffer.
RFC1157VarBind* AllocateRequestBinding();

// Takes one request off the block if one is ready (state 1 to 3), dispatches
// it and publishes the answer (state 2). Returns true if a request was served.
bool ServeOneRequest(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch);

// Polls the block every 1500 microseconds, serving requests, until a stop is
// requested (g_bStopRequested).
void RunChannelLoop(SHARED_DATA* pBlock, RFC1157VarBind* pBinding, PFN_DISPATCH pfnDispatch);

// Maps a method word to its action code: "-g" 160, "-n" 161, "-s" 163, else 5.
UINT MethodToAction(const char* pszMethod);

// ---- Agent initialisation and request dispatch --------------------------

extern char zund_initover; // 1 once at least one library was brought up

int SnmpExtensionInit(DWORD dwTimeZeroReference, HANDLE hPollForTrapEvent);
UINT PopulateValue(RFC1157VarBind* varbind, UINT pduaction);

// ---- Traps: destinations, the event callback and the trap sender ---------

class CEventInfo;

// The storage libraries' event callback, registered with startEventProcessing.
int MyCallback(CEventInfo* pEventInfo);

#endif // KORVO_GENPVKAGENT_H
