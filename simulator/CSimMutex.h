// The lock type of the simulator: the standard mutex, or on Windows, where
// the toolchain has no standard threads, a critical section with the same
// lock and unlock operations (so std::lock_guard works with either).
#ifndef KORVOSIM_CSIMMUTEX_H
#define KORVOSIM_CSIMMUTEX_H

#ifdef _WIN32
#include <windows.h>

class CSimMutex {
  public:
    CSimMutex() { InitializeCriticalSection(&m_section); }
    ~CSimMutex() { DeleteCriticalSection(&m_section); }
    CSimMutex(const CSimMutex&) = delete;
    CSimMutex& operator=(const CSimMutex&) = delete;
    void lock() { EnterCriticalSection(&m_section); }
    void unlock() { LeaveCriticalSection(&m_section); }

  private:
    CRITICAL_SECTION m_section;
};
#else
#include <mutex>

typedef std::mutex CSimMutex;
#endif

#endif // KORVOSIM_CSIMMUTEX_H
