// The daemon's entry and lifecycle: command line, trap sender probe, system
// log, detaching, stop handlers, the start of what it serves (agent
// initialisation, the block, and AgentX with -x), the reload between
// requests, and tear-down. main.cpp calls RunAgent; nothing below the
// lifecycle includes this header.
#ifndef KORVO_GENPVKAGENT_H
#define KORVO_GENPVKAGENT_H

#include <csignal>
#include <cstddef>

const size_t AGENT_NAME_SIZE = 30;

extern char sAgentName[AGENT_NAME_SIZE]; // KORVO_AGENT_NAME (korvoversion.h)
extern char sVersion[AGENT_NAME_SIZE];   // KORVO_VERSION_BANNER (korvoversion.h)
// sAgentName and sVersion are never written; the main thread reads them at
// start and stop.

// 1 once a tear-down has run. Writers: the tear-downs at close (StopAgent on
// the main thread, the exit handler clean_up, the SIGSEGV handler). Readers:
// the same, and the stop handler, so that a tear-down runs once.
extern volatile sig_atomic_t bExited;

// What the command line asks for.
enum CommandLineAction {
    CMDLINE_VERSION, // -v: print name and version
    CMDLINE_USAGE,   // anything not understood: print the usage text
    CMDLINE_START,   // -c/-C PATH: start the agent
};

// Scans the arguments as the daemon does; for CMDLINE_START the path is in
// gszSystemConf (traps/genpvktrapdest.h), otherwise gszSystemConf is empty.
// A path that does not fit gszSystemConf and a -c/-C without a path give
// CMDLINE_USAGE.
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

// Initialises the agent, creates the block and serves it, with the AgentX
// front end beside it when -x was given; returns only when initialisation or
// the segment set-up fails.
void InitialiseMIB();

// Acts on SIGHUP between requests: reads the trap destinations again and
// puts them in use once no trap is being sent (bReloadPending carries a read
// that waits for that), logging when it did.
void ServeReloadRequest(bool& bReloadPending);

// Tear-down with the stop line, run by the polling loop when a stop was asked
// for; ends the process with status 0.
[[noreturn]] void StopAgent();

// During initialisation: the tear-down with the stop line when a stop was
// asked for since; otherwise nothing.
void StopIfRequestedDuringStart();

#endif // KORVO_GENPVKAGENT_H
