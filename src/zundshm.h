// The shared-memory request block between the relay that snmpd runs and the
// daemon. This layout is a wire format: the relay and the daemon must agree on
// it byte for byte (native byte order of the host).
#ifndef KORVO_ZUNDSHM_H
#define KORVO_ZUNDSHM_H

#include <cstddef>
#include <cstdint>

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

#endif // KORVO_ZUNDSHM_H
