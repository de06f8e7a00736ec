// The Linux daemon: entry and lifecycle, the shared-memory request channel,
// agent initialisation and request dispatch.
#ifndef KORVO_GENPVKAGENT_H
#define KORVO_GENPVKAGENT_H

#include "snmptype.h"

#ifndef _WIN32
#include "zundshm.h"

#include <csignal>

// ---- Entry and lifecycle ------------------------------------------------

const size_t AGENT_NAME_SIZE = 30;
const size_t SYSTEM_CONF_SIZE = 100;

extern char sAgentName[AGENT_NAME_SIZE];     // "Brennic KORVO SNMP Agent"
extern char sVersion[AGENT_NAME_SIZE];       // KORVO_VERSION_BANNER (korvoversion.h)
extern char gszSystemConf[SYSTEM_CONF_SIZE]; // path of snmpd.conf given with -c
// sAgentName and sVersion are never written; the main thread reads them at
// start and stop. gszSystemConf's writer: ParseCommandLine on the main thread
// at start-up, before the daemon detaches; its readers: the trap destination
// readers on the main thread (at start-up and on SIGHUP).

// 1 once a tear-down has run. Writers: the tear-downs at close (StopAgent on
// the main thread, the exit handler clean_up, the SIGSEGV handler). Readers:
// the same, and the stop handler, so that a tear-down runs once.
extern volatile sig_atomic_t bExited;
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

// Writer: the stop handler (SIGTERM, SIGINT, SIGUSR1, SIGUSR2, SIGALRM), in
// any phase. Readers: the serving loop between requests and initialisation
// between its steps (main thread), which act on it, and the stop handler (a
// second stop during initialisation ends the process at once).
extern volatile sig_atomic_t g_bStopRequested;
// Writer: the SIGHUP handler; cleared by the serving loop (main thread) when
// it re-reads the trap destinations. Reader: the serving loop between
// requests.
extern volatile sig_atomic_t g_bReloadRequested;
// 1 from detaching until the block is served. Writer: RunAgent after
// detaching and InitialiseMIB once the block is attached (main thread, stop
// signals blocked). Reader: the stop handler.
extern volatile sig_atomic_t g_bInitialising;

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

// Whether this process may serve the block: false when the block exists and
// the process that created it is a running daemon (same program name, another
// process). A block whose creator has ended (a killed daemon's) is removed,
// so that the new daemon creates it afresh.
bool ClaimSharedBlock();

// The daemon's main: every step from the command line to serving.
int RunAgent(int argc, char** argv);

void ExitRoutine(int nSignal);    // SIGTERM, SIGINT, SIGUSR1, SIGUSR2, SIGALRM
void ReloadRoutine(int nSignal);  // SIGHUP
void simExitRoutine(int nSignal); // SIGSEGV
void clean_up();                  // registered with atexit after detaching

// Tear-down with the stop line, run by the polling loop when a stop was asked
// for; ends the process with status 0.
[[noreturn]] void StopAgent();

// During initialisation: the tear-down with the stop line when a stop was
// asked for since; otherwise nothing.
void StopIfRequestedDuringStart();

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

#endif // _WIN32 (the Windows extension agent has no daemon and no channel)

// ---- Agent initialisation and request dispatch --------------------------

// 1 once at least one library was brought up. Writer: agent initialisation
// (0 when it begins, 1 when it succeeded): the daemon's SnmpExtensionInit on
// the main thread before the block and AgentX serve; the Windows
// SnmpExtensionInit. Readers: the dispatch's callers before each dispatch
// (the block's loop, the AgentX thread, the Windows query).
extern char zund_initover;

#ifndef _WIN32
// The Windows form is the extension agent's exported entry point (<snmp.h>).
int SnmpExtensionInit(DWORD dwTimeZeroReference, HANDLE hPollForTrapEvent);
#endif
UINT PopulateValue(RFC1157VarBind* varbind, UINT pduaction);

