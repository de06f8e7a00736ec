#include "relaychannel.h"

#include "zundshm.h"

#include <cerrno>
#include <ctime>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

namespace {

// The relays' lock is a System V semaphore under the block's own key: it
// lives in the same IPC namespace as the block, and the kernel gives it back
// (SEM_UNDO) when a relay dies holding it, even by SIGKILL.
const int RELAY_LOCK_KEY = ZUND_SHM_KEY;

struct Deadline {
    timespec stEnd;

    explicit Deadline(int nMs) {
        clock_gettime(CLOCK_MONOTONIC, &stEnd);
        stEnd.tv_sec += nMs / 1000;
        stEnd.tv_nsec += static_cast<long>(nMs % 1000) * 1000000L;
        if (stEnd.tv_nsec >= 1000000000L) {
            stEnd.tv_sec += 1;
            stEnd.tv_nsec -= 1000000000L;
        }
    }

    // Time left, zero once passed.
    timespec Remaining() const {
        timespec stNow;
        clock_gettime(CLOCK_MONOTONIC, &stNow);
        timespec stLeft = {stEnd.tv_sec - stNow.tv_sec, stEnd.tv_nsec - stNow.tv_nsec};
        if (stLeft.tv_nsec < 0) {
            stLeft.tv_sec -= 1;
            stLeft.tv_nsec += 1000000000L;
        }
        if (stLeft.tv_sec < 0) {
            stLeft = {0, 0};
        }
        return stLeft;
    }

    // Microseconds left, at most nLimitUs.
    long RemainingUs(long nLimitUs) const {
        timespec stLeft = Remaining();
        if (stLeft.tv_sec >= nLimitUs / 1000000L + 1) {
            return nLimitUs;
        }
        long nLeftUs = stLeft.tv_sec * 1000000L + stLeft.tv_nsec / 1000L;
        return nLeftUs < nLimitUs ? nLeftUs : nLimitUs;
    }
};

class CRelayLock {
  public:
    // Waits for the lock until the deadline.
    explicit CRelayLock(const Deadline& stDeadline) {
        for (int nTry = 0; nTry < 2 && !m_bHeld; ++nTry) {
            // A long-lived relay opens the semaphore once.
            if (s_iSemID < 0) {
                s_iSemID = OpenLockSemaphore();
            }
            m_iSemID = s_iSemID;
            if (m_iSemID < 0) {
                return;
            }
            sembuf stTake = {0, -1, SEM_UNDO};
            timespec stLeft = stDeadline.Remaining();
            if (semtimedop(m_iSemID, &stTake, 1, &stLeft) == 0) {
                m_bHeld = true;
            } else if (errno == EINVAL || errno == EIDRM) {
                s_iSemID = -1; // removed meanwhile: open it afresh
            } else if (errno == EAGAIN && !EverOperated()) {
                // Its creator died before it could open it: open it now.
                sembuf stGive = {0, 1, 0};
                semop(m_iSemID, &stGive, 1);
            }
        }
    }

    ~CRelayLock() {
        if (m_bHeld) {
            sembuf stGive = {0, 1, SEM_UNDO};
            semop(m_iSemID, &stGive, 1);
        }
    }

    CRelayLock(const CRelayLock&) = delete;
    CRelayLock& operator=(const CRelayLock&) = delete;

    bool IsHeld() const { return m_bHeld; }

  private:
    static int OpenLockSemaphore() {
        int iSemID = semget(RELAY_LOCK_KEY, 1, IPC_CREAT | IPC_EXCL | ZUND_SHM_PERMISSIONS);
        if (iSemID >= 0) {
            // New semaphores start at 0: the creator opens the lock once.
            sembuf stGive = {0, 1, 0};
            semop(iSemID, &stGive, 1);
            return iSemID;
        }
        return semget(RELAY_LOCK_KEY, 1, 0);
    }

    bool EverOperated() const {
        semid_ds stInfo;
        semun_arg uArg;
        uArg.buf = &stInfo;
        return semctl(m_iSemID, 0, IPC_STAT, uArg) == 0 && stInfo.sem_otime != 0;
    }

    union semun_arg {
        int val;
        semid_ds* buf;
        unsigned short* array;
    };

    static int s_iSemID;
    int m_iSemID = -1;
    bool m_bHeld = false;
};

int CRelayLock::s_iSemID = -1;

// The daemon's block, kept attached between the requests of a long-lived
// relay. It is looked up on every request, so a daemon that stopped (no
// segment, or nobody attached but this relay) or restarted (a new segment) is
// noticed before the request is posted.
class CBlockAttachment {
  public:
    ~CBlockAttachment() { Detach(); }

