// The event lines written to the library's FIFO: each names a change of the
// simulated hardware, or an event to report as it stands.
#ifndef KORVOSIM_CSIMCOMMAND_H
#define KORVOSIM_CSIMCOMMAND_H

#include "CSimRecords.h"
#include "CSimStack.h"

#include <string>
#include <vector>

// Splits a line into words at blanks; a word in double quotes may hold blanks.
std::vector<std::string> SplitEventLine(const std::string& strLine);

// Carries out one event line on the stack; the events it causes are appended
// to vEvents. Empty lines and lines starting with "#" do nothing. False with
// strError set when the line is not understood or the change is impossible.
bool ApplyEventLine(const std::string& strLine, CSimStack& stStack, SimEventList& vEvents,
                    std::string& strError);

#endif // KORVOSIM_CSIMCOMMAND_H
