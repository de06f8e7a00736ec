// Request dispatch of one variable binding: resolves the OID against the MIB
// definitions, answers a scalar's instance directly from its holder, hands
// everything else to the attribute engine, and walks a get-next on from one
// group or table to the next by the walk order, across libraries.
#include "genpvkdispatch.h"

#include "FindHolder.h"
#include "Zundfunc.h"
#include "Zundsnmp.h"
#include "mib/WalkResume.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"
#include "platform/snmpapi.h"

#include <cstring>

char zund_initover = 0;

namespace {

const int NEXT_ENTRY_OID_SIZE = 128;
const int STRING_VALUE_SIZE = 512;
const char* const RETRY_COMPONENT = "1.";
const int MAX_RETRIES = 2;

// A walk order that leads in a circle must not keep a request forever: no
// real walk passes through more entries than this.
const int MAX_WALK_PASSES = 1024;

bool IsKnownAction(UINT pduaction) {
    return pduaction == SNMP_ACTION_GET || pduaction == SNMP_ACTION_GETNEXT ||
           pduaction == SNMP_ACTION_SET;
}

// Sets the binding's name to a prefix's numbers followed by an entry text.
bool RenameBinding(RFC1157VarBind* varbind, const AsnObjectIdentifier& stPrefix,
                   const char* pszEntry) {
    if (!SetEntrytableOid(pszEntry)) {
        return false;
    }
    AsnObjectIdentifier stPrefixCopy = stPrefix;
    SnmpUtilOidFree(&varbind->name);
    SnmpUtilOidCpy(&varbind->name, &stPrefixCopy);
    SnmpUtilOidAppend(&varbind->name, &EntrytableOid);
    return true;
}

// Points the binding at the object the resolution moved to: its prefix and
// entry OID.
bool RenameToResolvedEntry(RFC1157VarBind* varbind, const obj_attrib& obj) {
    UINT aPrefix[ENTRY_OID_MAX_IDS];
    AsnObjectIdentifier stPrefix = {0, aPrefix};
    if (ParseOidBounded(obj.szOIDPrefix, &stPrefix, ENTRY_OID_MAX_IDS) != 1) {
        return false;
    }
    return RenameBinding(varbind, stPrefix, obj.szOID);
}

// Appends "1." to the OID text; false when it would not fit.
bool AppendRetryComponent(char* pszOID) {
    size_t nLen = strlen(pszOID);
    if (nLen + strlen(RETRY_COMPONENT) >= REQUEST_OID_SIZE) {
        return false;
    }
    strcat(pszOID, RETRY_COMPONENT);
    return true;
}

// Whether the name is prefix . entry . attribute . 0 of the resolved scalar,
// and not an OID below that instance.
bool NamesScalarInstance(const AsnObjectIdentifier& stName, const obj_attrib& obj) {
    int index = getIDForOIDPrefixASNForOID(obj.szOIDPrefix);
    if (index == NO_LIBRARY_ENTRY) {
        return false;
    }
    long nAfterEntry = static_cast<long>(stName.idLength) -
                       static_cast<long>(g_pMIB_DC[index].MibOidPrefix.idLength) -
                       CountOidComponents(obj.szOID);
    return nAfterEntry == 2;
}

// A get of a scalar's instance 0, answered from instance 0 of its holder.
UINT GetScalarInstance(RFC1157VarBind* varbind, CBaseHolder* p_CBaseHolder, const obj_attrib& obj) {
    if (p_CBaseHolder == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    char szName[FN_NAME_SIZE];
    memcpy(szName, obj.szName, sizeof(szName));
    if (obj.iDataType == 1) {
        char strval[STRING_VALUE_SIZE] = {};
        p_CBaseHolder->getStringAttribute(0, szName, strval);
        strval[STRING_VALUE_SIZE - 1] = '\0';
        UINT nLen = static_cast<UINT>(strlen(strval));
        BYTE* pCopy = static_cast<BYTE*>(SnmpUtilMemAlloc(nLen));
        if (pCopy != nullptr) {
            memcpy(pCopy, strval, nLen);
            varbind->value.asnType = ASN_OCTETSTRING;
            varbind->value.asnValue.string.stream = pCopy;
            varbind->value.asnValue.string.length = nLen;
            varbind->value.asnValue.string.dynamic = 1;
        }
        return SNMP_STATUS_NOERROR;
    }
    if (obj.iDataType == 2) {
        int value = 0;
        p_CBaseHolder->getIntAttribute(0, szName, &value);
        varbind->value.asnType = ASN_INTEGER;
        varbind->value.asnValue.number = value;
        return SNMP_STATUS_NOERROR;
    }
    return SNMP_STATUS_NOSUCHNAME;
}

// Moves a get-next that ran off its group or table to the next entry of the
// walk order. Returns true when a new pass is to be made with the binding's
// new name, false when the request ends with nStatus.
bool MoveToNextEntry(RFC1157VarBind* varbind, const obj_attrib& obj, const char* pszFullOID,
                     UINT& nStatus) {
    char szPrefix[STORE_TEXT_SIZE];
    memcpy(szPrefix, obj.szOIDPrefix, sizeof(szPrefix));
    char pszNextEntryOID[NEXT_ENTRY_OID_SIZE] = {};
    int isEntryAvailable = getNextEntry(szPrefix, obj.szOID, pszNextEntryOID, pszFullOID);
    nStatus = SNMP_STATUS_NOSUCHNAME;
    if (isEntryAvailable == NEXT_ENTRY_NONE) {
        return false;
    }
    // NEXT_ENTRY_NEXT_STORE has replaced szPrefix by the next store's prefix.
    int index = getIDForOIDPrefixASNForOID(szPrefix);
    if (index == NO_LIBRARY_ENTRY ||
        !RenameBinding(varbind, g_pMIB_DC[index].MibOidPrefix, pszNextEntryOID)) {
        return false;
    }
    // NEXT_ENTRY_END: past the last entry of the last definition; nothing
    // follows.
    return isEntryAvailable != NEXT_ENTRY_END;
}

} // namespace

bool writelogtofile(const char* /*pszText*/) {
    return true;
}

UINT PopulateValue(RFC1157VarBind* varbind, UINT pduaction) {
    if (!IsKnownAction(pduaction)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    // A get-next from an OID that names no object goes on where the walk
    // would, never ending the subtree early.
    if (pduaction == SNMP_ACTION_GETNEXT && ResumeWalkPosition(varbind->name) == WALK_RESUME_END) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    for (int nPass = 0; nPass < MAX_WALK_PASSES; ++nPass) {
        obj_attrib obj;
        char szRequested[REQUEST_OID_SIZE];
        char szOID[REQUEST_OID_SIZE];
        int isScalar = 0;

        // The request as text with a final "."; what does not fit is refused.
        if (!FormatBindingOid(varbind->name, szOID, sizeof(szOID))) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        memcpy(szRequested, szOID, sizeof(szOID));

        int nType = getOID_Details(szOID, obj);
        if (nType != OID_NOT_RESOLVED && strcmp(szOID, szRequested) != 0 &&
            !RenameToResolvedEntry(varbind, obj)) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        for (int nRetry = 0; nType == OID_NOT_RESOLVED && nRetry < MAX_RETRIES; ++nRetry) {
            if (!AppendRetryComponent(szOID)) {
                return SNMP_STATUS_NOSUCHNAME;
            }
            nType = getOID_Details(szOID, obj);
        }
        if (nType == OID_NOT_RESOLVED) {
            return SNMP_STATUS_NOSUCHNAME;
        }

        UINT nStatus = SNMP_STATUS_NOSUCHNAME;
        if (nType == OID_GROUP_ATTRIBUTE) {
            CBaseHolder* p_CBaseHolder = getHolder(obj.szClassName, obj.szOIDPrefix);
            bool bInstanceZero =
                varbind->name.idLength > 0 && varbind->name.ids[varbind->name.idLength - 1] == 0;
            if (pduaction == SNMP_ACTION_GET && bInstanceZero) {
                // Only the instance itself: an OID below it names nothing.
                if (!NamesScalarInstance(varbind->name, obj)) {
                    return SNMP_STATUS_NOSUCHNAME;
                }
                return GetScalarInstance(varbind, p_CBaseHolder, obj);
            }
            if (p_CBaseHolder == nullptr && pduaction != SNMP_ACTION_GETNEXT) {
                return SNMP_STATUS_NOSUCHNAME;
            }
            obj.iNumKeys = 1;
            writelogtofile(obj.szName);
            isScalar = 1;
        }
        if (nType == OID_GROUP_ATTRIBUTE || nType == OID_TABLE_ATTRIBUTE) {
            if (!SetEntrytableOid(obj.szOID)) {
                return SNMP_STATUS_NOSUCHNAME;
            }
            SetKeyTail(obj.iNumKeys);
            nStatus = MIB_Tablefunc_t(pduaction, isScalar, varbind, obj);
        }

        if (pduaction != SNMP_ACTION_GETNEXT || nStatus != SNMP_STATUS_NOSUCHNAME) {
            return nStatus;
        }
        if (!MoveToNextEntry(varbind, obj, szOID, nStatus)) {
            return nStatus;
        }
    }
    return SNMP_STATUS_NOSUCHNAME;
}

RFC1157VarBind* AllocateRequestBinding() {
    RFC1157VarBind* pBinding =
        static_cast<RFC1157VarBind*>(SnmpUtilMemAlloc(sizeof(RFC1157VarBind)));
    pBinding->name.ids = static_cast<UINT*>(SnmpUtilMemAlloc(REQUEST_NAME_MAX_IDS * sizeof(UINT)));
    return pBinding;
}
