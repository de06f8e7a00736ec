// The trap destination record that each library entry of the registry holds
// (FindHolder.h): an address with its community/port pairs, how each pair is
// sent, and a trapsess line's own arguments. The trap engine (src/traps/)
// reads these records into the entries and sends to them; they are declared
// here, below both, because the entries hold them.
#ifndef KORVO_TRAPDESTINATION_H
#define KORVO_TRAPDESTINATION_H

// How one community/port pair of a trap destination is sent.
enum TrapKind {
    TRAP_KIND_V1 = 0,      // SNMPv1 trap: every destination of the older lines
    TRAP_KIND_V2C = 1,     // SNMPv2c trap: trap2sink, or the version word "2c"
    TRAP_KIND_INFORM = 2,  // SNMPv2c inform: informsink, or the version word "inform"
    TRAP_KIND_SESSION = 3, // a trapsess line's own arguments
};

const int TRAP_SESSION_TEXT_SIZE = 1024;  // the words of one line, each closed by NUL
const int TRAP_SESSION_MAX_WORDS = 127;   // as many words as snmpd takes from one line
const int TRAP_SECRETS_FOLDER_SIZE = 128; // path of the folder of a snmp.conf

// What a trapsess line gives the sender, beside the host (the destination's
// address). Words are the line's option words in their order, secrets
// removed and an inform's bounds added, each closed by a NUL.
struct TRAP_SESSION {
    char szWords[TRAP_SESSION_TEXT_SIZE] = {};
    int nWords = 0;
    char cVersion = 0;    // '1', '2' (2c) or '3' (also when the line gives no -v)
    bool bInform = false; // -Ci
    // The folder whose snmp.conf holds the line's secrets, "" when it has none.
    char szSecretsFolder[TRAP_SECRETS_FOLDER_SIZE] = {};
};

// Trap destination capacities.
const int CLIENT_IP_ADDRESS_SIZE = 24;
const int CLIENT_IP_MAX_PAIRS = 5;
const int CLIENT_IP_COMMUNITY_SIZE = 32;
const int CLIENT_IP_PORT_SIZE = 6;
const int CLIENT_IP_LIST_SIZE = 24; // destinations per library

// One trap destination address with up to five community/port pairs. Pair i
// is element i of szAccessMode together with element i of port, sent as
// element i of aKind says (a TrapKind: SNMPv1 unless a newer line asked for
// more); a trapsess destination has one pair, and its own arguments in
// stSession.
typedef struct _client_ip_tag {
    char IP[CLIENT_IP_ADDRESS_SIZE] = {};                                  // address as written
    char szAccessMode[CLIENT_IP_MAX_PAIRS][CLIENT_IP_COMMUNITY_SIZE] = {}; // community per pair
    char port[CLIENT_IP_MAX_PAIRS][CLIENT_IP_PORT_SIZE] = {};              // "" or ":" + port
    int count = 0;                                                         // pairs in use, 0 to 5
    unsigned char aKind[CLIENT_IP_MAX_PAIRS] = {};                         // TrapKind per pair
    TRAP_SESSION stSession; // a trapsess line's own arguments
} CLIENT_IP, *PCLIENT_IP;

#endif // KORVO_TRAPDESTINATION_H
