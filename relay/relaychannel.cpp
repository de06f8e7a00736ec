#include "relaychannel.h"

#include "channel/zundshm.h"

#include <cerrno>
#include <ctime>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#ifndef KORVO_RELAY_SPIN_US
#define KORVO_RELAY_SPIN_US 0
#endif
#ifndef KORVO_RELAY_LOOKUP_EVERY_REQUEST
#define KORVO_RELAY_LOOKUP_EVERY_REQUEST 0
#endif

RelayTuning g_stRelayTuning = {KORVO_RELAY_SPIN_US, KORVO_RELAY_LOOKUP_EVERY_REQUEST != 0};

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

    void AddMicroseconds(long nUs) {
        stEnd.tv_nsec += (nUs % 1000000L) * 1000L;
        stEnd.tv_sec += nUs / 1000000L + stEnd.tv_nsec / 1000000000L;
        stEnd.tv_nsec %= 1000000000L;
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
// relay. It is looked up again (shmget and shmctl) only when it is first
// needed, after a wait for the daemon timed out, or when the tuning asks for
// a look-up before every request: a daemon that answers is plainly there. A
// daemon that stopped (no segment, or nobody attached but this relay) or
// restarted (a new segment) is noticed at the first poll period it leaves
// unanswered.
class CBlockAttachment {
  public:
    ~CBlockAttachment() { Detach(); }

    // The block, or null when there is none or nobody serves it.
    SHARED_DATA* Acquire() {
        if (m_pBlock != nullptr && !m_bLookUp && !g_stRelayTuning.bLookUpEveryRequest) {
            return m_pBlock;
        }
        m_bLookUp = false;
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

    // After a wait timed out: whether the attached block is still the one a
    // daemon serves. Either way the next Acquire looks it up again.
    bool StillServed() {
        m_bLookUp = true;
        return m_pBlock != nullptr && shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, 0) == m_iShMemID &&
               IsServed(m_iShMemID);
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
    bool m_bLookUp = false;
};

// How a wait for the daemon ended.
enum WaitEnd {
    WAIT_DONE,     // the state the wait was for
    WAIT_DEADLINE, // the deadline passed
    WAIT_ORPHANED, // nobody serves the block any more
};

// Spins on the state word while it is nState, for g_stRelayTuning.nSpinUs at
// most: an answer that comes within it is taken without sleeping.
void SpinWhileState(const SHARED_DATA* pBlock, uint32_t nState) {
    if (g_stRelayTuning.nSpinUs <= 0) {
        return;
    }
    Deadline stSpin(0);
    stSpin.AddMicroseconds(g_stRelayTuning.nSpinUs);
    for (unsigned nRound = 1; LoadBlockState(pBlock) == nState; ++nRound) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (nRound % 64 == 0 && stSpin.RemainingUs(1) <= 0) {
            return;
        }
    }
}

// Waits while the state is nState (bUntil false) or until it is nState
// (bUntil true). The daemon wakes us when it publishes a new state; a daemon
// that never wakes is seen within one poll period, and every poll period
// that passes unanswered checks that the block is still served.
WaitEnd WaitForState(const SHARED_DATA* pBlock, uint32_t nState, bool bUntil,
                     const Deadline& stDeadline, CBlockAttachment& stAttachment) {
    uint32_t nSeen;
    while (((nSeen = LoadBlockState(pBlock)) == nState) != bUntil) {
        long nSleepUs = stDeadline.RemainingUs(ZUND_POLL_PERIOD_US);
        if (nSleepUs <= 0) {
            stAttachment.StillServed();
            return WAIT_DEADLINE;
        }
        if (WaitBlockState(pBlock, nSeen, nSleepUs) == ZUND_WAIT_TIMEOUT &&
            !stAttachment.StillServed()) {
            return WAIT_ORPHANED;
        }
    }
    return WAIT_DONE;
}

// Makes the block free for a new request: a request that no relay waits for
// any more is withdrawn, one the daemon is working on is waited for.
WaitEnd ClaimBlock(SHARED_DATA* pBlock, const Deadline& stDeadline,
                   CBlockAttachment& stAttachment) {
    ExchangeBlockState(pBlock, ZUND_STATE_REQUEST, ZUND_STATE_IDLE);
    return WaitForState(pBlock, ZUND_STATE_TAKEN, false, stDeadline, stAttachment);
}

WaitEnd ExchangeOnBlock(SHARED_DATA* pBlock, const RelayRequest& stRequest,
                        const Deadline& stDeadline, CBlockAttachment& stAttachment,
                        RelayAnswer& stAnswer) {
    stAnswer = RelayAnswer();
    WaitEnd nClaimed = ClaimBlock(pBlock, stDeadline, stAttachment);
    if (nClaimed != WAIT_DONE) {
        return nClaimed;
    }
    if (!BuildRequestWords(stRequest, pBlock->buffer, ZUND_TEXT_AREA_SIZE)) {
        return WAIT_DONE;
    }
    pBlock->numItems = 0;
    PublishBlockState(pBlock, ZUND_STATE_REQUEST);

    SpinWhileState(pBlock, ZUND_STATE_REQUEST);
    WaitEnd nAnswered = WaitForState(pBlock, ZUND_STATE_ANSWER, true, stDeadline, stAttachment);
    if (nAnswered != WAIT_DONE) {
        // Nobody will read an answer to this request any more.
        ExchangeBlockState(pBlock, ZUND_STATE_REQUEST, ZUND_STATE_IDLE);
        return nAnswered;
    }
    stAnswer = ReadAnswer(stRequest, pBlock->numItems, pBlock->buffer, ZUND_TEXT_AREA_SIZE);
    StoreBlockState(pBlock, ZUND_STATE_IDLE);
    return WAIT_DONE;
}

} // namespace

RelayAnswer ExchangeWithDaemon(const RelayRequest& stRequest, int nDeadlineMs) {
    Deadline stDeadline(nDeadlineMs);
    CRelayLock stLock(stDeadline);
    if (!stLock.IsHeld()) {
        return RelayAnswer();
    }
    static CBlockAttachment s_stAttachment;
    RelayAnswer stAnswer;
    // A block that turns out to be orphaned is looked up once more: the
    // daemon may have restarted on a new one.
    for (int nTry = 0; nTry < 2; ++nTry) {
        SHARED_DATA* pBlock = s_stAttachment.Acquire();
        if (pBlock == nullptr || ExchangeOnBlock(pBlock, stRequest, stDeadline, s_stAttachment,
                                                 stAnswer) != WAIT_ORPHANED) {
            break;
        }
    }
    return stAnswer;
}
