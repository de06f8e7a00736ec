// The four exports of the md storage library.
#include "CMdLibrary.h"
#include "StorageLib.h"

namespace {

CMdLibrary& Library() {
    static CMdLibrary s_library;
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
}
