// The daemon: entry and lifecycle (command line, trap sender probe, system
// log, detaching, stop handlers and tear-down) in genpvkagent.cpp, and the
// umbrella of the daemon's units, whose headers follow with their own opening
// paragraphs: the shared-memory request channel, agent initialisation, the
// request dispatch, the trap engine and the trap destinations.
#ifndef KORVO_GENPVKAGENT_H
#define KORVO_GENPVKAGENT_H

#include "genpvkchannel.h"
#include "genpvkdispatch.h"
#include "genpvkinit.h"
#include "genpvktrap.h"
#include "genpvktrapdest.h"
#include "snmptype.h"
#include "zundshm.h"

#include <csignal>

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

// Detaches the segment and, if it was created, removes it. Uses only plain
// system calls, so it may run inside a signal handler.
void ReleaseSharedBlock();

#endif // KORVO_GENPVKAGENT_H
