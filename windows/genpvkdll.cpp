// The DLL's load and unload: the events are made when the SNMP service
// loads the agent and closed, with the start-up thread's handle, when it
// unloads it.
#include "CTraceScope.h"
#include "genpvkwin.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"

HANDLE hTrapEvent = nullptr;
HANDLE hVarListFreeEvent = nullptr;
HANDLE hAgentThread = nullptr;
HANDLE hVarListSettledEvent = nullptr;

namespace {

void CloseAndClear(HANDLE& hHandle) {
    if (hHandle != nullptr) {
        CloseHandle(hHandle);
        hHandle = nullptr;
    }
}

} // namespace

BOOL InitDll() {
    CTraceScope scope("InitDll");
    // The extension agent's get-next ends past the last definition with the
    // binding as the walk left it; the query answers the end of the view.
    g_iEndOfWalkResult = NEXT_ENTRY_NONE;
    hTrapEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    hVarListFreeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    hVarListSettledEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // A missing event makes SnmpExtensionInit refuse; loading goes on.
    return TRUE;
}

void ReleaseDll() {
    CloseAndClear(hAgentThread);
    CloseAndClear(hTrapEvent);
    CloseAndClear(hVarListFreeEvent);
    CloseAndClear(hVarListSettledEvent);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE /*hInstance*/, DWORD dwReason, LPVOID /*pReserved*/) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        return InitDll();
    }
    if (dwReason == DLL_PROCESS_DETACH) {
        ReleaseDll();
    }
    return TRUE;
}
