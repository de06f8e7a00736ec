// The texts the kernel writes in its md attribute files, turned into
// numbers and enumerations. Every parser is strict: a text of another shape
// is refused (false) rather than read in part.
#ifndef KORVOMD_CMDPARSE_H
#define KORVOMD_CMDPARSE_H

#include <cstdint>
#include <string>

// A decimal count without sign: "3".
bool ParseCount(const std::string& strText, uint64_t& nValue);

// A count that a reshape may show as "new (old)": "4 (3)" gives 4.
bool ParseReshapeCount(const std::string& strText, uint64_t& nValue);

// sync_completed: "done / total" in sectors gives bProgress and the per
// mille done; "none" (no sync runs) and "delayed" give no progress.
bool ParseSyncCompleted(const std::string& strText, bool& bProgress, int& nPerMille);

// sync_speed_min/max: "200000 (system)", "200000 (local)" or "200000".
bool ParseSyncSpeed(const std::string& strText, uint64_t& nValue);

// The enumerations of the kernel's words; words the library does not know
// give the "other" value of each.
int LevelCode(const std::string& strLevel);
int ArrayStateCode(const std::string& strState);
int SyncActionCode(const std::string& strAction);
// A member's state file holds comma-separated words; a spare that fills a
// slot is being rebuilt into it.
int MemberStateCode(const std::string& strWords, bool bFillsSlot);

// Whether a sync action is an operation that runs (resync, recover, check,
// repair, reshape, or a word the library does not know), not idle or frozen.
bool IsSyncOperation(const std::string& strAction);

// Whether an array of this state serves I/O: known and neither clear nor
// inactive.
bool IsRunningState(int nState);

// A value of a kernel text for a log line: printable, cut to a few dozen
// characters, in double quotes.
std::string QuotedForLog(const std::string& strText);

#endif // KORVOMD_CMDPARSE_H
