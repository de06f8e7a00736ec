#include "Zundsnmp.h"

#include "FindHolder.h"
#include "RequestState.h"
#include "mib/parseoid.h"
#include "platform/AgentPlatform.h"
#include "platform/snmpapi.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const TEXT_NOT_AVAILABLE = "N/A";

// The instance count of a class, never negative.
int CountInstances(CBaseHolder* pHolder) {
    int nCount = pHolder->getInstanceCount();
    return nCount < 0 ? 0 : nCount;
}

// The holder of a table's class, with zund_numInstance refreshed and the
// table's column count; null when the class has no holder.
CBaseHolder* OpenTable(const obj_attrib& obj, int& l_attrmax) {
    CBaseHolder* holder = getHolder(obj.szClassName, obj.szOIDPrefix);
    if (holder == nullptr) {
        return nullptr;
    }
    zund_numInstance = CountInstances(holder);
    int start = 0;
    l_attrmax = getNo_Attr(obj.szOIDPrefix, obj.szOID, 0, start);
    return holder;
}

// Resolves the OID now in the binding into obj (left as it was when the OID
// resolves to nothing) and returns the holder of its class, or null.
CBaseHolder* ResolveBinding(const RFC1157VarBind* varbind, obj_attrib& obj) {
    char szOID[REQUEST_OID_SIZE];
    if (FormatBindingOid(varbind->name, szOID, sizeof(szOID))) {
        getOID_Details(szOID, obj);
    }
    return getHolder(obj.szClassName, obj.szOIDPrefix);
}

void StoreInteger(RFC1157VarBind* varbind, int nValue) {
    varbind->value.asnType = ASN_INTEGER;
    varbind->value.asnValue.number = nValue;
}

// Stores a copy of the text, without terminator, as an OCTET STRING that the
// binding owns. When the copy cannot be allocated the value keeps its type
// and its pointer is null.
void StoreText(RFC1157VarBind* varbind, const char* pszText) {
    UINT nLen = static_cast<UINT>(strlen(pszText));
    BYTE* pCopy = AllocBindingText(nLen);
    if (pCopy == nullptr) {
        varbind->value.asnValue.string.stream = nullptr;
        return;
    }
    memcpy(pCopy, pszText, nLen);
    varbind->value.asnType = ASN_OCTETSTRING;
    varbind->value.asnValue.string.stream = pCopy;
    varbind->value.asnValue.string.length = nLen;
    varbind->value.asnValue.string.dynamic = 1;
}

// Renames the binding prefix . entry . attr . index (the index once per key;
// a scalar's index is 0). False when the library entry is unknown.
bool NameInstance(RFC1157VarBind* varbind, const obj_attrib& obj, int attr, int nIndex) {
    int index_hold = getIDForOIDPrefixASNForOID(obj.szOIDPrefix);
    if (index_hold == NO_LIBRARY_ENTRY) {
        return false;
    }
    SnmpUtilOidFree(&varbind->name);
    SnmpUtilOidCpy(&varbind->name, &g_pMIB_DC[index_hold].MibOidPrefix);
    SnmpUtilOidAppend(&varbind->name, &EntrytableOid);
    SnmpUtilOidAppend(&varbind->name, &noOfkey);
    UINT nKeys = noOfkey.idLength - 1;
    for (UINT k = 0; k < nKeys; ++k) {
        varbind->name.ids[varbind->name.idLength - 1 - k] = static_cast<UINT>(nIndex);
    }
    varbind->name.ids[varbind->name.idLength - 1 - nKeys] = static_cast<UINT>(attr);
    return true;
}

// The checks of a set on a resolved descriptor and holder.
UINT CheckSetResolved(const RFC1157VarBind* varbind, int adpno, int attr, const obj_attrib& obj) {
    if (attr > AttrEntry_ATTRIB_MAX) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (varbind->value.asnType != obj.iDataType) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (obj.cAccessType != 'W') {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (adpno == 0) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (adpno - 1 >= zund_numInstance) {
        return SNMP_STATUS_BADVALUE;
    }
    return SNMP_STATUS_NOERROR;
}

// "-2147483648." is the longest text of one sub-identifier.
const size_t SUBID_TEXT_SIZE = 13;

// A sub-identifier as signed decimal followed by "."; returns its length.
size_t FormatSubIdentifier(UINT nId, char* pszPiece) {
    int nValue = static_cast<int>(nId);
    unsigned nMagnitude =
        nValue < 0 ? 0u - static_cast<unsigned>(nValue) : static_cast<unsigned>(nValue);
    char szDigits[SUBID_TEXT_SIZE];
    size_t nDigits = 0;
    do {
        szDigits[nDigits++] = static_cast<char>('0' + nMagnitude % 10);
        nMagnitude /= 10;
    } while (nMagnitude != 0);
    size_t nLength = 0;
    if (nValue < 0) {
        pszPiece[nLength++] = '-';
    }
    while (nDigits > 0) {
        pszPiece[nLength++] = szDigits[--nDigits];
    }
    pszPiece[nLength++] = '.';
    return nLength;
}

} // namespace

