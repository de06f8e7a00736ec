#include "RAIDMemAlloc.h"

#include <cstdlib>

void* RAIDAgentMemAlloc(unsigned long nSize) {
    // calloc of 0 bytes may return null; ask for one byte so a valid
    // empty block is never mistaken for exhausted memory.
    return calloc(1, nSize == 0 ? 1 : nSize);
}

void RAIDAgentMemFree(void* pBlock) {
    free(pBlock);
}
