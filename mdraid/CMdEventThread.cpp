#include "CMdEventThread.h"

#include "CMdEventFinder.h"
#include "CMdScanner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

namespace {

// The attributes of an array that the kernel notifies changes of.
const char* const g_apszNotifyingAttributes[] = {"array_state", "degraded", "sync_action"};

// A notification often comes with others (a failure changes the member, the
// degraded count and the sync action): the scan waits for them a moment,
// which also bounds how often a noisy file makes it scan.
const std::chrono::milliseconds MD_SETTLE_TIME(100);

void CopyText(char* pszTarget, const std::string& strText) {
    snprintf(pszTarget, EVENT_TEXT_SIZE, "%s", strText.c_str());
}

void CloseDescriptor(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// Opens a file to watch and reads it, which arms the kernel's notification;
// -1 when it does not exist or is no regular file.
int OpenWatched(const std::string& strPath) {
    int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat stInfo;
    char acBuffer[4096];
    if (fstat(fd, &stInfo) != 0 || !S_ISREG(stInfo.st_mode)) {
        close(fd);
        return -1;
    }
    while (read(fd, acBuffer, sizeof(acBuffer)) > 0) {
    }
    return fd;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point tUntil) {
    auto tLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
        tUntil - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, tLeft.count()));
}

void DrainPipe(int fd) {
    char acDrain[64];
    while (read(fd, acDrain, sizeof(acDrain)) > 0) {
    }
}

} // namespace

void FillEventInfo(const CMdEvent& stEvent, int iLibIndex, CEventInfo& stInfo) {
    stInfo = CEventInfo();
    stInfo.iLibIndex = iLibIndex;
    stInfo.iEventCode = stEvent.nCode;
    CopyText(stInfo.szDescription, stEvent.strDescription);
    size_t nArgs = std::min(stEvent.vArgs.size(), static_cast<size_t>(EVENT_MAX_ARGS));
    stInfo.iArgCount = static_cast<int>(nArgs);
    for (size_t iArg = 0; iArg < nArgs; ++iArg) {
        CopyText(stInfo.aArgs[iArg].szArgText, stEvent.vArgs[iArg].strText);
        stInfo.aArgs[iArg].iArgValue = stEvent.vArgs[iArg].nValue;
    }
}

void CMdEventThread::addRegistration(pCallBackNotification pfnCallback, int iLibIndex,
                                     std::chrono::milliseconds tRescanInterval) {
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Registration stRegistration(pfnCallback, iLibIndex);
        if (std::find(m_vRegistrations.begin(), m_vRegistrations.end(), stRegistration) ==
            m_vRegistrations.end()) {
            m_vRegistrations.push_back(stRegistration);
        }
    }
    if (m_thread.joinable()) {
        return;
    }
    if (pipe2(m_aWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        CMdProblemLog::logLine(LOG_ERR, std::string("cannot start the event thread: ") +
                                            strerror(errno) + "; no md events are reported");
        return;
    }
    m_tRescanInterval = tRescanInterval;
    m_stBefore = scan();
    m_bStop = false;
    m_thread = std::thread(&CMdEventThread::run, this);
}

void CMdEventThread::stop() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    if (m_thread.joinable()) {
        m_bStop = true;
        char cWake = 1;
        if (write(m_aWakePipe[1], &cWake, 1) < 0) {
            // The pipe is full: the thread wakes anyway.
        }
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach(); // stopped from inside a callback
        } else {
            m_thread.join();
            closeWatches();
        }
    }
    CloseDescriptor(m_aWakePipe[0]);
    CloseDescriptor(m_aWakePipe[1]);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vRegistrations.clear();
}

CMdSnapshot CMdEventThread::scan() {
    MdProblemList vProblems;
    CMdSnapshot stSnapshot = CMdScanner(m_stFiles).scan(vProblems);
    m_stLog.report(vProblems);
    return stSnapshot;
}

void CMdEventThread::run() {
    auto tNextScan = std::chrono::steady_clock::now() + m_tRescanInterval;
    while (!m_bStop) {
        armWatches(m_stBefore);
        if (waitForChange(tNextScan)) {
            pause(MD_SETTLE_TIME);
        }
        if (m_bStop) {
            break;
        }
        CMdSnapshot stAfter = scan();
        tNextScan = std::chrono::steady_clock::now() + m_tRescanInterval;
        deliver(FindEvents(m_stBefore, stAfter));
        m_stBefore = CarryKnownValues(m_stBefore, stAfter);
    }
}

void CMdEventThread::armWatches(const CMdSnapshot& stSnapshot) {
    closeWatches();
    std::vector<std::string> vPaths = {m_stFiles.mdstatPath()};
    for (const CMdArray& stArray : stSnapshot.vArrays) {
        for (const char* pszAttribute : g_apszNotifyingAttributes) {
            vPaths.push_back(m_stFiles.mdFolder(stArray.strName) + "/" + pszAttribute);
        }
    }
    for (const std::string& strPath : vPaths) {
        int fd = OpenWatched(strPath);
        if (fd >= 0) {
            m_vWatched.push_back(fd);
        }
    }
}

void CMdEventThread::closeWatches() {
    for (int& fd : m_vWatched) {
        CloseDescriptor(fd);
    }
    m_vWatched.clear();
}

// The kernel flags a changed attribute with POLLPRI (and POLLERR); a plain
// file never does, so a tree of plain files waits for the rescan.
bool CMdEventThread::waitForChange(std::chrono::steady_clock::time_point tUntil) {
    std::vector<pollfd> vWatched = {{m_aWakePipe[0], POLLIN, 0}};
    for (int fd : m_vWatched) {
        vWatched.push_back({fd, POLLPRI, 0});
    }
    while (!m_bStop) {
        int nReady = poll(vWatched.data(), vWatched.size(), MillisecondsUntil(tUntil));
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0) {
            return false;
        }
        if (vWatched[0].revents != 0) {
            DrainPipe(m_aWakePipe[0]);
            continue;
        }
        return true;
    }
    return false;
}

void CMdEventThread::pause(std::chrono::milliseconds tPause) {
    pollfd stWake = {m_aWakePipe[0], POLLIN, 0};
    if (poll(&stWake, 1, static_cast<int>(tPause.count())) > 0) {
        DrainPipe(m_aWakePipe[0]);
    }
}

// Calls every registered callback once per event, outside the lock, so that
// a callback may read attributes.
void CMdEventThread::deliver(const MdEventList& vEvents) {
    if (vEvents.empty()) {
        return;
    }
    std::vector<Registration> vRegistrations;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        vRegistrations = m_vRegistrations;
    }
    CEventInfo stInfo;
    for (const CMdEvent& stEvent : vEvents) {
        for (const Registration& stRegistration : vRegistrations) {
            if (m_bStop) {
                return;
            }
            FillEventInfo(stEvent, stRegistration.second, stInfo);
            stRegistration.first(&stInfo);
        }
    }
}
