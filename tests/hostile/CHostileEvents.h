// The hostile library's events. A test asks for a burst by writing
// "COUNT ARGC KIND" lines to the control file's path + ".events" (the file is
// taken and removed within 20 ms): COUNT events of code 0x101 with iArgCount
// ARGC (any int, -1 and 1000 included) and, for KIND "unterminated", a
// description and argument texts filled to their last byte with no
// terminator. Every event sent is counted in the control file's path + ".sent".
#ifndef KORVO_CHOSTILEEVENTS_H
#define KORVO_CHOSTILEEVENTS_H

#include "StorageLib.h"

class CHostileEvents {
  public:
    // Registers the agent's callback for a library index and starts the
    // event thread once; fires the early events when asked to.
    static void Start(pCallBackNotification pfnCallback, int iLibIndex);

  private:
    static void* ThreadMain(void*);
    static void FireBursts();
    static void Fire(int nArgCount, bool bUnterminated);
    static void CountSent(int nSent);
};

#endif // KORVO_CHOSTILEEVENTS_H
