// snmpd.conf's trapsess lines (the kinds a destination pair is sent as are in
// dispatch/TrapDestination.h): their arguments split as snmpd splits them, checked word by word as
// the trap sender's option parser takes them, with the SNMPv3 secrets taken out of the words (they
// go into a snmp.conf of the daemon's own, TrapSecrets.h).
#ifndef KORVO_TRAPSESSION_H
#define KORVO_TRAPSESSION_H

#include "dispatch/TrapDestination.h"

#include <cstddef>
#include <string>
#include <vector>

const size_t TRAP_SECRET_MAX_LENGTH = 255; // a pass phrase or key of up to 255 characters

// An inform waits TIMEOUT seconds for its answer and asks RETRIES more times
// (4 s in all), well within the time the sender is given; a trapsess inform
// whose own -t and -r would wait longer than TRAP_INFORM_MAX_WAIT_S is
// refused. An SNMPv3 inform waits twice: once to learn the manager's engine.
const char* const TRAP_INFORM_TIMEOUT = "1";
const char* const TRAP_INFORM_RETRIES = "3";
const double TRAP_INFORM_MAX_WAIT_S = 8.0;

// One secret taken out of a line: the snmp.conf directive that carries it
// ("defAuthPassphrase", ...) and its value.
struct TrapSecret {
    const char* pszDirective;
    std::string strValue;
};

// A trapsess line taken apart.
struct TrapSessionLine {
    TRAP_SESSION stSession;
    std::string strHost;              // HOST[:PORT], the one word that is not an option
    std::vector<TrapSecret> vSecrets; // in the order the line gives them
    std::string strError;             // why the line is refused
};

// Splits the text after the keyword as snmpd splits a trapsess line: words
// at white space, a word that begins with a double or single quote runs to
// the same quote, a backslash takes the next character as it is, and a word
// beginning with '#' ends the line.
std::vector<std::string> SplitTrapSessionWords(const char* pszText);

// Takes the words of a trapsess line apart. False, with the reason in
// line.strError, when the line is refused: an option the sender is not
// allowed to get (logging, debugging, MIB loading, configuration lines, ...),
// an option without its value, an invalid version, a -C other than -Ci, no
// host or more than one, a host that does not fit 23 characters, a secret
// that is empty, too long or holds control characters, more than 127 words,
// or an inform that could wait longer than TRAP_INFORM_MAX_WAIT_S.
bool ParseTrapSession(const std::vector<std::string>& vWords, TrapSessionLine& line);

// The session's words, in order, into ppszWords (at most nMax); returns how
// many. The words point into stSession.
int ListSessionWords(const TRAP_SESSION& stSession, const char** ppszWords, int nMax);

#endif // KORVO_TRAPSESSION_H
