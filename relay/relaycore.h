// The relay's text side: snmpd's pass-through words in, the block's request
// words out, and the block's answer checked and turned back into snmpd's lines.
#ifndef KORVO_RELAYCORE_H
#define KORVO_RELAYCORE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The subtree the relay serves; nothing outside it is ever answered.
extern const char* const RELAY_SUBTREE;

enum RelayMethod { RELAY_GET, RELAY_GETNEXT, RELAY_SET };

struct RelayRequest {
    RelayMethod nMethod = RELAY_GET;
    std::vector<uint32_t> vOID; // request OID as numbers
    std::string strType;        // set only: "integer" or "string"
    std::string strValue;       // set only: the value without snmpd's quoting
};

struct RelayAnswer {
    enum Kind {
        NO_OBJECT, // nothing to answer: "no such object"
        VALUE,     // get or get-next: OID, type and value lines
        SET_DONE,  // set accepted
        SET_ERROR, // set refused with strError
    };
    Kind nKind = NO_OBJECT;
    std::string strOID; // numeric with a leading dot
    std::string strType;
    std::string strValue;
    std::string strError;
};

// Parses a numeric OID (".1.3.6", "1.3.6"); false for anything that is not
// dot-separated decimal sub-identifiers of at most 32 bits.
bool ParseNumericOid(const std::string& strText, std::vector<uint32_t>& vOID);

// The OID as text with a leading dot.
std::string FormatOid(const std::vector<uint32_t>& vOID);

// Lexicographic order of two OIDs: <0, 0, >0.
int CompareOid(const std::vector<uint32_t>& vLeft, const std::vector<uint32_t>& vRight);

extern const char* const SET_REFUSAL_WORD;

// True when the OID lies at or below RELAY_SUBTREE.
bool IsInSubtree(const std::vector<uint32_t>& vOID);

// Checks and normalises a set's type word and value as snmpd gives them.
// Returns an empty text when accepted (strType and strValue of the request are
// filled), otherwise the refusal word SET_REFUSAL_WORD ("not-writable"), the
// same for a value of another type, an integer outside 32 bits and a value
// too long for the block, as the daemon answers for a set it refuses.
std::string AcceptSetValue(const std::string& strType, const std::string& strValue,
                           RelayRequest& stRequest);

// Writes the request words into a text area of nSize bytes; false when they
// do not fit.
bool BuildRequestWords(const RelayRequest& stRequest, char* pszArea, size_t nSize);

// Reads the daemon's answer out of a text area of nSize bytes and checks it
// against the request: a get must answer its own OID, a get-next an OID that
// is greater than the request and inside the subtree.
RelayAnswer ReadAnswer(const RelayRequest& stRequest, uint32_t nItems, const char* pszArea,
                       size_t nSize);

#endif // KORVO_RELAYCORE_H
