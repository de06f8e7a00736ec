// The md library as a whole: the root folder it reads, its snapshot cache,
// its two holders and its event thread, behind the four exports.
#ifndef KORVOMD_CMDLIBRARY_H
#define KORVOMD_CMDLIBRARY_H

#include "CMdEventThread.h"
#include "CMdFiles.h"
#include "CMdHolder.h"
#include "CMdProblemLog.h"
#include "CMdSnapshotCache.h"
#include "StorageLib.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

extern const char* const MD_RESCAN_ENV; // "KORVOMD_RESCAN_SECONDS"

// The rescan interval that the environment asks for (1 to 3600 seconds),
// else 5 seconds; a value that is no such number is logged.
std::chrono::milliseconds RescanIntervalFromEnvironment();

class CMdLibrary {
  public:
    // Takes the root folder and the rescan interval from the environment;
    // a library that is ready stays as it is. Always true: a host without
    // md has no arrays, which is no failure.
    bool initialize();
    // The holder of MdArray or MdMember, or null.
    CBaseHolder* getHolder(const char* pszClassName);
    // Registers an event callback; 0 when registered.
    unsigned long startEvents(pCallBackNotification pfnCallback, int iLibIndex);
    // Stops the event thread and forgets the registrations; initialize
    // starts over. Holders handed out stay valid.
    void unload();

  private:
    // What one initialisation builds; gone with unload.
    struct CMdState {
        CMdState(const std::string& strRoot, CMdProblemLog& stLog);
        CMdFiles stFiles;
        CMdSnapshotCache stCache;
        CMdEventThread stEvents;
        std::unique_ptr<CMdHolder> apHolders[MD_CLASS_COUNT];
    };

    std::mutex m_mutex;
    bool m_bReady = false;
    CMdProblemLog m_stLog;
    std::chrono::milliseconds m_tRescanInterval{5000};
    std::unique_ptr<CMdState> m_pState;
    // States of an earlier root, kept for the holders the agent may still use.
    std::vector<std::unique_ptr<CMdState>> m_vRetired;
};

#endif // KORVOMD_CMDLIBRARY_H
