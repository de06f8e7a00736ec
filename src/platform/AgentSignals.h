// The flags the daemon's signal handlers set, apart from everything they
// stop or reload, so that the loops that act on them (the block's loop, the
// start-up between its steps) and the handlers (the lifecycle) both stand
// above this one unit. The daemon only.
#ifndef KORVO_AGENTSIGNALS_H
#define KORVO_AGENTSIGNALS_H

#include <csignal>

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

#endif // KORVO_AGENTSIGNALS_H
