// korvo_fake_agent: the daemon's side of the shared-memory block, serving a
// fixed table instead of storage libraries, so that the relay and snmpd can be
// tested on their own. Runs in the foreground until SIGTERM or SIGINT.
//
// Objects (below .1.3.6.1.4.1.7310):
//   .1.1.0   string  "fake agent"           read-only
//   .1.2.0   integer 42                     writable
//   .2.1.1.N integer N          (N = 0..2)  read-only
//   .2.1.2.N string  "row N"    (N = 0..2)  writable (strings)
#include "agent/genpvkagent.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "dispatch/genpvkdispatch.h"
#include "platform/snmpapi.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct FakeObject {
    bool bInteger = true;
    bool bWritable = false;
    int nValue = 0;
    std::string strValue;
};

std::map<std::vector<UINT>, FakeObject> g_mapTable;

std::vector<UINT> Under(std::vector<UINT> vTail) {
    std::vector<UINT> vOID{1, 3, 6, 1, 4, 1, 7310};
    vOID.insert(vOID.end(), vTail.begin(), vTail.end());
    return vOID;
}

void FillTable() {
    g_mapTable[Under({1, 1, 0})] = {false, false, 0, "fake agent"};
    g_mapTable[Under({1, 2, 0})] = {true, true, 42, ""};
    for (UINT nRow = 0; nRow < 3; ++nRow) {
        g_mapTable[Under({2, 1, 1, nRow})] = {true, false, static_cast<int>(nRow), ""};
        g_mapTable[Under({2, 1, 2, nRow})] = {false, true, 0, "row " + std::to_string(nRow)};
    }
}

UINT SetObject(FakeObject& stObject, const AsnAny& stValue) {
    if (!stObject.bWritable) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    if (stObject.bInteger && stValue.asnType == ASN_INTEGER) {
        stObject.nValue = static_cast<int>(stValue.asnValue.number);
        return SNMP_STATUS_NOERROR;
    }
    if (!stObject.bInteger && stValue.asnType == ASN_OCTETSTRING) {
        stObject.strValue = reinterpret_cast<const char*>(stValue.asnValue.string.stream);
        return SNMP_STATUS_NOERROR;
    }
    return SNMP_STATUS_BADVALUE;
}

void AnswerObject(RFC1157VarBind* pBinding, const std::vector<UINT>& vOID,
                  const FakeObject& stObject) {
    memcpy(pBinding->name.ids, vOID.data(), vOID.size() * sizeof(UINT));
    pBinding->name.idLength = static_cast<UINT>(vOID.size());
    if (stObject.bInteger) {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = stObject.nValue;
        return;
    }
    UINT nLen = static_cast<UINT>(stObject.strValue.size());
    BYTE* pCopy = static_cast<BYTE*>(SnmpUtilMemAlloc(nLen + 1));
    memcpy(pCopy, stObject.strValue.c_str(), nLen);
    pBinding->value.asnType = ASN_OCTETSTRING;
    pBinding->value.asnValue.string = {pCopy, nLen, 1};
}

UINT FakeDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    std::vector<UINT> vName(pBinding->name.ids, pBinding->name.ids + pBinding->name.idLength);
    auto itObject = g_mapTable.find(vName);
    if (nAction == SNMP_ACTION_SET) {
        return itObject == g_mapTable.end() ? SNMP_STATUS_NOSUCHNAME
                                            : SetObject(itObject->second, pBinding->value);
    }
    if (nAction == SNMP_ACTION_GETNEXT) {
        itObject = g_mapTable.upper_bound(vName);
    }
    if (itObject == g_mapTable.end()) {
        return SNMP_STATUS_NOSUCHNAME;
    }
    AnswerObject(pBinding, itObject->first, itObject->second);
    return SNMP_STATUS_NOERROR;
}

} // namespace

int main() {
    FillTable();
    signal(SIGTERM, ExitRoutine);
    signal(SIGINT, ExitRoutine);
    SHARED_DATA* pBlock = AttachSharedBlock();
    if (pBlock == nullptr) {
        perror("korvo_fake_agent: shared memory");
        return 1;
    }
    RFC1157VarBind* pBinding = AllocateRequestBinding();
    zund_initover = 1;
    printf("ready\n");
    fflush(stdout);
    RunChannelLoop(pBlock, pBinding, FakeDispatch);
    ReleaseSharedBlock();
    return 0;
}
