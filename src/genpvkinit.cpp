// Agent initialisation.
//
// For now the agent has no storage libraries to bring up: it declares itself
// ready so that the request channel serves, and every request is answered by
// the dispatch below.
#include "genpvkagent.h"

char zund_initover = 0;

int SnmpExtensionInit(DWORD /*dwTimeZeroReference*/, HANDLE /*hPollForTrapEvent*/) {
    zund_initover = 1;
    return 1;
}