// Turns a dotted prefix text into row indx of the prefix table and points
// pASNObj at it (at most 20 sub-identifiers are kept).
void CreateASNFromOID(char* pstrOID, AsnObjectIdentifier& pASNObj, int indx);

// Trace hook of the dispatch; writes nothing.
bool writelogtofile(const char* pszText);

// ---- Traps: destinations, the event callback and the trap sender ---------

#include "FindHolder.h"

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
#include <pthread.h>

// What GetClientIPList and GetClientIPListFromConf return when the file
// cannot be opened; the library entry keeps it as its destination count.
const int TRAP_DESTINATIONS_UNREADABLE = -1;

// Trap destinations. GetClientIPList clears the 24 entries of a library's
// list, reads its trap destination file (and, when the file asks for it,
// snmpd.conf at gszSystemConf) and returns the entries in use, or
// TRAP_DESTINATIONS_UNREADABLE when the file cannot be opened. A destination line may end with a
// version word, "2c" or "inform". What does not fit the entry's fields (an address over 23
// characters, a port over 4 digits, address and port together over 23, a
// community over 31 characters, a trap community over 24), what the sender
// would take as an option (a leading '-'), and what the list has no room for
// is refused with a message naming the file and line (AgentReport.h).
int GetClientIPList(const char* pszFileName, PCLIENT_IP pClientIPList);

// Reads the trap keywords of snmpd.conf into the entries from pClientIP on,
// at most nFreeEntries of them; the entries must be cleared. com2sec sources
// and trapsink hosts come first (SNMPv1), then trap2sink, informsink and
// trapsess lines, one entry each, in file order; a trapsess line's secrets go
// into a snmp.conf of the daemon's own (TrapSecrets.h). Returns how many it
// filled, or TRAP_DESTINATIONS_UNREADABLE when the file cannot be opened.
int GetClientIPListFromConf(const char* pszConfFile, PCLIENT_IP pClientIP,
                            int nFreeEntries = CLIENT_IP_LIST_SIZE);

// SIGHUP: every library's trap destinations are read again (its trap
// destination file and, where that asks for it, snmpd.conf) into pending
// lists, which replace the lists in use as soon as no trap is being sent.
// Both run on the main thread; Apply returns false while a trap is being
// sent (the pending lists wait for the next try).
void ReadPendingTrapDestinations();
bool ApplyPendingTrapDestinations();

// One trap variable in the text form that the trap sender takes.
const int OID_VAR_OID_SIZE = 64;    // up to 63 characters
const int OID_VAR_TYPE_SIZE = 2;    // "i", "s" or empty
const int OID_VAR_VALUE_SIZE = 128; // up to 127 characters

typedef struct _OID_VAR_TAG {
    char szOID[OID_VAR_OID_SIZE] = {};
    char szType[OID_VAR_TYPE_SIZE] = {};
    char szValue[OID_VAR_VALUE_SIZE] = {};
} OID_VAR, *POID_VAR;

const int TRAP_VAR_SLOTS = 9;       // variables one event is assembled into
const int TRAP_SENDER_MAX_VARS = 8; // variables one sender run takes
const int TRAP_TEXT_SIZE = 24;      // destination and trap number texts
// "snmptrap", ten fixed arguments, three per variable and the closing null.
const int TRAP_SENDER_ARGV_SIZE = 11 + 3 * TRAP_SENDER_MAX_VARS + 1;
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

// The sender's argument vector for one pair, closed by a null pointer. The
// texts are referenced, not copied. Returns the number of arguments, or 0
// (and an empty vector) when argc is outside 1 to TRAP_SENDER_MAX_VARS.
int BuildSenderArguments(const char* ppszArgv[TRAP_SENDER_ARGV_SIZE], int argc,
                         const OID_VAR* pOIDs, const char* pszCommunity, const char* pszDestination,
                         const char* pszEnterpriseOID, const char* pszTrapID);
#endif // _WIN32

#endif // KORVO_GENPVKAGENT_H
