// Agent initialisation: reads the MIB definitions, loads one storage library
// per definition in library-index order, initialises it, binds its holder
// export, records its OID prefix, starts its event delivery towards the trap
// callback, and marks the agent ready. The daemon's form is genpvkinit.cpp,
// the Windows extension agent's windows/genpvkwininit.cpp.
#ifndef KORVO_GENPVKINIT_H
#define KORVO_GENPVKINIT_H

#include "platform/snmptype.h"

#ifndef _WIN32
// 1 when at least one library was brought up; 0 when none could be, or when
// a stop was asked for between two steps (the caller then stops). The
// Windows form is the extension agent's exported entry point (<snmp.h>).
int SnmpExtensionInit(DWORD dwTimeZeroReference, HANDLE hPollForTrapEvent);
#endif
// Turns a dotted prefix text into row indx of the prefix table and points
// pASNObj at it (at most 20 sub-identifiers are kept).
void CreateASNFromOID(char* pstrOID, AsnObjectIdentifier& pASNObj, int indx);

#endif // KORVO_GENPVKINIT_H
