// The extension agent under a stand-in for the SNMP service, against the
// simulated library and the sample definitions (the controller list and the
// persisted definitions lie in the Windows directory; korvosim.dll and
// korvoshelf.dll beside this program). The cases run in the order of the
// agent's life: before Init, Init and regions, queries, traps, Close.
#include "CServiceHarness.h"

#include <cstdio>

namespace {

const std::string ENTERPRISE = "1.3.6.1.4.1.7310";
const std::string RAID = ENTERPRISE + ".4.1";
const std::string SHELF = ENTERPRISE + ".5.1";
const std::string END_OF_VIEW = "1.3.6.1.4.1.7311";
const DWORD TRAP_WAIT_MS = 10000;
const DWORD QUIET_WAIT_MS = 500;
const DWORD TIME_ZERO_AGE_MS = 100000;

HANDLE g_hTrapEvent = nullptr;

std::string Show(const CRequest& request) {
    return "status " + std::to_string(request.nErrorStatus) + " index " +
           std::to_string(request.nErrorIndex) + " name " + request.name(0);
}

void TestBeforeInit(CAgentService& service) {
    auto pGet = service.queryOne(SNMP_PDU_GET, RAID + ".1.2.0");
    Check(pGet->bResult && pGet->nErrorStatus == 2 && pGet->nErrorIndex == 1,
          "a get before Init fails with noSuchName at binding 1", Show(*pGet));
    CRequest walk({RAID + ".1.2.0", ENTERPRISE});
    service.query(SNMP_PDU_GETNEXT, walk);
    Check(walk.bResult && walk.nErrorStatus == 0 && walk.nErrorIndex == -1,
          "a get-next before Init succeeds without error index", Show(walk));
    Check(walk.name(0) == END_OF_VIEW && walk.name(1) == END_OF_VIEW,
          "a get-next before Init answers end of view for every binding",
          walk.name(0) + " " + walk.name(1));
}

void TestInitAndRegions(CAgentService& service) {
    AsnObjectIdentifier stRegion = {0, nullptr};
    BOOL bInit = service.pfnInit(GetTickCount() - TIME_ZERO_AGE_MS, &g_hTrapEvent, &stRegion);
    Check(bInit, "SnmpExtensionInit succeeds with the sample definitions");
    Check(g_hTrapEvent != nullptr, "Init hands out the trap event");
    Check(OidText(stRegion) == ENTERPRISE, "the first region is the enterprise arc",
          OidText(stRegion));
    const std::string aExpected[] = {RAID, SHELF};
    for (const std::string& strExpected : aExpected) {
        AsnObjectIdentifier stNext = {0, nullptr};
        Check(service.pfnInitEx(&stNext) && OidText(stNext) == strExpected,
              "InitEx hands out the next region", OidText(stNext));
    }
    AsnObjectIdentifier stUntouched = {77, nullptr};
    Check(!service.pfnInitEx(&stUntouched) && stUntouched.idLength == 77,
          "the third InitEx is false and leaves the place alone");
}

void TestGets(CAgentService& service) {
    auto pCount = service.queryOne(SNMP_PDU_GET, RAID + ".1.2.0");
    Check(pCount->nErrorStatus == 0 && pCount->binding(0).value.asnType == ASN_INTEGER &&
              pCount->binding(0).value.asnValue.number == 2,
          "a scalar integer comes from the holder", Show(*pCount));
    auto pVersion = service.queryOne(SNMP_PDU_GET, RAID + ".1.1.0");
    Check(pVersion->nErrorStatus == 0 && pVersion->text(0) == "7.4.0-sim",
          "a scalar text comes as an OCTET STRING", pVersion->text(0));
    auto pModel = service.queryOne(SNMP_PDU_GET, RAID + ".2.1.2.1");
    Check(pModel->nErrorStatus == 0 && pModel->text(0).size() > 0,
          "a table cell of the second adapter", Show(*pModel));
    auto pShelf = service.queryOne(SNMP_PDU_GET, SHELF + ".1.1.1.0");
    Check(pShelf->nErrorStatus == 0 && pShelf->binding(0).value.asnType == ASN_INTEGER,
          "a cell of the second library", Show(*pShelf));

    auto pBadIndex = service.queryOne(SNMP_PDU_GET, RAID + ".2.1.5.9");
    Check(pBadIndex->nErrorStatus == 2 && pBadIndex->nErrorIndex == 1,
          "a get of an instance that does not exist", Show(*pBadIndex));

    CRequest three({RAID + ".1.2.0", RAID + ".77.0", RAID + ".1.1.0"});
    service.query(SNMP_PDU_GET, three);
    Check(three.bResult && three.nErrorStatus == 2 && three.nErrorIndex == 2,
          "the second of three bindings names no object", Show(three));
    Check(three.binding(2).value.asnType == ASN_NULL, "the third binding is not looked at");
}

void TestGetNexts(CAgentService& service) {
    auto pNext = service.queryOne(SNMP_PDU_GETNEXT, RAID + ".2.1.2.0");
    Check(pNext->nErrorStatus == 0 && pNext->name(0) == RAID + ".2.1.2.1",
          "get-next moves to the next instance", Show(*pNext));
    auto pFirst = service.queryOne(SNMP_PDU_GETNEXT, ENTERPRISE);
    Check(pFirst->nErrorStatus == 0 && pFirst->name(0) == RAID + ".1.1.0",
          "get-next on the arc gives the first object", Show(*pFirst));
    auto pOutside = service.queryOne(SNMP_PDU_GETNEXT, "1.3.6.1.4.1.7310.9.9.9");
    Check(pOutside->nErrorStatus == 0 && pOutside->nErrorIndex == -1 &&
              pOutside->name(0) == END_OF_VIEW,
          "get-next past every definition ends the view", Show(*pOutside));
}

// Lexicographic order of sub-identifiers, as a walk must ascend.
bool IsBefore(const AsnObjectIdentifier& stFirst, const AsnObjectIdentifier& stSecond) {
    for (UINT i = 0; i < stFirst.idLength && i < stSecond.idLength; ++i) {
        if (stFirst.ids[i] != stSecond.ids[i]) {
            return stFirst.ids[i] < stSecond.ids[i];
        }
    }
    return stFirst.idLength < stSecond.idLength;
}

void TestWholeWalk(CAgentService& service) {
    CRequest walk({ENTERPRISE});
    int nSteps = 0;
    bool bAscending = true;
    bool bSawShelf = false;
    AsnObjectIdentifier stPrevious = {0, nullptr};
    while (nSteps < 5000) {
        SnmpUtilOidCpy(&stPrevious, &walk.binding(0).name);
        service.query(SNMP_PDU_GETNEXT, walk);
        if (walk.nErrorStatus != 0 ||
            walk.name(0).compare(0, ENTERPRISE.size() + 1, ENTERPRISE + ".") != 0) {
            break;
        }
        bAscending = bAscending && IsBefore(stPrevious, walk.binding(0).name);
        bSawShelf = bSawShelf || walk.name(0).compare(0, SHELF.size(), SHELF) == 0;
        SnmpUtilOidFree(&stPrevious);
        ++nSteps;
    }
    SnmpUtilOidFree(&stPrevious);
    Check(walk.nErrorStatus == 0 && walk.name(0) == END_OF_VIEW,
          "the walk ends at the end-of-view name", Show(walk));
    Check(nSteps > 100 && bAscending && bSawShelf,
          "the walk runs in ascending order through both libraries",
          std::to_string(nSteps) + " steps");
}

void TestSets(CAgentService& service) {
    CRequest set({RAID + ".2.1.7.0"});
    set.setInteger(0, 42);
    service.query(SNMP_PDU_SET, set);
    auto pRead = service.queryOne(SNMP_PDU_GET, RAID + ".2.1.7.0");
    Check(set.nErrorStatus == 0 && pRead->binding(0).value.asnValue.number == 42,
          "a set of a writable integer is read back", Show(set));
    CRequest bad({RAID + ".1.2.0", RAID + ".2.1.7.0"});
    bad.setInteger(0, 3);
    bad.setInteger(1, 500);
    service.query(SNMP_PDU_SET, bad);
    Check(bad.nErrorStatus != 0 && bad.nErrorIndex == 1,
          "a set of a read-only object fails at its binding", Show(bad));
    CRequest range({RAID + ".2.1.7.0"});
    range.setInteger(0, 500);
    service.query(SNMP_PDU_SET, range);
    Check(range.nErrorStatus == 3 && range.nErrorIndex == 1,
          "a value the library refuses is badValue", Show(range));
}

bool WaitForTrapSignal(DWORD nMilliseconds) {
    return WaitForSingleObject(g_hTrapEvent, nMilliseconds) == WAIT_OBJECT_0;
}

// Waits for the signal and takes one trap; false when none came.
bool AwaitTrap(CAgentService& service, CTakenTrap& stTrap) {
    if (!WaitForTrapSignal(TRAP_WAIT_MS)) {
        return false;
    }
    stTrap = TakeTrap(service);
    return stTrap.bResult == TRUE;
}

bool IsInteger(const RFC1157VarBind& stVar, AsnInteger32 nValue) {
    return stVar.value.asnType == ASN_INTEGER && stVar.value.asnValue.number == nValue;
}

std::string VariableText(const RFC1157VarBind& stVar) {
    const AsnOctetString& stText = stVar.value.asnValue.string;
    if (stVar.value.asnType != ASN_OCTETSTRING) {
        return "<not a text>";
    }
    return std::string(reinterpret_cast<const char*>(stText.stream), stText.length);
}

// The set of TestSets made the library report event 301 before the service
// had polled: that callback waits until the first, empty, poll.
void TestFirstTrapAfterStart(CAgentService& service) {
    Check(WaitForTrapSignal(TRAP_WAIT_MS), "the start-up thread signals the trap event");
    CTakenTrap stEmpty = TakeTrap(service);
    Check(!stEmpty.bResult && stEmpty.nGeneric == -1 && stEmpty.stVars.list == nullptr,
          "the first poll finds no trap and leaves the places alone");
    CTakenTrap stTrap;
    Check(AwaitTrap(service, stTrap) && stTrap.nSpecific == 6,
          "the event of the set arrives once the first poll has passed",
          std::to_string(stTrap.nSpecific));
    if (Check(stTrap.stVars.len == 4, "three arguments and the description",
              std::to_string(stTrap.stVars.len))) {
        RFC1157VarBind* pVars = stTrap.stVars.list;
        Check(IsInteger(pVars[0], 0) && VariableText(pVars[1]) == "RebuildRate" &&
                  OidText(pVars[1].name) == RAID + ".100.1.2" && IsInteger(pVars[2], 42),
              "integer and text arguments by their data types", VariableText(pVars[1]));
    }
    ReleaseTrap(stTrap);
    Check(!TakeTrap(service).bResult, "the queue is empty after one trap");
}

void TestTrapContents(CAgentService& service) {

    Check(InjectEvent("korvosim.dll", "event 302 1 75"), "an event can be injected");
    CTakenTrap stTrap;
    Check(AwaitTrap(service, stTrap), "an injected event is handed out as a trap");
    Check(OidText(stTrap.stEnterprise) == RAID + ".100" && stTrap.nGeneric == 6 &&
              stTrap.nSpecific == 7,
          "enterprise, generic and specific number",
          OidText(stTrap.stEnterprise) + " " + std::to_string(stTrap.nSpecific));
    Check(stTrap.nTimeStamp >= TIME_ZERO_AGE_MS && stTrap.nTimeStamp < 10 * TIME_ZERO_AGE_MS,
          "the time stamp counts from the time-zero reference", std::to_string(stTrap.nTimeStamp));
    if (Check(stTrap.stVars.len == 3, "two arguments and the description",
              std::to_string(stTrap.stVars.len))) {
        RFC1157VarBind* pVars = stTrap.stVars.list;
        Check(OidText(pVars[0].name) == RAID + ".2.1.1" && IsInteger(pVars[0], 1) &&
                  OidText(pVars[1].name) == RAID + ".2.1.6" && IsInteger(pVars[1], 75),
              "the arguments as integers under their attribute OIDs", OidText(pVars[0].name));
        Check(OidText(pVars[2].name) == RAID + ".100.0.7" &&
                  pVars[2].value.asnType == ASN_OCTETSTRING &&
                  pVars[2].value.asnValue.string.length > 0,
              "the description under entry.0.number", OidText(pVars[2].name));
    }
    ReleaseTrap(stTrap);
    Check(!TakeTrap(service).bResult, "the queue is empty after one trap");
}

void TestTrapTextsAndUndefinedEvents(CAgentService& service) {
    InjectEvent("korvosim.dll", "event 999 1");
    Check(!WaitForTrapSignal(QUIET_WAIT_MS), "an event without trap queues nothing");
    InjectEvent("korvoshelf.dll", "event 401 0 2 critical");
    CTakenTrap stTrap;
    Check(AwaitTrap(service, stTrap), "an event after one without trap still arrives");
    Check(OidText(stTrap.stEnterprise) == SHELF + ".100" && stTrap.nSpecific == 1 &&
              stTrap.stVars.len == 3,
          "a trap of the second library, its description hidden",
          OidText(stTrap.stEnterprise) + " " + std::to_string(stTrap.stVars.len));
    if (stTrap.stVars.len == 3) {
        Check(VariableText(stTrap.stVars.list[2]) == "critical", "a text argument as OCTET STRING");
    }
    ReleaseTrap(stTrap);
    TakeTrap(service);
}

void TestTwoEventsInARow(CAgentService& service) {
    InjectEvent("korvosim.dll", "event 302 0 81");
    InjectEvent("korvosim.dll", "event 302 0 82");
    CTakenTrap stFirst;
    Check(AwaitTrap(service, stFirst) && stFirst.stVars.len > 1 &&
              IsInteger(stFirst.stVars.list[1], 81),
          "the first of two events comes first");
    ReleaseTrap(stFirst);
    Check(!WaitForTrapSignal(QUIET_WAIT_MS),
          "the second event waits while the service has not polled empty");
    Check(!TakeTrap(service).bResult, "the empty poll hands the list on");
    CTakenTrap stSecond;
    Check(AwaitTrap(service, stSecond) && stSecond.stVars.len > 1 &&
              IsInteger(stSecond.stVars.list[1], 82),
          "the second event follows");
    ReleaseTrap(stSecond);
    TakeTrap(service);
}

DWORD WINAPI CloseAgent(LPVOID pService) {
    static_cast<CAgentService*>(pService)->pfnClose();
    return 0;
}

void TestCloseWithWaitingCallback(CAgentService& service) {
    InjectEvent("korvosim.dll", "event 302 0 90");
    InjectEvent("korvosim.dll", "event 302 0 91");
    Check(WaitForTrapSignal(TRAP_WAIT_MS), "a trap waits at close");
    Sleep(QUIET_WAIT_MS); // the second callback now waits for the list
    HANDLE hClose = CreateThread(nullptr, 0, CloseAgent, &service, 0, nullptr);
    Check(WaitForSingleObject(hClose, TRAP_WAIT_MS) == WAIT_OBJECT_0,
          "Close releases a callback that waits and returns");
    CloseHandle(hClose);
}

} // namespace

int main() {
    CAgentService service;
    if (!Check(service.load("korvosnmp.dll"), "korvosnmp.dll loads with its five entry points")) {
        return 1;
    }
    TestBeforeInit(service);
    TestInitAndRegions(service);
    TestGets(service);
    TestGetNexts(service);
    TestWholeWalk(service);
    TestSets(service);
    TestFirstTrapAfterStart(service);
    TestTrapContents(service);
    TestTrapTextsAndUndefinedEvents(service);
    TestTwoEventsInARow(service);
    TestCloseWithWaitingCallback(service);
    Check(service.unload(), "FreeLibrary unloads the agent");
    printf("%d checks, %d failed\n", g_nChecks, g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}
