// Agent initialisation of the Windows extension agent: reads the MIB
// definitions, loads one storage library per definition (a library that
// fails is skipped), initialises it, binds its holder export, records its
// OID prefix and starts its event delivery towards the trap callback; then
// starts the trap hand-off's start-up thread.
#include "CTraceScope.h"
#include "TrapQueue.h"
#include "agent/genpvkinit.h"
#include "dispatch/FindHolder.h"
#include "dispatch/genpvkdispatch.h"
#include "genpvkwin.h"
#include "korvoversion.h"
#include "mib/parseini.h"
#include "mib/parseinifile.h"
#include "platform/snmpapi.h"
#include "traps/genpvktrap.h"

#include <cstring>

DWORD g_dwTimeZeroReference = 0;
volatile LONG g_bAgentClosing = 0;
volatile LONG g_nInitThreadId = 0;

namespace {

const int MAX_LIBRARY_ENTRIES = 20;
const UINT MAX_PREFIX_IDS = 20;
const int HANDOVER_TEXT_SIZE = 24;
const char* const ENTERPRISE_ARC = "1.3.6.1.4.1.7310";
const UINT ENTERPRISE_ARC_IDS = 7;

char szAgtVer[HANDOVER_TEXT_SIZE] = KORVO_WINDOWS_LIBRARY_AGENT_VERSION;

// Row i holds the prefix numbers of library entry i (its MibOidPrefix points
// here). Writer: CreateASNFromOID during SnmpExtensionInit. Readers: whoever
// reads the entry's MibOidPrefix (g_pMIB_DC).
UINT g_aPrefixTable[MAX_LIBRARY_ENTRIES][MAX_PREFIX_IDS];
// The numbers of g_stEnterpriseOid.
UINT g_aEnterpriseIds[ENTERPRISE_ARC_IDS] = {1, 3, 6, 1, 4, 1, 7310};

// The texts getOID_DLL hands over for one library.
struct LibraryTexts {
    char szOIDPrefix[HANDOVER_TEXT_SIZE];
    char szDLLName[HANDOVER_TEXT_SIZE];
    char szOIDView[HANDOVER_TEXT_SIZE];
    char szMIBVersion[HANDOVER_TEXT_SIZE];
};

// An export of the library by name, or null.
template <typename TExport> TExport BindExport(HMODULE hLibrary, const char* pszName) {
    // Through the generic function type, which any function type converts to.
    return reinterpret_cast<TExport>(
        reinterpret_cast<void (*)()>(GetProcAddress(hLibrary, pszName)));
}

// Binds the holder export and records the prefix; false (library released)
// when the export is missing.
bool BindHolderExport(MIB_DC& stEntry, const LibraryTexts& stTexts, int k) {
    stEntry.m_pholder = BindExport<InitFunc>(stEntry.handle, "getObjectHolderByName_c");
    if (stEntry.m_pholder == nullptr) {
        AgentTrace("GetProcAddress failed");
        FreeLibrary(stEntry.handle);
        stEntry.handle = nullptr;
        return false;
    }
    memcpy(stEntry.pszOIDPrefix, stTexts.szOIDPrefix, sizeof(stEntry.pszOIDPrefix));
    CreateASNFromOID(stEntry.pszOIDPrefix, stEntry.MibOidPrefix, k);
    AgentTrace("ASN Created");
    return true;
}

// Initialises the library and starts its events; a missing export is traced
// and the rest of this library's steps are skipped.
void StartLibrary(MIB_DC& stEntry, LibraryTexts& stTexts, int k) {
    InitDLL pfnInitializeDll = BindExport<InitDLL>(stEntry.handle, "InitializeDll");
    if (pfnInitializeDll == nullptr) {
        AgentTrace("GetProcAddress Fails: can not find InitializeDll");
        return;
    }
    AgentTrace("InitializeDll()  collected");
    pfnInitializeDll(szAgtVer, stTexts.szMIBVersion);
    AgentTrace("dll initialized");
    EventFunc pfnStartEvents = BindExport<EventFunc>(stEntry.handle, "startEventProcessing");
    if (pfnStartEvents == nullptr) {
        AgentTrace("GetProcAddress failed\n");
        return;
    }
    pfnStartEvents(MyCallback, k);
    AgentTrace("Event processing started");
}

// Brings up library entry k; true when it loaded and its holder export is
// bound (a released library does not make the agent ready).
bool LoadLibraryEntry(int k) {
    LibraryTexts stTexts;
    memset(&stTexts, 0, sizeof(stTexts));
    if (!getOID_DLL(k, OS_TYPE_WINDOWS, stTexts.szOIDPrefix, stTexts.szDLLName, stTexts.szOIDView,
                    stTexts.szMIBVersion) ||
        CountOidComponents(stTexts.szOIDPrefix) > static_cast<int>(MAX_PREFIX_IDS)) {
        AgentTrace("MIB definition refused: its names do not fit\n");
        return false;
    }
    MIB_DC& stEntry = g_pMIB_DC[k];
    stEntry.handle = LoadLibraryA(stTexts.szDLLName);
    if (stEntry.handle == nullptr) {
        AgentTrace("LoadLibrary failed\n");
        return false;
    }
    if (!BindHolderExport(stEntry, stTexts, k)) {
        return false;
    }
    StartLibrary(stEntry, stTexts, k);
    return true;
}

// Reads the definitions and brings up their libraries, once per load of
// the agent's entries. Returns how many libraries are up.
int LoadLibraries() {
    if (g_pMIB_DC != nullptr) {
        int nUp = 0;
        for (int k = 0; k < g_noOfDLL; ++k) {
            nUp += g_pMIB_DC[k].handle != nullptr ? 1 : 0;
        }
        return nUp;
    }
    int nEntries = initParseINI(OS_TYPE_WINDOWS);
    g_noOfDLL =
        nEntries < 1 ? 0 : (nEntries > MAX_LIBRARY_ENTRIES ? MAX_LIBRARY_ENTRIES : nEntries);
    g_pMIB_DC = new MIB_DC[g_noOfDLL > 0 ? g_noOfDLL : 1];
    int nLoaded = 0;
    for (int k = 0; k < g_noOfDLL; ++k) {
        nLoaded += LoadLibraryEntry(k) ? 1 : 0;
    }
    return nLoaded;
}

// Starts the start-up thread, after a previous one has ended. False when it
// cannot be started; start-up has then settled without a list.
bool StartAgentThread() {
    if (hAgentThread != nullptr) {
        WaitForSingleObject(hAgentThread, INFINITE);
        CloseHandle(hAgentThread);
    }
    hAgentThread = CreateThread(nullptr, 0, CreateMibAndAgent, nullptr, 0, nullptr);
    if (hAgentThread == nullptr) {
        SetEvent(hVarListSettledEvent);
        return false;
    }
    return true;
}

} // namespace

