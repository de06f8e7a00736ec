// The simulated storage library as a whole: its stack, its holders and its
// event thread, behind the four exports.
#ifndef KORVOSIM_CSIMLIBRARY_H
#define KORVOSIM_CSIMLIBRARY_H

#include "CSimEventThread.h"
#include "CSimHolder.h"
#include "CSimStack.h"
#include "CSimMutex.h"
#include "StorageLib.h"

#include <memory>
#include <mutex>
#include <string>

class CSimLibrary {
  public:
    CSimLibrary();

    // Reads the inventory and builds the stack; a library that is ready
    // stays as it is. False (with a message on standard error) when the
    // inventory file is bad.
    bool initialize();
    // The holder of a class, or null when the class is unknown or the
    // library is not ready.
    CBaseHolder* getHolder(const char* pszClassName);
    // Registers an event callback; 0 when registered.
    unsigned long startEvents(pCallBackNotification pfnCallback, int iLibIndex);
    // Stops the event thread and empties the stack; initialize starts over.
    void unload();
#ifdef _WIN32
    // Hands an event line to the event thread (Windows has no FIFO).
    void injectEventLine(const char* pszLine);
#endif

  private:
    CSimMutex m_mutex;
    bool m_bReady = false;
    CSimStack m_stStack;
    CSimEventThread m_stEvents;
    std::unique_ptr<CSimHolder> m_apHolders[SIM_CLASS_COUNT];
};

// The inventory file shipped beside the library file.
std::string DefaultInventoryPath();

#endif // KORVOSIM_CSIMLIBRARY_H
