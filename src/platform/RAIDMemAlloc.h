// The agent's allocation pair.
#ifndef KORVO_RAIDMEMALLOC_H
#define KORVO_RAIDMEMALLOC_H

// A zero-filled block of the given size, or null when memory is exhausted.
void* RAIDAgentMemAlloc(unsigned long nSize);

// Releases a block from RAIDAgentMemAlloc; a null pointer is ignored.
void RAIDAgentMemFree(void* pBlock);

#endif // KORVO_RAIDMEMALLOC_H