bool FormatBindingOid(const AsnObjectIdentifier& stName, char* pszText, size_t nSize) {
    // Every request formats its OID more than once: by hand, not through
    // snprintf, with the same text.
    size_t nUsed = 0;
    pszText[0] = '\0';
    for (UINT i = 0; i < stName.idLength; ++i) {
        char szPiece[SUBID_TEXT_SIZE];
        size_t nLength = FormatSubIdentifier(stName.ids[i], szPiece);
        if (nUsed + nLength >= nSize) {
            pszText[0] = '\0';
            return false;
        }
        memcpy(pszText + nUsed, szPiece, nLength);
        nUsed += nLength;
    }
    if (nUsed > 0) {
        pszText[nUsed] = '\0';
    }
    return true;
}

UINT AttrGet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj) {
    int l_attrmax = 0;
    if (OpenTable(obj, l_attrmax) == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (attr < 1 || attr > l_attrmax) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (adpno < 0 || adpno >= zund_numInstance) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    return GetAttributes(varbind, adpno, obj);
}

UINT GetAttributes(RFC1157VarBind* varbind, int adpno, obj_attrib obj) {
    CBaseHolder* holder = ResolveBinding(varbind, obj);
    if (holder == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (obj.iDataType == 1) {
        char szText[ATTRIB_TEXT_SIZE] = {};
        int nResult = holder->getStringAttribute(adpno, obj.szName, szText);
        szText[ATTRIB_TEXT_SIZE - 1] = '\0';
        StoreText(varbind, (nResult == -1 || szText[0] == '\0') ? TEXT_NOT_AVAILABLE : szText);
    } else if (obj.iDataType == 2) {
        int value = 0;
        if (holder->getIntAttribute(adpno, obj.szName, &value) == -1) {
            value = 0;
        }
        StoreInteger(varbind, value);
    }
    return SNMP_STATUS_NOERROR;
}

UINT AttrGetNext(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj) {
    int l_attrmax = 0;
    if (OpenTable(obj, l_attrmax) == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (attr < 1) {
        attr = 1;
        adpno = 0;
    }
    int i = adpno;
    for (;;) {
        if (attr > l_attrmax) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        i = adpno;
        if (i < zund_numInstance) {
            break;
        }
        adpno = 0;
        ++attr;
    }
    if (!NameInstance(varbind, obj, attr, i)) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    return GetAttributes(varbind, i, obj);
}

UINT ScalAttrGetNext(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj) {
    zund_numInstance = 1;
    int start = 0;
    int l_attrmax = getNo_Attr(obj.szOIDPrefix, obj.szOID, 1, start);
    if (attr <= start) {
        attr = start + 1;
        adpno = 0;
    }
    while (attr <= start + l_attrmax) {
        if (adpno >= 1) {
            adpno = 0;
            ++attr;
            continue;
        }
        if (!NameInstance(varbind, obj, attr, 0)) {
            return SNMP_STATUS_NOSUCHNAME;
        }
        return GetAttributes(varbind, 0, obj);
    }
    return SNMP_STATUS_NOSUCHNAME;
}

UINT AttrCheckSet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj) {
    CBaseHolder* holder = ResolveBinding(varbind, obj);
    if (holder == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    zund_numInstance = CountInstances(holder);
    return CheckSetResolved(varbind, adpno, attr, obj);
}

UINT AttrSet(RFC1157VarBind* varbind, int adpno, int attr, obj_attrib obj) {
    CBaseHolder* holder = ResolveBinding(varbind, obj);
    if (holder == nullptr) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    zund_numInstance = CountInstances(holder);
    UINT nStatus = CheckSetResolved(varbind, adpno, attr, obj);
    if (nStatus != SNMP_STATUS_NOERROR) {
        return nStatus;
    }
    int value = static_cast<int>(varbind->value.asnValue.number);
    if (obj.iDataType != 1 && obj.iDataType != 2) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (holder->setIntAttribute(adpno - 1, obj.szName, value) != 0) {
        return SNMP_STATUS_BADVALUE;
    }
    return SNMP_STATUS_NOERROR;
}