// Valid from the load on, so that a get-next before Init has its end of view;
// SnmpExtensionInit builds it again from its text.
AsnObjectIdentifier g_stEnterpriseOid = {ENTERPRISE_ARC_IDS, g_aEnterpriseIds};

void CreateASNFromOID(char* pstrOID, AsnObjectIdentifier& pASNObj, int indx) {
    pASNObj.ids = g_aPrefixTable[indx];
    pASNObj.idLength = 0;
    ParseOidBounded(pstrOID, &pASNObj, MAX_PREFIX_IDS);
}

BOOL InitialiseAgent(DWORD dwTimeZeroReference, HANDLE* phPollForTrapEvent,
                     AsnObjectIdentifier* pFirstSupportedRegion) {
    zund_initover = 0;
    g_dwTimeZeroReference = dwTimeZeroReference;
    *phPollForTrapEvent = hTrapEvent;
    if (hTrapEvent == nullptr || hVarListFreeEvent == nullptr || hVarListSettledEvent == nullptr) {
        AgentTrace("Init Failed: the trap events could not be created");
        return FALSE;
    }
    InterlockedExchange(&g_bAgentClosing, 0);
    g_stEnterpriseOid.ids = g_aEnterpriseIds;
    ParseOidBounded(ENTERPRISE_ARC, &g_stEnterpriseOid, ENTERPRISE_ARC_IDS);
    *pFirstSupportedRegion = g_stEnterpriseOid;

    // Events of the libraries started below wait until the start-up thread
    // has made the trap variable list.
    ResetEvent(hVarListSettledEvent);
    InterlockedExchange(&g_nInitThreadId, static_cast<LONG>(GetCurrentThreadId()));
    int nLoaded = LoadLibraries();
    bool bStarted = StartAgentThread();
    InterlockedExchange(&g_nInitThreadId, 0);
    if (!bStarted) {
        return FALSE;
    }
    if (nLoaded > 0) {
        zund_initover = 1;
        AgentTrace("Init Successful");
        return TRUE;
    }
    AgentTrace("Init Failed");
    return FALSE;
}

void UnloadLibraries() {
    for (int k = 0; g_pMIB_DC != nullptr && k < g_noOfDLL; ++k) {
        HMODULE hLibrary = g_pMIB_DC[k].handle;
        if (hLibrary == nullptr) {
            continue;
        }
        UnloadFunc pfnReadyForUnload = BindExport<UnloadFunc>(hLibrary, "readyForUnload");
        if (pfnReadyForUnload != nullptr) {
            pfnReadyForUnload();
        } else {
            AgentTrace("GetProcAddress failed readyForUnload\n");
        }
        FreeLibrary(hLibrary);
        g_pMIB_DC[k].handle = nullptr;
    }
    delete[] g_pMIB_DC;
    g_pMIB_DC = nullptr;
    g_noOfDLL = 0;
}

BOOL WINAPI SnmpExtensionInit(DWORD dwTimeZeroReference, HANDLE* phPollForTrapEvent,
                              AsnObjectIdentifier* pFirstSupportedRegion) {
    CTraceScope scope("SnmpExtensionInit");
    return InitialiseAgent(dwTimeZeroReference, phPollForTrapEvent, pFirstSupportedRegion);
}