    // The block, or null when there is none or nobody serves it.
    SHARED_DATA* Acquire() {
        int iShMemID = shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, 0);
        if (iShMemID != m_iShMemID) {
            Detach();
        }
        if (iShMemID < 0 || !IsServed(iShMemID)) {
            Detach();
            return nullptr;
        }
        if (m_pBlock == nullptr) {
            void* pAttached = shmat(iShMemID, nullptr, 0);
            if (pAttached == reinterpret_cast<void*>(-1)) {
                return nullptr;
            }
            m_pBlock = static_cast<SHARED_DATA*>(pAttached);
            m_iShMemID = iShMemID;
        }
        return m_pBlock;
    }

  private:
    // True when a process other than this relay has the segment attached.
    bool IsServed(int iShMemID) const {
        shmid_ds stInfo;
        shmatt_t nOwn = m_pBlock != nullptr ? 1 : 0;
        return shmctl(iShMemID, IPC_STAT, &stInfo) == 0 && stInfo.shm_nattch > nOwn;
    }

    void Detach() {
        if (m_pBlock != nullptr) {
            shmdt(m_pBlock);
        }
        m_pBlock = nullptr;
        m_iShMemID = -1;
    }

    int m_iShMemID = -1;
    SHARED_DATA* m_pBlock = nullptr;
};

// Waits while the state is nState; false when the deadline passed first. The
// daemon wakes us when it publishes an answer; a daemon that never wakes is
// seen within one poll period.
bool WaitWhileState(const SHARED_DATA* pBlock, uint32_t nState, const Deadline& stDeadline) {
    while (LoadBlockState(pBlock) == nState) {
        long nSleepUs = stDeadline.RemainingUs(ZUND_POLL_PERIOD_US);
        if (nSleepUs <= 0) {
            return false;
        }
        WaitBlockState(pBlock, nState, nSleepUs);
    }
    return true;
}

// Waits until the answer is there; false when the deadline passed first.
bool WaitForAnswer(const SHARED_DATA* pBlock, const Deadline& stDeadline) {
    uint32_t nState;
    while ((nState = LoadBlockState(pBlock)) != ZUND_STATE_ANSWER) {
        long nSleepUs = stDeadline.RemainingUs(ZUND_POLL_PERIOD_US);
        if (nSleepUs <= 0) {
            return false;
        }
        WaitBlockState(pBlock, nState, nSleepUs);
    }
    return true;
}

// Makes the block free for a new request: a request that no relay waits for
// any more is withdrawn, one the daemon is working on is waited for.
bool ClaimBlock(SHARED_DATA* pBlock, const Deadline& stDeadline) {
    ExchangeBlockState(pBlock, ZUND_STATE_REQUEST, ZUND_STATE_IDLE);
    return WaitWhileState(pBlock, ZUND_STATE_TAKEN, stDeadline);
}

RelayAnswer ExchangeOnBlock(SHARED_DATA* pBlock, const RelayRequest& stRequest,
                            const Deadline& stDeadline) {
    RelayAnswer stNoAnswer;
    if (!ClaimBlock(pBlock, stDeadline)) {
        return stNoAnswer;
    }
    if (!BuildRequestWords(stRequest, pBlock->buffer, ZUND_TEXT_AREA_SIZE)) {
        return stNoAnswer;
    }
    pBlock->numItems = 0;
    PublishBlockState(pBlock, ZUND_STATE_REQUEST);

    if (!WaitForAnswer(pBlock, stDeadline)) {
        // Nobody will read an answer to this request any more.
        ExchangeBlockState(pBlock, ZUND_STATE_REQUEST, ZUND_STATE_IDLE);
        return stNoAnswer;
    }
    RelayAnswer stAnswer =
        ReadAnswer(stRequest, pBlock->numItems, pBlock->buffer, ZUND_TEXT_AREA_SIZE);
    StoreBlockState(pBlock, ZUND_STATE_IDLE);
    return stAnswer;
}

} // namespace

RelayAnswer ExchangeWithDaemon(const RelayRequest& stRequest, int nDeadlineMs) {
    Deadline stDeadline(nDeadlineMs);
    CRelayLock stLock(stDeadline);
    if (!stLock.IsHeld()) {
        return RelayAnswer();
    }
    static CBlockAttachment s_stAttachment;
    SHARED_DATA* pBlock = s_stAttachment.Acquire();
    if (pBlock == nullptr) {
        return RelayAnswer();
    }
    return ExchangeOnBlock(pBlock, stRequest, stDeadline);
}
