// The trap sender's argument vectors and environment for every kind of
// destination pair: SNMPv1 traps exactly as they always were, SNMPv2c traps,
// informs, and trapsess lines with their own arguments.
#ifndef KORVO_TRAPNOTIFY_H
#define KORVO_TRAPNOTIFY_H

#include "TrapSession.h"
#include "TrapVariable.h"
#include "dispatch/TrapDestination.h"

#include <string>
#include <vector>

#ifndef _WIN32

// The texts of one notification, the same for every destination.
struct NotificationTexts {
    int nVars;                      // variables, 1 to TRAP_SENDER_MAX_VARS to be sent
    const OID_VAR* pVars;           // the variables
    const char* pszTrapID;          // the trap number within the enterprise
    const char* pszEnterpriseOID;   // prefix.ENTRY_OID
    const char* pszNotificationOID; // prefix.ENTRY_OID.0.TRAP_ID (RFC 3584)
};

// "snmptrap", ten fixed arguments, three per variable and the closing null.
const int TRAP_SENDER_ARGV_SIZE = 11 + 3 * TRAP_SENDER_MAX_VARS + 1;

// The sender's argument vector for one pair, closed by a null pointer. The
// texts are referenced, not copied. Returns the number of arguments, or 0
// (and an empty vector) when argc is outside 1 to TRAP_SENDER_MAX_VARS.
int BuildSenderArguments(const char* ppszArgv[TRAP_SENDER_ARGV_SIZE], int argc,
                         const OID_VAR* pOIDs, const char* pszCommunity, const char* pszDestination,
                         const char* pszEnterpriseOID, const char* pszTrapID);

// The notification OID of an SNMPv1 trap: enterprise ".0." trap number.
// False when it does not fit nSize.
bool FormatNotificationOID(const char* pszEnterpriseOID, const char* pszTrapID, char* pszOID,
                           size_t nSize);

// "snmptrap", a trapsess line's words (at most 126), an inform's four bound
// words, the host, five trap parameters, three words per variable, null.
const int TRAP_NOTIFY_ARGV_SIZE =
    1 + (TRAP_SESSION_MAX_WORDS - 1) + 4 + 1 + 5 + 3 * TRAP_SENDER_MAX_VARS + 1;

// The argument vector for pair iPair of a destination, closed by a null
// pointer; pszDestination is the pair's address and port. The texts are
// referenced, not copied. Returns the number of arguments, or 0 (and an
// empty vector) when the variable count is outside 1 to TRAP_SENDER_MAX_VARS
// or the pair's kind is unknown:
//   SNMPv1:   snmptrap -v 1 -c COMMUNITY DEST ENTERPRISE "" 6 TRAP_ID "" VARS
//   SNMPv2c:  snmptrap -v 2c -c COMMUNITY DEST "" NOTIFICATION VARS
//   inform:   snmptrap -v 2c -c COMMUNITY -Ci -t 1 -r 3 DEST "" NOTIFICATION VARS
//   trapsess: snmptrap WORDS... HOST "" NOTIFICATION VARS
//             (with -v 1: snmptrap WORDS... HOST ENTERPRISE "" 6 TRAP_ID "" VARS)
int BuildNotifyArguments(const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE],
                         const NotificationTexts& texts, const CLIENT_IP& entry, int iPair,
                         const char* pszDestination);

// The environment of the sender for pair iPair: empty (the daemon's own is
// inherited) unless the pair is a trapsess line with secrets; then the
// daemon's environment with SNMPCONFPATH naming the system's client
// configuration folders and, last so that its values win, the line's folder.
// vStorage holds the texts that vEnvironment points at; vEnvironment ends
// with a null pointer.
bool BuildSenderEnvironment(const CLIENT_IP& entry, int iPair, std::vector<std::string>& vStorage,
                            std::vector<const char*>& vEnvironment);

#endif // _WIN32

#endif // KORVO_TRAPNOTIFY_H
