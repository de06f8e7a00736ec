// Trap destination addresses as the trap sender reads them, in net-snmp's
// transport syntax: [TRANSPORT:]ENDPOINT, where the endpoint is a host name,
// an IPv4 address or a bracketed IPv6 address, each with an optional :PORT,
// or a bare IPv6 address, which takes no port: the sender reads "::1:162" as
// an address of its own, so a port follows only once it is bracketed.
#ifndef KORVO_TRAPADDRESS_H
#define KORVO_TRAPADDRESS_H

#include <string>

const int TRAP_PORT_DIGITS_MAX = 5; // 1 to 65535
const long TRAP_PORT_MAX = 65535;

// What an address says of the port it is sent to.
enum TrapAddressForm {
    TRAP_ADDRESS_NO_PORT,      // ":PORT" may follow: "h", "10.0.0.1", "udp:h", "[::1]"
    TRAP_ADDRESS_OWN_PORT,     // ends in its port: "h:1162", "[::1]:162", "udp6:[::1]:162"
    TRAP_ADDRESS_BARE_IPV6,    // a port follows once it is bracketed: "::1", "udp6:fe80::1"
    TRAP_ADDRESS_NOT_IP,       // a transport without ports: "unix:/path", "/path"
    TRAP_ADDRESS_BAD_PORT,     // its port is not a number from 1 to 65535: "h:0", "h:", "[::1]:x"
    TRAP_ADDRESS_BAD_BRACKETS, // a '[' without ']', or text after ']' other than ":PORT"
};

TrapAddressForm ClassifyTrapAddress(const char* pszAddress);

// A port the sender takes: 1 to TRAP_PORT_DIGITS_MAX decimal digits whose
// value is 1 to TRAP_PORT_MAX.
bool IsTrapPort(const char* pszText);

// The address as a ":PORT" may follow it: a bare IPv6 address in brackets
// ("::1" gives "[::1]", "udp6:fe80::1" gives "udp6:[fe80::1]"), any other as
// it is.
std::string AddressBeforePort(const char* pszAddress);

#endif // KORVO_TRAPADDRESS_H
