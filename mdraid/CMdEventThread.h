// The library's event thread: it compares a fresh snapshot of the arrays
// with the one before whenever the kernel notifies a change (poll on
// array_state, degraded and sync_action of each array and on /proc/mdstat),
// and at least every rescan interval, where no notification arrives (a tree
// of plain files, a kernel attribute that does not notify), and reports each
// event to every registered callback, each with the library index given at
// registration.
#ifndef KORVOMD_CMDEVENTTHREAD_H
#define KORVOMD_CMDEVENTTHREAD_H

#include "CMdFiles.h"
#include "CMdProblemLog.h"
#include "CMdRecords.h"
#include "StorageLib.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Copies an event into the record handed to the agent; every text is cut
// to the record's field.
void FillEventInfo(const CMdEvent& stEvent, int iLibIndex, CEventInfo& stInfo);

class CMdEventThread {
  public:
    CMdEventThread(const CMdFiles& stFiles, CMdProblemLog& stLog)
        : m_stFiles(stFiles), m_stLog(stLog) {}
    ~CMdEventThread() { stop(); }
    CMdEventThread(const CMdEventThread&) = delete;
    CMdEventThread& operator=(const CMdEventThread&) = delete;

    // Registers a callback with its library index. The first registration
    // takes the snapshot that later ones are compared with (no event for
    // what exists already) and starts the thread. A pair registered before
    // is kept once.
    void addRegistration(pCallBackNotification pfnCallback, int iLibIndex,
                         std::chrono::milliseconds tRescanInterval);

    // Stops the thread at once and forgets the registrations. Safe to call
    // at any time, also more than once and from a callback.
    void stop();

  private:
    typedef std::pair<pCallBackNotification, int> Registration;

    CMdSnapshot scan();
    void run();
    // Opens and reads the files the kernel notifies changes of.
    void armWatches(const CMdSnapshot& stSnapshot);
    void closeWatches();
    // True when a watched file changed; false when the time ran out or a
    // stop was asked.
    bool waitForChange(std::chrono::steady_clock::time_point tUntil);
    void pause(std::chrono::milliseconds tPause);
    void deliver(const MdEventList& vEvents);

    const CMdFiles& m_stFiles;
    CMdProblemLog& m_stLog;
    std::mutex m_lifecycleMutex; // start and stop
    std::mutex m_mutex;          // registrations
    std::vector<Registration> m_vRegistrations;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
    std::chrono::milliseconds m_tRescanInterval{5000};
    CMdSnapshot m_stBefore; // the thread's own once it runs
    int m_aWakePipe[2] = {-1, -1};
    std::vector<int> m_vWatched;
};

#endif // KORVOMD_CMDEVENTTHREAD_H
