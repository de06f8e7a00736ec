// korvoprobe.dll: a storage library for the start-up test that reports its
// event at the earliest moments a library can: once on the agent's own
// thread from inside startEventProcessing, and once from a thread of its own
// started there, holding startEventProcessing back until the agent's
// callback has had time to answer. The agent is still in SnmpExtensionInit
// then, before its start-up thread has made the trap variable list.
//
// The event record is written byte by byte at the offsets that the agent of
// this width reads, not through StorageLib.h, so that the test sees the
// record as a library built elsewhere lays it out.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Byte offsets of the event record's fields in the agent of this width.
struct CEventLayout {
    size_t nLibIndex;
    size_t nArgCount;
    size_t nEventCode;
    size_t nDescription;
    size_t nArgText0;  // text of argument 0
    size_t nArgValue0; // integer of argument 0
    size_t nArgStride; // from one argument to the next
};
#ifdef _WIN64
const CEventLayout EVENT_LAYOUT = {8, 20, 24, 28, 228, 484, 304};
#else
const CEventLayout EVENT_LAYOUT = {4, 16, 20, 24, 220, 476, 300};
#endif
const size_t EVENT_RECORD_SIZE = 4096; // larger than the record of either width

const int PROBE_EVENT_CODE = 0x601;
const int PROBE_ARG_COUNT = 6;
const int PROBE_VALUE_BASE = 1000; // argument n carries the integer 1000 + n
const char* const PROBE_DESCRIPTION = "probe start-up event";

// How long startEventProcessing waits for the reporting thread to call the
// callback, and then for the callback to answer.
const DWORD PROBE_START_WAIT_MS = 5000;
const DWORD PROBE_HOLD_MS = 500;
const DWORD PROBE_UNLOAD_WAIT_MS = 10000;

typedef int (*PFNEVENTCALLBACK)(void* pEvent);

PFNEVENTCALLBACK g_pfnCallback = nullptr;
int g_iLibIndex = 0;
HANDLE g_hReporter = nullptr;
HANDLE g_hCalling = nullptr; // set just before the callback is called
volatile LONG g_nCallbackResult = -1;
int g_nSynchronousResult = -1; // of the call on the agent's thread
volatile LONG g_bAnsweredDuringStart = 0;

alignas(8) unsigned char g_aRecord[EVENT_RECORD_SIZE];

void PutInt(size_t nOffset, int iValue) {
    memcpy(g_aRecord + nOffset, &iValue, sizeof(iValue));
}

void PutText(size_t nOffset, const char* pszText) {
    memcpy(g_aRecord + nOffset, pszText, strlen(pszText) + 1);
}

// Argument n: the text "arg<n>" and the integer 1000 + n; the definition
// reads the text of the even ones and the integer of the odd ones.
void BuildRecord() {
    memset(g_aRecord, 0, sizeof(g_aRecord));
    PutInt(EVENT_LAYOUT.nLibIndex, g_iLibIndex);
    PutInt(EVENT_LAYOUT.nArgCount, PROBE_ARG_COUNT);
    PutInt(EVENT_LAYOUT.nEventCode, PROBE_EVENT_CODE);
    PutText(EVENT_LAYOUT.nDescription, PROBE_DESCRIPTION);
    for (int n = 0; n < PROBE_ARG_COUNT; ++n) {
        char szText[16];
        snprintf(szText, sizeof(szText), "arg%d", n);
        PutText(EVENT_LAYOUT.nArgText0 + EVENT_LAYOUT.nArgStride * n, szText);
        PutInt(EVENT_LAYOUT.nArgValue0 + EVENT_LAYOUT.nArgStride * n, PROBE_VALUE_BASE + n);
    }
}

DWORD WINAPI ReportStartupEvent(LPVOID /*pParam*/) {
    SetEvent(g_hCalling);
    InterlockedExchange(&g_nCallbackResult, g_pfnCallback(g_aRecord));
    return 0;
}

void CloseAndClear(HANDLE& hHandle) {
    if (hHandle != nullptr) {
        CloseHandle(hHandle);
        hHandle = nullptr;
    }
}

} // namespace

extern "C" {

__declspec(dllexport) bool InitializeDll(char* /*pszAgentVersion*/, char* /*pszMibVersion*/) {
    return true;
}

__declspec(dllexport) void* getObjectHolderByName_c(char* /*pszClassName*/) {
    return nullptr; // the probe serves no objects
}

__declspec(dllexport) unsigned long startEventProcessing(PFNEVENTCALLBACK pfnCallback,
                                                         int iLibIndex) {
    if (g_hReporter != nullptr) {
        return 0;
    }
    g_pfnCallback = pfnCallback;
    g_iLibIndex = iLibIndex;
    BuildRecord();
    g_nSynchronousResult = pfnCallback(g_aRecord);
    g_hCalling = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hReporter = CreateThread(nullptr, 0, ReportStartupEvent, nullptr, 0, nullptr);
    if (g_hCalling == nullptr || g_hReporter == nullptr) {
        fprintf(stderr, "korvoprobe: cannot start the reporting thread\n");
        return 0;
    }
    WaitForSingleObject(g_hCalling, PROBE_START_WAIT_MS);
    bool bAnswered = WaitForSingleObject(g_hReporter, PROBE_HOLD_MS) == WAIT_OBJECT_0;
    InterlockedExchange(&g_bAnsweredDuringStart, bAnswered ? 1 : 0);
    return 0;
}

__declspec(dllexport) void readyForUnload() {
    if (g_hReporter != nullptr) {
        WaitForSingleObject(g_hReporter, PROBE_UNLOAD_WAIT_MS);
    }
    CloseAndClear(g_hReporter);
    CloseAndClear(g_hCalling);
}

// For the test: the callback's result for the event reported on the agent's
// thread, whether it had answered the reporting thread's event before
// startEventProcessing returned, and, once it has answered that (waiting at
// most nWaitMs), its result; -1 while it has not.
__declspec(dllexport) int probeStartupReport(DWORD nWaitMs, int* piSynchronousResult,
                                             int* pbAnsweredDuringStart) {
    *piSynchronousResult = g_nSynchronousResult;
    *pbAnsweredDuringStart =
        static_cast<int>(InterlockedCompareExchange(&g_bAnsweredDuringStart, 0, 0));
    if (g_hReporter == nullptr || WaitForSingleObject(g_hReporter, nWaitMs) != WAIT_OBJECT_0) {
        return -1;
    }
    return static_cast<int>(InterlockedCompareExchange(&g_nCallbackResult, 0, 0));
}
}
