// The four exports of the simulated storage library.
#include "CSimLibrary.h"
#include "StorageLib.h"

namespace {

CSimLibrary& Library() {
    static CSimLibrary s_library;
    return s_library;
}

} // namespace

extern "C" {

bool InitializeDll(char* /*pszAgentVersion*/, char* /*pszMibVersion*/) {
    return Library().initialize();
}

CBaseHolder* getObjectHolderByName_c(char* pszClassName) {
    return Library().getHolder(pszClassName);
}

unsigned long startEventProcessing(pCallBackNotification pfnCallback, int iLibIndex) {
    return Library().startEvents(pfnCallback, iLibIndex);
}

void readyForUnload() {
    Library().unload();
}

#ifdef _WIN32
// Windows has no event FIFO: a test or tool that loaded the library hands
// it the same event lines through this extra export.
STORAGELIB_EXPORT void simInjectEventLine(const char* pszLine) {
    Library().injectEventLine(pszLine);
}
#endif
}
