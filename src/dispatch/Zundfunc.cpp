#include "Zundfunc.h"

#include "FindHolder.h"
#include "Zundsnmp.h"
#include "platform/snmpapi.h"

#include <climits>

namespace {

// Sub-identifiers of 2^31 and above would reach the library as negative
// numbers: no attribute or instance has them.
bool FitsInt(UINT nId) {
    return nId <= static_cast<UINT>(INT_MAX);
}

} // namespace

UINT MIB_Tablefunc_t(UINT pduaction, int isScalar, RFC1157VarBind* varbind, obj_attrib obj) {
    int index = getIDForOIDPrefixASNForOID(obj.szOIDPrefix);
    if (index == NO_LIBRARY_ENTRY) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    const AsnObjectIdentifier& stName = varbind->name;
    long nid = static_cast<long>(stName.idLength) -
               static_cast<long>(g_pMIB_DC[index].MibOidPrefix.idLength) -
               static_cast<long>(EntrytableOid.idLength);
    int element = 1;
    int key = 0;
    if (nid == 1) {
        if (!FitsInt(stName.ids[stName.idLength - 1])) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        element = static_cast<int>(stName.ids[stName.idLength - 1]);
    } else if (nid == 2) {
        UINT nElement = stName.ids[stName.idLength - 2];
        UINT nIndex = stName.ids[stName.idLength - 1];
        if (!FitsInt(nElement)) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        element = static_cast<int>(nElement);
        if (pduaction == SNMP_ACTION_GET) {
            if (!FitsInt(nIndex)) {
                return SNMP_STATUS_NOSUCHNAME;
            }
            key = static_cast<int>(nIndex);
        } else if (nIndex >= static_cast<UINT>(INT_MAX)) {
            // No instance follows this index: a get-next goes on with the
            // next attribute, a set has nothing to write.
            if (pduaction == SNMP_ACTION_SET) {
                return SNMP_STATUS_NOSUCHNAME;
            }
            element = element == INT_MAX ? INT_MAX : element + 1;
            key = 0;
        } else {
            key = static_cast<int>(nIndex) + 1;
        }
    } else if (nid != 0 && nid != -1) {
        return SNMP_STATUS_NOSUCHNAME;
    }

    switch (pduaction) {
    case SNMP_ACTION_GET:
        return AttrGet(varbind, key, element, obj);
    case SNMP_ACTION_GETNEXT:
        return isScalar ? ScalAttrGetNext(varbind, key, element, obj)
                        : AttrGetNext(varbind, key, element, obj);
    case SNMP_ACTION_SET:
        return g_bSetCheckOnly ? AttrCheckSet(varbind, key, element, obj)
                               : AttrSet(varbind, key, element, obj);
    default:
        return SNMP_STATUS_NOSUCHNAME;
    }
}
