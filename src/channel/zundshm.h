// The shared-memory request block between the relay that snmpd runs and the
// daemon. This layout is a wire format: the relay and the daemon must agree on
// it byte for byte (native byte order of the host).
#ifndef KORVO_ZUNDSHM_H
#define KORVO_ZUNDSHM_H

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

// System V key and size of the segment.
const int ZUND_SHM_KEY = 558266; // 0x884BA
const size_t ZUND_SHM_SIZE = 1024;
const int ZUND_SHM_PERMISSIONS = 0600;

// dataReady: who holds the block.
enum {
    ZUND_STATE_IDLE = 0,    // written once by the daemon after attaching
    ZUND_STATE_REQUEST = 1, // the relay has written a request
    ZUND_STATE_ANSWER = 2,  // the daemon has written the answer
    ZUND_STATE_TAKEN = 3,   // the daemon is working on the request
};

// Bytes of the text area inside the 1024-byte segment (offsets 8 to 1023).
const size_t ZUND_TEXT_AREA_SIZE = ZUND_SHM_SIZE - 2 * sizeof(uint32_t);

// Capacities of the request words (each including its terminating NUL) and of
// the request OID.
const size_t ZUND_TYPE_WORD_SIZE = 64;
const size_t ZUND_VALUE_WORD_SIZE = 256;
const unsigned ZUND_MAX_OID_IDS = 50;

// Request: NUL-separated words from offset 8: method ("-g", "-n", "-s"), OID
// text, and for a set the type word ("integer" or "string") and the value.
// Answer, written over the request: for get and get-next the OID line (".1.3...\n"),
// the type line ("integer\n" or "string\n") and the value line; for a refused
// set the text "not-writable". numItems says whether there is an answer item.
typedef struct _shared_data {
    volatile uint32_t dataReady;
    volatile uint32_t numItems;
    char buffer[ZUND_TEXT_AREA_SIZE];
} SHARED_DATA;

static_assert(offsetof(SHARED_DATA, dataReady) == 0, "dataReady at offset 0");
static_assert(offsetof(SHARED_DATA, numItems) == 4, "numItems at offset 4");
static_assert(offsetof(SHARED_DATA, buffer) == 8, "buffer at offset 8");
static_assert(sizeof(SHARED_DATA) == ZUND_SHM_SIZE, "the block fills the segment");

// The state word is the only synchronisation between the two processes: each
// side writes its text completely before it publishes a new state, and reads
// the text only after it has seen the other side's state.
inline uint32_t LoadBlockState(const SHARED_DATA* pBlock) {
    return __atomic_load_n(&pBlock->dataReady, __ATOMIC_ACQUIRE);
}

inline void StoreBlockState(SHARED_DATA* pBlock, uint32_t nState) {
    __atomic_store_n(&pBlock->dataReady, nState, __ATOMIC_RELEASE);
}

// Moves the state from nExpected to nDesired only if it still is nExpected.
inline bool ExchangeBlockState(SHARED_DATA* pBlock, uint32_t nExpected, uint32_t nDesired) {
    uint32_t nSeen = nExpected;
    return __atomic_compare_exchange_n(&pBlock->dataReady, &nSeen, nDesired, false,
                                       __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
}

// ---- Wake-up on the state word ---------------------------------------------
//
// Each side may sleep on dataReady itself (a futex on the shared segment, so
// not a process-private one) and is woken by the other side right after it
// publishes a new state: the relay after storing 1, the daemon after storing
// 2. The poll period stays the upper bound of every sleep, so a peer that
// only polls and never wakes is still served within it.

// Longest sleep on the state word, in microseconds: the poll period.
const long ZUND_POLL_PERIOD_US = 1500;

// How a sleep on the state word ended.
enum {
    ZUND_WAIT_WOKEN = 0,   // woken by the other side (or spuriously)
    ZUND_WAIT_CHANGED = 1, // the state was not the one expected: no sleep
    ZUND_WAIT_TIMEOUT = 2, // the timeout passed
};

// Sleeps while dataReady holds nSeen, at most nTimeoutUs microseconds. A
// signal ends the sleep early (ZUND_WAIT_WOKEN); callers look at the state
// again in every case.
inline int WaitBlockState(const SHARED_DATA* pBlock, uint32_t nSeen, long nTimeoutUs) {
    timespec stTimeout = {nTimeoutUs / 1000000L, (nTimeoutUs % 1000000L) * 1000L};
    long nResult = syscall(SYS_futex, const_cast<volatile uint32_t*>(&pBlock->dataReady),
                           FUTEX_WAIT, nSeen, &stTimeout, nullptr, 0);
    if (nResult == 0) {
        return ZUND_WAIT_WOKEN;
    }
    if (errno == EAGAIN) {
        return ZUND_WAIT_CHANGED;
    }
    return errno == ETIMEDOUT ? ZUND_WAIT_TIMEOUT : ZUND_WAIT_WOKEN;
}

// Wakes every process sleeping on dataReady.
inline void WakeBlockWaiters(SHARED_DATA* pBlock) {
    syscall(SYS_futex, &pBlock->dataReady, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

// Publishes a new state and wakes the other side at once.
inline void PublishBlockState(SHARED_DATA* pBlock, uint32_t nState) {
    StoreBlockState(pBlock, nState);
    WakeBlockWaiters(pBlock);
}

#endif // KORVO_ZUNDSHM_H
