// Trap destination addresses in the trap sender's transport syntax.
#include "TrapAddress.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

// net-snmp's transports whose endpoints take a port, and those whose
// endpoints do not. A transport is the word before the first ':', compared
// without case as the sender compares it; any other word there is a host.
const char* const PORT_TRANSPORTS[] = {"udp",  "tcp",   "udp6",    "ipv6",   "udpv6",   "udpipv6",
                                       "tcp6", "tcpv6", "tcpipv6", "tlstcp", "dtlsudp", "ssh"};
const char* const PORTLESS_TRANSPORTS[] = {"unix", "std",      "ipx",  "aal5pvc",
                                           "pvc",  "callback", "alias"};

template <size_t nNames>
bool IsNamed(const char* pszWord, size_t nLength, const char* const (&apszNames)[nNames]) {
    for (const char* pszName : apszNames) {
        if (strlen(pszName) == nLength && strncasecmp(pszWord, pszName, nLength) == 0) {
            return true;
        }
    }
    return false;
}

// Where an address's endpoint begins, and whether its transport takes no
// port (a path is a Unix socket to the sender).
struct Endpoint {
    size_t nStart;
    bool bPortless;
};

Endpoint FindEndpoint(const char* pszAddress) {
    if (pszAddress[0] == '/') {
        return {0, true};
    }
    const char* pszColon = strchr(pszAddress, ':');
    if (pszColon == nullptr) {
        return {0, false};
    }
    size_t nLength = static_cast<size_t>(pszColon - pszAddress);
    if (IsNamed(pszAddress, nLength, PORTLESS_TRANSPORTS)) {
        return {nLength + 1, true};
    }
    if (IsNamed(pszAddress, nLength, PORT_TRANSPORTS)) {
        return {nLength + 1, false};
    }
    return {0, false};
}

// "[ADDRESS]" and "[ADDRESS]:PORT".
TrapAddressForm ClassifyBracketed(const char* pszEndpoint) {
    const char* pszClose = strchr(pszEndpoint, ']');
    if (pszClose == nullptr || (pszClose[1] != '\0' && pszClose[1] != ':')) {
        return TRAP_ADDRESS_BAD_BRACKETS;
    }
    if (pszClose[1] == '\0') {
        return TRAP_ADDRESS_NO_PORT;
    }
    return IsTrapPort(pszClose + 2) ? TRAP_ADDRESS_OWN_PORT : TRAP_ADDRESS_BAD_PORT;
}

} // namespace

bool IsTrapPort(const char* pszText) {
    size_t nDigits = strspn(pszText, "0123456789");
    if (nDigits == 0 || nDigits > static_cast<size_t>(TRAP_PORT_DIGITS_MAX) ||
        pszText[nDigits] != '\0') {
        return false;
    }
    long nPort = strtol(pszText, nullptr, 10);
    return nPort >= 1 && nPort <= TRAP_PORT_MAX;
}

TrapAddressForm ClassifyTrapAddress(const char* pszAddress) {
    Endpoint stEndpoint = FindEndpoint(pszAddress);
    if (stEndpoint.bPortless) {
        return TRAP_ADDRESS_NOT_IP;
    }
    const char* pszEndpoint = pszAddress + stEndpoint.nStart;
    if (pszEndpoint[0] == '[') {
        return ClassifyBracketed(pszEndpoint);
    }
    const char* pszColon = strchr(pszEndpoint, ':');
    if (pszColon == nullptr) {
        return TRAP_ADDRESS_NO_PORT;
    }
    if (strchr(pszColon + 1, ':') != nullptr) {
        return TRAP_ADDRESS_BARE_IPV6;
    }
    return IsTrapPort(pszColon + 1) ? TRAP_ADDRESS_OWN_PORT : TRAP_ADDRESS_BAD_PORT;
}

std::string AddressBeforePort(const char* pszAddress) {
    if (ClassifyTrapAddress(pszAddress) != TRAP_ADDRESS_BARE_IPV6) {
        return pszAddress;
    }
    size_t nStart = FindEndpoint(pszAddress).nStart;
    return std::string(pszAddress, nStart) + "[" + (pszAddress + nStart) + "]";
}
