// The event callback: storage events are not turned into traps yet.
#include "genpvkagent.h"

int MyCallback(CEventInfo* /*pEventInfo*/) { return 0; }
