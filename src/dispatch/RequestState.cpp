// The values of the request in progress.
#include "RequestState.h"

#include "mib/parserecords.h"
#include "platform/snmpapi.h"

namespace {

// The storage of EntrytableOid and noOfkey: per request, like them.
UINT OID_Prefix_Entrymib[ENTRY_OID_MAX_IDS];
UINT OID_Key[KEY_TAIL_MAX_IDS];

} // namespace

AsnObjectIdentifier EntrytableOid = {0, OID_Prefix_Entrymib};
AsnObjectIdentifier noOfkey = {0, OID_Key};
int zund_numInstance = 0;
bool g_bSetCheckOnly = false;

bool SetEntrytableOid(const char* pszEntryOID) {
    return ParseOidBounded(pszEntryOID, &EntrytableOid, ENTRY_OID_MAX_IDS) == 1;
}

void SetKeyTail(int nKeys) {
    if (nKeys < 1) {
        nKeys = 1;
    }
    if (nKeys > MAX_TABLE_KEYS) {
        nKeys = MAX_TABLE_KEYS;
    }
    noOfkey.idLength = static_cast<UINT>(nKeys) + 1;
    for (UINT i = 0; i < noOfkey.idLength; ++i) {
        OID_Key[i] = 0;
    }
}
