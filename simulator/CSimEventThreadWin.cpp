// The event thread's Windows form: a Win32 thread woken by an event. Event
// lines are posted through the library's extra export instead of a FIFO; the
// thread carries them out, moves rebuilds on and delivers the events exactly
// as the FIFO thread does.
#include "CSimEventThread.h"

#include <algorithm>
#include <cstdio>

namespace {

// How long the thread sleeps when there is nothing to do, and how often a
// running rebuild moves on.
const DWORD SIM_POLL_MS = 100;
const DWORD SIM_REBUILD_STEP_MS = 200;

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
    if (m_hThread != nullptr) {
        return;
    }
    m_hWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_bStop = false;
    m_hThread = m_hWake != nullptr
                    ? CreateThread(nullptr, 0, &CSimEventThread::threadMain, this, 0, &m_nThreadId)
                    : nullptr;
    if (m_hThread == nullptr) {
        fprintf(stderr, "korvosim: cannot start the event thread (error %lu)\n", GetLastError());
        return;
    }
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
    SetEvent(m_hWake);
}

void CSimEventThread::postLine(const std::string& strLine) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!m_bRunning) {
        fprintf(stderr, "korvosim: event processing has not started; line dropped\n");
        return;
    }
    m_vLines.push_back(strLine);
    SetEvent(m_hWake);
}

void CSimEventThread::stop() {
    std::lock_guard<CSimMutex> lifecycle(m_lifecycleMutex);
    if (m_hThread != nullptr) {
        {
            std::lock_guard<CSimMutex> lock(m_mutex);
            m_bRunning = false;
            m_bStop = true;
        }
        SetEvent(m_hWake);
        if (GetCurrentThreadId() != m_nThreadId) {
            WaitForSingleObject(m_hThread, INFINITE);
        } // else: stopped from inside a callback; the thread ends by itself
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    if (m_hWake != nullptr) {
        CloseHandle(m_hWake);
        m_hWake = nullptr;
    }
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_vRegistrations.clear();
    m_vQueue.clear();
    m_vLines.clear();
}

DWORD WINAPI CSimEventThread::threadMain(LPVOID pThis) {
    static_cast<CSimEventThread*>(pThis)->run();
    return 0;
}

void CSimEventThread::run() {
    DWORD nLastStep = GetTickCount();
    while (!m_bStop) {
        waitForWork();
        if (m_bStop) {
            break;
        }
        handlePostedLines();
        deliverQueued();
        DWORD nNow = GetTickCount();
        if (nNow - nLastStep >= SIM_REBUILD_STEP_MS) {
            nLastStep = nNow;
            SimEventList vEvents;
            m_stStack.advanceRebuilds(vEvents);
            deliver(vEvents);
        }
    }
}

void CSimEventThread::waitForWork() {
    WaitForSingleObject(m_hWake, SIM_POLL_MS);
}

void CSimEventThread::handlePostedLines() {
    std::vector<std::string> vLines;
    {
        std::lock_guard<CSimMutex> lock(m_mutex);
        vLines.swap(m_vLines);
    }
    for (const std::string& strLine : vLines) {
        if (m_bStop) {
            return;
        }
        handleLine(strLine);
    }
}
