// Prints a store as MIB definition text that the definition reader turns
// back into the same store.
#ifndef KORVO_MIBDUMP_H
#define KORVO_MIBDUMP_H

#include "mib/parseini.h"

#include <cstdio>

void DumpDefinition(const CParseINI& store, FILE* pOut);

#endif // KORVO_MIBDUMP_H
