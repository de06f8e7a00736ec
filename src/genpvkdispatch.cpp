// Request dispatch of one variable binding.
//
// No MIB definitions are served yet: every object is unknown.
#include "genpvkagent.h"

UINT PopulateValue(RFC1157VarBind* /*varbind*/, UINT /*pduaction*/) {
    return SNMP_STATUS_NOSUCHNAME;
}
