// The library's event thread: it reads event lines from the FIFO, moves
// rebuilds on, and reports every event to every registered callback, each
// with the library index given at registration.
#ifndef KORVOSIM_CSIMEVENTTHREAD_H
#define KORVOSIM_CSIMEVENTTHREAD_H

#include "CSimMutex.h"
#include "CSimRecords.h"
#include "CSimStack.h"
#include "StorageLib.h"

#include <atomic>
#include <mutex>
#include <string>
#ifndef _WIN32
#include <thread>
#endif
#include <utility>
#include <vector>

// Where the FIFO is made unless the environment variable names another path.
extern const char* const SIM_EVENTS_DEFAULT_PATH; // "/run/korvosim/events"
extern const char* const SIM_EVENTS_ENV;          // "KORVOSIM_EVENTS"

// Copies an event into the record handed to the agent.
void FillEventInfo(const CSimEvent& stEvent, int iLibIndex, CEventInfo& stInfo);

class CSimEventThread {
  public:
    explicit CSimEventThread(CSimStack& stStack) : m_stStack(stStack) {}
    ~CSimEventThread() { stop(); }
    CSimEventThread(const CSimEventThread&) = delete;
    CSimEventThread& operator=(const CSimEventThread&) = delete;

    // Registers a callback with its library index and starts the thread on
    // the first registration. A pair registered before is kept once.
    void addRegistration(pCallBackNotification pfnCallback, int iLibIndex);

    // Hands events to the thread for delivery; dropped when it is not running.
    void post(const SimEventList& vEvents);

    // Stops the thread, removes the FIFO it made and forgets the
    // registrations. Safe to call at any time, also more than once.
    void stop();

#ifdef _WIN32
    // Windows has no FIFO: event lines arrive through the library's extra
    // export and are carried out on the event thread like FIFO lines.
    void postLine(const std::string& strLine);
#endif

  private:
    typedef std::pair<pCallBackNotification, int> Registration;

    void run();
#ifdef _WIN32
    static DWORD WINAPI threadMain(LPVOID pThis);
    void handlePostedLines();
#else
    void openFifo();
    void closeFifo();
    void readFifo();
#endif
    void handleLine(const std::string& strLine);
    void deliverQueued();
    void deliver(const SimEventList& vEvents);
    void waitForWork();

    CSimStack& m_stStack;
    CSimMutex m_lifecycleMutex; // start and stop
    CSimMutex m_mutex;          // registrations and queue
    std::vector<Registration> m_vRegistrations;
    SimEventList m_vQueue;
    std::atomic<bool> m_bStop{false};
    bool m_bRunning = false; // events are accepted; guarded by m_mutex
#ifdef _WIN32
    std::vector<std::string> m_vLines; // posted event lines; guarded by m_mutex
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadId = 0;
    HANDLE m_hWake = nullptr; // auto-reset: work was posted or a stop asked
#else
    std::thread m_thread;
    int m_aWakePipe[2] = {-1, -1};
    int m_fdFifo = -1;       // read end
    int m_fdFifoKeeper = -1; // our own writer, so the FIFO never reports hang-up
    bool m_bFifoCreated = false;
    std::string m_strFifoPath;
    std::string m_strPartialLine;
#endif
};

#endif // KORVOSIM_CSIMEVENTTHREAD_H
