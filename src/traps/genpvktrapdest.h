// Trap destinations of the daemon: each library's trap destination file and,
// where that asks for them, the trap keywords of snmpd.conf, read into the
// library entry's list at start-up and again on SIGHUP. What a line asks for
// and cannot get is refused with a line on standard error and in the system
// log that names the file and the line.
#ifndef KORVO_GENPVKTRAPDEST_H
#define KORVO_GENPVKTRAPDEST_H

#include "dispatch/FindHolder.h"

#include <cstddef>

// The path of snmpd.conf given with -c, "" without. Writer: ParseCommandLine
// on the main thread at start-up, before the daemon detaches. Readers: the
// trap destination readers on the main thread (at start-up and on SIGHUP).
const size_t SYSTEM_CONF_SIZE = 100;
extern char gszSystemConf[SYSTEM_CONF_SIZE];

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

#endif // KORVO_GENPVKTRAPDEST_H
