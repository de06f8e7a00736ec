// libkorvohostile: a storage library that misbehaves on request, for the
// agent's hostile-library tests. Built also without one export each
// (KORVO_HOSTILE_WITHOUT_HOLDER, _EVENTS, _INIT) to test missing exports.
#include "CHostileControl.h"
#include "CHostileEvents.h"
#include "CHostileHolder.h"

#include <unistd.h>

#ifndef KORVO_HOSTILE_WITHOUT_HOLDER
namespace {

CHostileHolder g_stHolder;

} // namespace
#endif

extern "C" {

#ifndef KORVO_HOSTILE_WITHOUT_INIT
STORAGELIB_EXPORT bool InitializeDll(char*, char*) {
    if (CHostileControl::Has("init-slow")) {
        CHostileControl::Note("slow init begins");
        sleep(3);
        CHostileControl::Note("slow init ends");
    }
    return true;
}
#endif

#ifndef KORVO_HOSTILE_WITHOUT_HOLDER
STORAGELIB_EXPORT CBaseHolder* getObjectHolderByName_c(char*) {
    return CHostileControl::Has("null-holder") ? nullptr : &g_stHolder;
}
#endif

#ifndef KORVO_HOSTILE_WITHOUT_EVENTS
STORAGELIB_EXPORT unsigned long startEventProcessing(pCallBackNotification pfnCallback,
                                                     int iLibIndex) {
    CHostileEvents::Start(pfnCallback, iLibIndex);
    return 0;
}
#endif

STORAGELIB_EXPORT void readyForUnload() {}
}
