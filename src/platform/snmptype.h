// SNMP value types of the agent core.
//
// The core is written against the extension-agent utility interface of the
// Windows platform. On Windows these types come from the platform's <snmp.h>;
// on Linux this header declares them with the same names and members.
#ifndef KORVO_SNMPTYPE_H
#define KORVO_SNMPTYPE_H

#ifdef _WIN32
#include <windows.h>
#include <snmp.h>
#else
#include <cstdint>

typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef void* HANDLE;
typedef int BOOL;
typedef unsigned char BYTE;

typedef long AsnInteger;
typedef uint32_t AsnCounter;
typedef uint32_t AsnGauge;
typedef uint32_t AsnTimeticks;

// A sequence of sub-identifiers. In the Linux build the sub-identifier buffer
// belongs to the identifier's owner and has a fixed capacity.
struct AsnObjectIdentifier {
    UINT idLength;
    UINT* ids;
};
typedef AsnObjectIdentifier AsnObjectName;

struct AsnOctetString {
    BYTE* stream;
    UINT length;
    BOOL dynamic; // true when stream was allocated for this value
};

struct AsnAny {
    BYTE asnType; // ASN.1 universal tag of the value
    union {
        AsnInteger number;
        AsnOctetString string;
        AsnOctetString sequence;
        AsnOctetString address;
        AsnOctetString arbitrary;
        AsnObjectIdentifier object;
        AsnCounter counter;
        AsnGauge gauge;
        AsnTimeticks ticks;
    } asnValue;
};
typedef AsnAny AsnObjectSyntax;

struct vb {
    AsnObjectName name;
    AsnObjectSyntax value;
};
typedef vb RFC1157VarBind;

struct RFC1157VarBindList {
    RFC1157VarBind* list;
    UINT len;
};

#define ASN_INTEGER 0x02
#define ASN_OCTETSTRING 0x04
#endif // _WIN32

// Request action codes: the SNMP PDU tags.
const UINT SNMP_ACTION_GET = 0xA0;     // 160
const UINT SNMP_ACTION_GETNEXT = 0xA1; // 161
const UINT SNMP_ACTION_SET = 0xA3;     // 163

// RFC 1157 error-status values used on the request path.
const UINT SNMP_STATUS_NOERROR = 0;
const UINT SNMP_STATUS_NOSUCHNAME = 2;
const UINT SNMP_STATUS_BADVALUE = 3;

#endif // KORVO_SNMPTYPE_H
