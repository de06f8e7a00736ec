// The extension agent's start-up under a stand-in for the SNMP service, with
// three definitions: korvomissing (7310.3.1), whose library does not exist,
// the simulated RAID library (7310.4.1) and the probe library (7310.6.1),
// which reports an event from inside startEventProcessing. Checks that
// events raised while SnmpExtensionInit runs, or the instant it returns,
// arrive as traps (one reported on Init's own thread, which cannot wait, is
// dropped without blocking Init), that the probe's record reaches the trap variables, and
// that the missing library's entry, sorted first, takes no OID of the
// libraries after it.
#include "CServiceHarness.h"

#include <cstdio>

namespace {

const std::string ENTERPRISE = "1.3.6.1.4.1.7310";
const std::string MISSING = ENTERPRISE + ".3.1";
const std::string RAID = ENTERPRISE + ".4.1";
const std::string PROBE = ENTERPRISE + ".6.1";
const DWORD TRAP_WAIT_MS = 10000;
const int PROBE_ARG_COUNT = 6;
const int PROBE_VALUE_BASE = 1000;

typedef int (*PFNPROBESTARTUPREPORT)(DWORD, int*, int*);

HANDLE g_hTrapEvent = nullptr;

std::string Show(const CRequest& request) {
    return "status " + std::to_string(request.nErrorStatus) + " index " +
           std::to_string(request.nErrorIndex) + " name " + request.name(0);
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

// The probe's start-up report: the callback's result for the event reported
// on the agent's thread, whether the callback had answered the reporting
// thread's event before startEventProcessing returned, and its result for
// that one (-1 while it has not answered within nWaitMs).
struct CProbeReport {
    int iSynchronousResult = -1;
    int bAnsweredDuringStart = -1;
    int iResult = -2;
};

CProbeReport ProbeStartupReport(DWORD nWaitMs) {
    HMODULE hProbe = GetModuleHandleA("korvoprobe.dll");
    PFNPROBESTARTUPREPORT pfnReport =
        hProbe != nullptr ? reinterpret_cast<PFNPROBESTARTUPREPORT>(reinterpret_cast<void (*)()>(
                                GetProcAddress(hProbe, "probeStartupReport")))
                          : nullptr;
    CProbeReport stReport;
    if (pfnReport != nullptr) {
        stReport.iResult =
            pfnReport(nWaitMs, &stReport.iSynchronousResult, &stReport.bAnsweredDuringStart);
    }
    return stReport;
}

// Init, with an event injected into the simulated library the instant it
// returns.
void TestInit(CAgentService& service) {
    AsnObjectIdentifier stRegion = {0, nullptr};
    BOOL bInit = service.pfnInit(GetTickCount(), &g_hTrapEvent, &stRegion);
    bool bInjected = InjectEvent("korvosim.dll", "event 302 1 66");
    Check(bInit, "Init succeeds with one of three libraries missing");
    Check(bInjected, "an event is injected the instant Init returns");
    CProbeReport stReport = ProbeStartupReport(0);
    Check(stReport.iSynchronousResult == 0,
          "an event reported on Init's own thread is dropped, not waited for",
          std::to_string(stReport.iSynchronousResult));
    Check(stReport.bAnsweredDuringStart == 0 && stReport.iResult == -1,
          "the event reported while Init runs waits instead of being dropped",
          "answered during start " + std::to_string(stReport.bAnsweredDuringStart) + ", result " +
              std::to_string(stReport.iResult));
}

// The probe's event: six arguments by the offsets of this width, texts at
// even and integers at odd positions, and the description.
void CheckProbeTrap(const CTakenTrap& stTrap) {
    Check(stTrap.nGeneric == 6 && stTrap.nSpecific == 1, "the probe's trap number",
          std::to_string(stTrap.nSpecific));
    if (!Check(stTrap.stVars.len == PROBE_ARG_COUNT + 1, "six arguments and the description",
               std::to_string(stTrap.stVars.len))) {
        return;
    }
    for (int n = 0; n < PROBE_ARG_COUNT; ++n) {
        const RFC1157VarBind& stVar = stTrap.stVars.list[n];
        std::string strName = PROBE + ".100.1." + std::to_string(n + 1);
        bool bValue = n % 2 == 0 ? VariableText(stVar) == "arg" + std::to_string(n)
                                 : IsInteger(stVar, PROBE_VALUE_BASE + n);
        Check(OidText(stVar.name) == strName && bValue,
              "argument text or value at its offset reaches its trap variable",
              "argument " + std::to_string(n) + ": " + OidText(stVar.name) + " " +
                  VariableText(stVar));
    }
    const RFC1157VarBind& stDescription = stTrap.stVars.list[PROBE_ARG_COUNT];
    Check(OidText(stDescription.name) == PROBE + ".100.0.1" &&
              VariableText(stDescription) == "probe start-up event",
          "the description at its offset", VariableText(stDescription));
}

// The event injected as Init returned, named under the RAID library's own
// prefix, not the missing entry's.
void CheckRaidTrap(const CTakenTrap& stTrap) {
    Check(stTrap.nSpecific == 7, "the injected event's trap number",
          std::to_string(stTrap.nSpecific));
    if (Check(stTrap.stVars.len == 3, "two arguments and the description",
              std::to_string(stTrap.stVars.len))) {
        RFC1157VarBind* pVars = stTrap.stVars.list;
        Check(OidText(pVars[0].name) == RAID + ".2.1.1" && IsInteger(pVars[0], 1) &&
                  OidText(pVars[1].name) == RAID + ".2.1.6" && IsInteger(pVars[1], 66),
              "the injected event's variables under the RAID prefix", OidText(pVars[0].name));
    }
}

// Both start-up events arrive, in either order, one after the other.
void TestStartupTraps(CAgentService& service) {
    Check(WaitForSingleObject(g_hTrapEvent, TRAP_WAIT_MS) == WAIT_OBJECT_0,
          "the start-up thread signals the trap event");
    Check(!TakeTrap(service).bResult, "the first poll finds no trap");
    bool bProbeSeen = false;
    bool bRaidSeen = false;
    for (int nTrap = 0; nTrap < 2; ++nTrap) {
        CTakenTrap stTrap;
        if (WaitForSingleObject(g_hTrapEvent, TRAP_WAIT_MS) == WAIT_OBJECT_0) {
            stTrap = TakeTrap(service);
        }
        std::string strEnterprise = stTrap.bResult ? OidText(stTrap.stEnterprise) : "none";
        if (strEnterprise == PROBE + ".100" && !bProbeSeen) {
            bProbeSeen = true;
            CheckProbeTrap(stTrap);
        } else if (strEnterprise == RAID + ".100" && !bRaidSeen) {
            bRaidSeen = true;
            CheckRaidTrap(stTrap);
        } else {
            Check(false, "a start-up event arrives as a trap", "enterprise " + strEnterprise);
        }
        ReleaseTrap(stTrap);
        Check(!TakeTrap(service).bResult, "the queue is empty after one trap");
    }
    Check(bProbeSeen, "the event reported while Init runs arrives as a trap");
    Check(bRaidSeen, "the event raised the instant Init returned arrives as a trap");
    Check(ProbeStartupReport(TRAP_WAIT_MS).iResult == 1,
          "the probe's callback answers 1 once its trap is queued");
}

// The RAID library answers its own OIDs; the missing library's answer none.
void TestMissingLibraryTakesNoOid(CAgentService& service) {
    auto pCount = service.queryOne(SNMP_PDU_GET, RAID + ".1.2.0");
    Check(pCount->nErrorStatus == 0 && IsInteger(pCount->binding(0), 2),
          "a scalar of the library after the missing one", Show(*pCount));
    auto pModel = service.queryOne(SNMP_PDU_GET, RAID + ".2.1.2.1");
    Check(pModel->nErrorStatus == 0 && pModel->text(0).size() > 0,
          "a table cell of the library after the missing one", Show(*pModel));
    auto pNext = service.queryOne(SNMP_PDU_GETNEXT, RAID + ".2.1.2.0");
    Check(pNext->nErrorStatus == 0 && pNext->name(0) == RAID + ".2.1.2.1",
          "a get-next within the library after the missing one", Show(*pNext));
    CRequest set({RAID + ".2.1.7.1"});
    set.setInteger(0, 37);
    service.query(SNMP_PDU_SET, set);
    auto pRead = service.queryOne(SNMP_PDU_GET, RAID + ".2.1.7.1");
    Check(set.nErrorStatus == 0 && IsInteger(pRead->binding(0), 37),
          "a set in the library after the missing one is read back", Show(set));
    auto pArc = service.queryOne(SNMP_PDU_GETNEXT, ENTERPRISE);
    Check(pArc->nErrorStatus == 0 && pArc->name(0) == RAID + ".1.1.0",
          "a walk from the arc passes over the missing library", Show(*pArc));
    auto pPast = service.queryOne(SNMP_PDU_GETNEXT, MISSING + ".1.1.1.5");
    Check(pPast->nErrorStatus == 0 && pPast->name(0) == RAID + ".1.1.0",
          "a get-next in the missing library's subtree goes on in the next one", Show(*pPast));
    auto pMissing = service.queryOne(SNMP_PDU_GET, MISSING + ".1.1.1.0");
    Check(pMissing->nErrorStatus == 2 && pMissing->nErrorIndex == 1,
          "an OID of the missing library has no object", Show(*pMissing));
    // The set above makes the library report event 301: take it, so that
    // Close finds the list free.
    if (WaitForSingleObject(g_hTrapEvent, TRAP_WAIT_MS) == WAIT_OBJECT_0) {
        CTakenTrap stTrap = TakeTrap(service);
        ReleaseTrap(stTrap);
        TakeTrap(service);
    }
}

} // namespace

int main() {
    CAgentService service;
    if (!Check(service.load("korvosnmp.dll"), "korvosnmp.dll loads with its five entry points")) {
        return 1;
    }
    printf("start-up test of the %d-bit agent\n", static_cast<int>(sizeof(void*) * 8));
    TestInit(service);
    TestStartupTraps(service);
    TestMissingLibraryTakesNoOid(service);
    service.pfnClose();
    Check(service.unload(), "FreeLibrary unloads the agent");
    printf("%d checks, %d failed\n", g_nChecks, g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}
