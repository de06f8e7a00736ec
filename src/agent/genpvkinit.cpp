// Agent initialisation of the daemon: reads the MIB definitions, loads one
// storage library per definition in library-index order, initialises it,
// binds its holder export, records its OID prefix, starts its event delivery
// towards the trap callback, and marks the agent ready.
#include "genpvkinit.h"

#include "dispatch/FindHolder.h"
#include "dispatch/genpvkdispatch.h"
#include "korvoversion.h"
#include "mib/parseini.h"
#include "mib/parseinifile.h"
#include "platform/AgentReport.h"
#include "platform/AgentSignals.h"
#include "platform/snmpapi.h"
#include "traps/genpvktrap.h"
#include "traps/genpvktrapdest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

const int MAX_LIBRARY_ENTRIES = 20;
const UINT MAX_PREFIX_IDS = 20;
const int HANDOVER_TEXT_SIZE = 24;

char szAgtVer[HANDOVER_TEXT_SIZE] = KORVO_LIBRARY_AGENT_VERSION;

// Row i holds the prefix numbers of library entry i (its MibOidPrefix points
// here). Writer: CreateASNFromOID during agent initialisation on the main
// thread. Readers: whoever reads the entry's MibOidPrefix (g_pMIB_DC).
UINT g_aPrefixTable[MAX_LIBRARY_ENTRIES][MAX_PREFIX_IDS];

// The texts getOID_DLL hands over for one library.
struct LibraryTexts {
    char szOIDPrefix[HANDOVER_TEXT_SIZE];
    char szDLLName[HANDOVER_TEXT_SIZE];
    char szOIDView[HANDOVER_TEXT_SIZE];
    char szMIBVersion[HANDOVER_TEXT_SIZE];
};

// Ends the process after a loader failure: the banner on standard output
// (discarded once detached), and one line naming the library, the
// definition's prefix and the loader's text on standard error and in the
// system log.
[[noreturn]] void LoaderFailure(const char* pszBanner, const LibraryTexts& stTexts,
                                const char* pszStep) {
    if (pszBanner != nullptr) {
        printf("%s\n", pszBanner);
    }
    const char* pszError = dlerror();
    ReportStartupError("storage library %s of the MIB definition %s %s: %s", stTexts.szDLLName,
                       stTexts.szOIDPrefix, pszStep, pszError ? pszError : "unknown loader error");
    exit(1);
}

// A definition the tables cannot hold ends the process like a library that
// does not load.
[[noreturn]] void RefuseDefinition(int iIndex, const char* pszReason) {
    ReportStartupError("MIB definition %d (%s) refused: %s", iIndex,
                       g_ParseINIarr[iIndex < g_iNoOfDeviceType ? iIndex : 0].m_szOIDPrefix,
                       pszReason);
    exit(1);
}

void* BindExport(void* pHandle, const char* pszName, const char* pszBanner,
                 const LibraryTexts& stTexts) {
    dlerror();
    void* pExport = dlsym(pHandle, pszName);
    if (pExport == nullptr) {
        char szStep[64];
        snprintf(szStep, sizeof(szStep), "lacks the export %s", pszName);
        LoaderFailure(pszBanner, stTexts, szStep);
    }
    return pExport;
}

// A data source is a plain file-name part: with a "/" the loader would take
// the library name as a path to anywhere.
bool IsPlainDataSource(int i) {
    return strchr(g_ParseINIarr[i].m_szDataSrc, '/') == nullptr &&
           g_ParseINIarr[i].m_szDataSrc[0] != '\0';
}

// Brings up library entry i; ends the process when it cannot.
void BringUpLibrary(int i) {
    LibraryTexts stTexts;
    memset(&stTexts, 0, sizeof(stTexts));
    if (!getOID_DLL(i, OS_TYPE_LINUX, stTexts.szOIDPrefix, stTexts.szDLLName, stTexts.szOIDView,
                    stTexts.szMIBVersion)) {
        RefuseDefinition(i, "its library name does not fit 23 characters");
    }
    if (CountOidComponents(stTexts.szOIDPrefix) > static_cast<int>(MAX_PREFIX_IDS)) {
        RefuseDefinition(i, "its OID prefix has more than 20 sub-identifiers");
    }
    if (!IsPlainDataSource(i)) {
        RefuseDefinition(i, "its DATA_SRC is empty or not a plain file-name part");
    }
    MIB_DC& stEntry = g_pMIB_DC[i];
    stEntry.handle = dlopen(stTexts.szDLLName, RTLD_LAZY);
    if (stEntry.handle == nullptr) {
        LoaderFailure("##############Error0###########", stTexts, "does not load");
    }
    stEntry.nClientIPCount = GetClientIPList(getTrapDestinationFileName(i), stEntry.ClientIPList);

    InitDLL pfnInitializeDll = reinterpret_cast<InitDLL>(
        BindExport(stEntry.handle, "InitializeDll", "##############Error###########", stTexts));
    // Kept as it stands: the banner on standard output and status 0. The
    // daemon has detached, so only the standard-error line and the system
    // log line are seen; the service manager restarts the daemon on any end
    // (Restart=always) and the init scripts written for earlier releases
    // treat a non-zero status of the daemon as "not installed".
    if (!pfnInitializeDll(szAgtVer, stTexts.szMIBVersion)) {
        printf("INITIALIZE FAILED!!!!\n");
        ReportStartupError("storage library %s of the MIB definition %s: InitializeDll failed",
                           stTexts.szDLLName, stTexts.szOIDPrefix);
        exit(0);
    }
    stEntry.m_pholder = reinterpret_cast<InitFunc>(BindExport(
        stEntry.handle, "getObjectHolderByName_c", "##############Error1###########", stTexts));
    memcpy(stEntry.pszOIDPrefix, stTexts.szOIDPrefix, sizeof(stEntry.pszOIDPrefix));
    CreateASNFromOID(stEntry.pszOIDPrefix, stEntry.MibOidPrefix, i);
    getHolder("Adapter", stEntry.pszOIDPrefix);

    EventFunc pfnStartEvents = reinterpret_cast<EventFunc>(
        BindExport(stEntry.handle, "startEventProcessing", nullptr, stTexts));
    pfnStartEvents(MyCallback, i);
}

} // namespace

void CreateASNFromOID(char* pstrOID, AsnObjectIdentifier& pASNObj, int indx) {
    pASNObj.ids = g_aPrefixTable[indx];
    pASNObj.idLength = 0;
    ParseOidBounded(pstrOID, &pASNObj, MAX_PREFIX_IDS);
}

int SnmpExtensionInit(DWORD /*dwTimeZeroReference*/, HANDLE /*hPollForTrapEvent*/) {
    zund_initover = 0;
    g_noOfDLL = initParseINI(OS_TYPE_LINUX);
    // A stop asked for meanwhile ends the start between its steps: the
    // caller acts on it when this returns 0.
    if (g_bStopRequested) {
        return 0;
    }
    if (g_noOfDLL < 1) {
        g_noOfDLL = 0;
        return 0;
    }
    if (g_noOfDLL > MAX_LIBRARY_ENTRIES) {
        RefuseDefinition(MAX_LIBRARY_ENTRIES, "more than 20 MIB definitions");
    }
    g_pMIB_DC = new MIB_DC[g_noOfDLL];
    int nBroughtUp = 0;
    for (int i = 0; i < g_noOfDLL; ++i) {
        BringUpLibrary(i);
        ++nBroughtUp;
        if (g_bStopRequested) {
            return 0;
        }
    }
    if (nBroughtUp > 0) {
        zund_initover = 1;
        return 1;
    }
    return 0;
}
