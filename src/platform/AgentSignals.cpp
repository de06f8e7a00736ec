// The flags the daemon's signal handlers set.
#include "AgentSignals.h"

volatile sig_atomic_t g_bStopRequested = 0;
volatile sig_atomic_t g_bReloadRequested = 0;
volatile sig_atomic_t g_bInitialising = 0;
