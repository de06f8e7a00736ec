#include "CSimEventThread.h"

#include "CSimCommand.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

const char* const SIM_EVENTS_DEFAULT_PATH = "/run/korvosim/events";
const char* const SIM_EVENTS_ENV = "KORVOSIM_EVENTS";

namespace {

void CopyText(char* pszTarget, const std::string& strText) {
    snprintf(pszTarget, EVENT_TEXT_SIZE, "%s", strText.c_str());
}

} // namespace

void FillEventInfo(const CSimEvent& stEvent, int iLibIndex, CEventInfo& stInfo) {
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

// The FIFO and the thread; Windows has its own form (CSimEventThreadWin.cpp).
#ifndef _WIN32
namespace {

// How long the thread sleeps when there is nothing to do, and how often a
// running rebuild moves on.
const int SIM_POLL_MS = 100;
const std::chrono::milliseconds SIM_REBUILD_STEP(200);

std::string FifoPath() {
    const char* pszPath = getenv(SIM_EVENTS_ENV);
    return pszPath != nullptr && *pszPath != '\0' ? pszPath : SIM_EVENTS_DEFAULT_PATH;
}

// Makes the FIFO's folder (one level) and the FIFO itself. Returns false with
// a message when the path is taken by something else or cannot be made.
bool MakeFifo(const std::string& strPath, bool& bCreated) {
    bCreated = false;
    size_t nSlash = strPath.rfind('/');
    if (nSlash != std::string::npos && nSlash > 0) {
        mkdir(strPath.substr(0, nSlash).c_str(), 0755);
    }
    if (mkfifo(strPath.c_str(), 0620) == 0) {
        bCreated = true;
        return true;
    }
    struct stat stInfo;
    if (errno == EEXIST && stat(strPath.c_str(), &stInfo) == 0 && S_ISFIFO(stInfo.st_mode)) {
        return true;
    }
    fprintf(stderr, "korvosim: cannot make the event FIFO %s: %s; events cannot be injected\n",
            strPath.c_str(), errno == EEXIST ? "the path is not a FIFO" : strerror(errno));
    return false;
}

void CloseDescriptor(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

void CSimEventThread::addRegistration(pCallBackNotification pfnCallback, int iLibIndex) {
    std::lock_guard<CSimMutex> lifecycle(m_lifecycleMutex);
    {
        std::lock_guard<CSimMutex> lock(m_mutex);
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
        fprintf(stderr, "korvosim: cannot start the event thread: %s\n", strerror(errno));
        return;
    }
    openFifo();
    m_bStop = false;
    m_thread = std::thread(&CSimEventThread::run, this);
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_bRunning = true;
}

void CSimEventThread::post(const SimEventList& vEvents) {
    if (vEvents.empty()) {
        return;
    }
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!m_bRunning) {
        return;
    }
    m_vQueue.insert(m_vQueue.end(), vEvents.begin(), vEvents.end());
    char cWake = 1;
    if (write(m_aWakePipe[1], &cWake, 1) < 0) {
        // The pipe is full: the thread is awake anyway.
    }
}

void CSimEventThread::stop() {
    std::lock_guard<CSimMutex> lifecycle(m_lifecycleMutex);
    if (m_thread.joinable()) {
        {
            std::lock_guard<CSimMutex> lock(m_mutex);
            m_bRunning = false;
            m_bStop = true;
        }
        char cWake = 1;
        if (write(m_aWakePipe[1], &cWake, 1) < 0) {
            // The pipe is full: the thread wakes anyway.
        }
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach(); // stopped from inside a callback
        } else {
            m_thread.join();
        }
    }
    closeFifo();
    CloseDescriptor(m_aWakePipe[0]);
    CloseDescriptor(m_aWakePipe[1]);
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_vRegistrations.clear();
    m_vQueue.clear();
}

void CSimEventThread::openFifo() {
    m_strFifoPath = FifoPath();
    if (!MakeFifo(m_strFifoPath, m_bFifoCreated)) {
        return;
    }
    m_fdFifo = open(m_strFifoPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fdFifo >= 0) {
        m_fdFifoKeeper = open(m_strFifoPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (m_fdFifo < 0 || m_fdFifoKeeper < 0) {
        fprintf(stderr, "korvosim: cannot open the event FIFO %s: %s\n", m_strFifoPath.c_str(),
                strerror(errno));
        closeFifo();
    }
}

void CSimEventThread::closeFifo() {
    CloseDescriptor(m_fdFifo);
    CloseDescriptor(m_fdFifoKeeper);
    if (m_bFifoCreated) {
        unlink(m_strFifoPath.c_str());
        m_bFifoCreated = false;
    }
    m_strPartialLine.clear();
}

void CSimEventThread::run() {
    auto tLastStep = std::chrono::steady_clock::now();
    while (!m_bStop) {
        waitForWork();
        if (m_bStop) {
            break;
        }
        deliverQueued();
        auto tNow = std::chrono::steady_clock::now();
        if (tNow - tLastStep >= SIM_REBUILD_STEP) {
            tLastStep = tNow;
            SimEventList vEvents;
            m_stStack.advanceRebuilds(vEvents);
            deliver(vEvents);
        }
    }
}

// Sleeps until the FIFO or the wake pipe has data, or a short while passed.
void CSimEventThread::waitForWork() {
    pollfd aWatched[2] = {{m_aWakePipe[0], POLLIN, 0}, {m_fdFifo, POLLIN, 0}};
    if (poll(aWatched, m_fdFifo >= 0 ? 2 : 1, SIM_POLL_MS) <= 0) {
        return;
    }
    if (aWatched[0].revents & POLLIN) {
        char acDrain[64];
        while (read(m_aWakePipe[0], acDrain, sizeof(acDrain)) > 0) {
        }
    }
    if (m_fdFifo >= 0 && (aWatched[1].revents & POLLIN)) {
        readFifo();
    }
}

void CSimEventThread::readFifo() {
    char acBuffer[512];
    ssize_t nRead = 0;
    while ((nRead = read(m_fdFifo, acBuffer, sizeof(acBuffer))) > 0) {
        m_strPartialLine.append(acBuffer, static_cast<size_t>(nRead));
        size_t nEnd = 0;
        while ((nEnd = m_strPartialLine.find('\n')) != std::string::npos) {
            std::string strLine = m_strPartialLine.substr(0, nEnd);
            m_strPartialLine.erase(0, nEnd + 1);
            handleLine(strLine);
        }
    }
}

#endif // _WIN32

void CSimEventThread::handleLine(const std::string& strLine) {
    SimEventList vEvents;
    std::string strError;
    if (!ApplyEventLine(strLine, m_stStack, vEvents, strError)) {
        fprintf(stderr, "korvosim: %s\n", strError.c_str());
    }
    deliver(vEvents);
}

void CSimEventThread::deliverQueued() {
    SimEventList vEvents;
    {
        std::lock_guard<CSimMutex> lock(m_mutex);
        vEvents.swap(m_vQueue);
    }
    deliver(vEvents);
}

// Calls every registered callback once per event, outside the locks, so that
// a callback may read attributes.
void CSimEventThread::deliver(const SimEventList& vEvents) {
    if (vEvents.empty()) {
        return;
    }
    std::vector<Registration> vRegistrations;
    {
        std::lock_guard<CSimMutex> lock(m_mutex);
        vRegistrations = m_vRegistrations;
    }
    CEventInfo stInfo;
    for (const CSimEvent& stEvent : vEvents) {
        for (const Registration& stRegistration : vRegistrations) {
            FillEventInfo(stEvent, stRegistration.second, stInfo);
            stRegistration.first(&stInfo);
        }
    }
}
