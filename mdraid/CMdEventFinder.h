// The events between two snapshots of the kernel's arrays. Each change gives
// its event once: the next comparison starts from the snapshot that gave it.
//
//   member became faulty      an array that runs in both has a member now faulty
//   array degraded            more devices missing than before (or an array
//                             that starts running with devices missing)
//   array no longer degraded  none missing where some were
//   sync started, finished    the sync action turned from idle to an
//                             operation, from one to another, or back to idle
//   array appeared            an array started running (new, or was inactive)
//   array gone                a running array was removed or went inactive
//
// A value that one of the two snapshots lacks gives no event.
#ifndef KORVOMD_CMDEVENTFINDER_H
#define KORVOMD_CMDEVENTFINDER_H

#include "CMdRecords.h"

// The text of the gone event for an array that no longer exists.
extern const char* const MD_GONE_REMOVED; // "removed"

MdEventList FindEvents(const CMdSnapshot& stBefore, const CMdSnapshot& stAfter);

// The snapshot to compare the next one with: stAfter, where a value it lacks
// (a file caught while it was written, a read that failed once) is the one
// stBefore knew, so that a change across the gap still gives its event.
CMdSnapshot CarryKnownValues(const CMdSnapshot& stBefore, const CMdSnapshot& stAfter);

#endif // KORVOMD_CMDEVENTFINDER_H
