// The snmp.conf files that hold the SNMPv3 secrets of trapsess destinations,
// so that no pass phrase or key is ever in an argument vector (which every
// local user can read in /proc). The sender is pointed at a destination's
// folder with SNMPCONFPATH for that run.
//
// Layout, every folder 0700 and every file 0600, owned by the daemon:
//   BASE/trap-secrets/gGENERATION/SEQUENCE/snmp.conf
// BASE is /var/lib/qbz_korvodsnmp, the daemon's state folder. Each reading of
// the trap destinations writes into a generation of its own: the one read at
// start-up, and one per re-reading on SIGHUP, which replaces the generation
// in use once the re-read lists are in use. trap-secrets is removed when the
// daemon stops, and a folder left behind by a daemon that was killed is
// removed when the next one writes its first file.
#ifndef KORVO_TRAPSECRETS_H
#define KORVO_TRAPSECRETS_H

#include "TrapSession.h"

#include <cstddef>
#include <string>
#include <vector>

extern const char* const TRAP_SECRETS_BASE; // "/var/lib/qbz_korvodsnmp"

// Another base folder (tests); null restores TRAP_SECRETS_BASE. Removes what
// was written under the previous base first.
void SetTrapSecretsBase(const char* pszBase);

// Writes a snmp.conf holding the secrets, one directive per line with its
// value quoted, into a new folder of the generation being read, and puts the
// folder's path into pszFolder (nSize bytes). False, with the reason in
// strError, when it cannot (the base folder is missing and cannot be made,
// is not a folder of the daemon's own, or a write fails).
bool WriteTrapSecrets(const std::vector<TrapSecret>& vSecrets, char* pszFolder, size_t nSize,
                      std::string& strError);

// A re-reading begins: its files go into a new generation, and a generation
// read before but never put in use is removed.
void BeginTrapSecretsGeneration();

// The re-read lists are in use: the generation they replaced is removed.
// Call with the trap sender's lock held, so no sender still reads it.
void CommitTrapSecretsGeneration();

// Removes every file and folder written (the daemon stops).
void RemoveTrapSecrets();

#endif // KORVO_TRAPSECRETS_H
