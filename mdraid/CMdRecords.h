// What the md library knows of the kernel's arrays at one moment: each array
// and member with the values read from sysfs and /proc/mdstat, and the events
// that a change between two such moments gives.
#ifndef KORVOMD_CMDRECORDS_H
#define KORVOMD_CMDRECORDS_H

#include <string>
#include <vector>

// A value read from the kernel, or nothing when it could not be read, was
// malformed or does not apply (a raid0 has no sync action).
template <typename TValue> struct CMdValue {
    bool bKnown = false;
    TValue value = TValue();

    void set(const TValue& newValue) {
        value = newValue;
        bKnown = true;
    }
    bool operator==(const CMdValue& other) const {
        return bKnown == other.bKnown && (!bKnown || value == other.value);
    }
    bool operator!=(const CMdValue& other) const { return !(*this == other); }
};

typedef CMdValue<int> CMdInt;
typedef CMdValue<std::string> CMdText;

// RAID levels: the kernel's numbers where it has them.
enum {
    MD_LEVEL_OTHER = -1,
    MD_LEVEL_RAID0 = 0,
    MD_LEVEL_RAID1 = 1,
    MD_LEVEL_RAID4 = 4,
    MD_LEVEL_RAID5 = 5,
    MD_LEVEL_RAID6 = 6,
    MD_LEVEL_RAID10 = 10,
    MD_LEVEL_LINEAR = 100,
    MD_LEVEL_MULTIPATH = 101,
    MD_LEVEL_FAULTY = 102,
    MD_LEVEL_CONTAINER = 103,
};

// Array states, in the order the kernel documents them.
enum {
    MD_STATE_OTHER = 0,
    MD_STATE_CLEAR = 1,
    MD_STATE_INACTIVE = 2,
    MD_STATE_SUSPENDED = 3,
    MD_STATE_READONLY = 4,
    MD_STATE_READ_AUTO = 5,
    MD_STATE_CLEAN = 6,
    MD_STATE_ACTIVE = 7,
    MD_STATE_WRITE_PENDING = 8,
    MD_STATE_ACTIVE_IDLE = 9,
    MD_STATE_BROKEN = 10,
};

// Sync actions.
enum {
    MD_SYNC_OTHER = 0,
    MD_SYNC_IDLE = 1,
    MD_SYNC_RESYNC = 2,
    MD_SYNC_RECOVER = 3,
    MD_SYNC_CHECK = 4,
    MD_SYNC_REPAIR = 5,
    MD_SYNC_RESHAPE = 6,
    MD_SYNC_FROZEN = 7,
};

// The principal state of a member, from the words of its state file.
enum {
    MD_MEMBER_OTHER = 0,
    MD_MEMBER_IN_SYNC = 1,
    MD_MEMBER_SPARE = 2,
    MD_MEMBER_REBUILDING = 3,
    MD_MEMBER_FAULTY = 4,
    MD_MEMBER_JOURNAL = 5,
    MD_MEMBER_BLOCKED = 6,
};

// The slot of a member that fills none (a spare, a failed device).
const int MD_SLOT_NONE = -1;

// Event codes, as the trap definitions write them in hexadecimal.
enum {
    MD_EVT_MEMBER_FAULTY = 0x601,
    MD_EVT_DEGRADED = 0x602,
    MD_EVT_NOT_DEGRADED = 0x603,
    MD_EVT_SYNC_STARTED = 0x604,
    MD_EVT_SYNC_FINISHED = 0x605,
    MD_EVT_APPEARED = 0x606,
    MD_EVT_GONE = 0x607,
};

struct CMdMember {
    std::string strArrayName; // md0
    std::string strName;      // sdb1 (the folder dev-sdb1)
    CMdInt nSlot;             // MD_SLOT_NONE for "none"
    CMdText strState;         // the kernel's words, e.g. "in_sync,write_mostly"
    CMdInt nState;            // MD_MEMBER_...
    CMdInt nErrors;
};

struct CMdArray {
    std::string strName; // md0
    CMdText strLevel;    // raid1
    CMdInt nLevel;       // MD_LEVEL_...
    CMdText strState;    // clean
    CMdInt nState;       // MD_STATE_...
    CMdInt nRaidDisks;
    CMdInt nDegraded;
    CMdText strSyncAction; // idle
    CMdInt nSyncAction;    // MD_SYNC_...
    CMdInt nSyncPerMille;  // progress of the running sync action
    CMdInt nSizeMiB;
    CMdInt nComponentSizeMiB;
    CMdInt nChunkSizeKiB;
    CMdText strMetadataVersion;
    CMdInt nSyncSpeedMax;            // KiB/s
    CMdText strDiskStatus;           // UU_ from /proc/mdstat
    std::vector<CMdMember> vMembers; // by slot, then name
};

// All arrays, ordered by md number (md2 before md10), then by name.
struct CMdSnapshot {
    std::vector<CMdArray> vArrays;
    std::vector<CMdMember> vMembers; // every array's members, in array order
};

// One event argument: its text and its integer.
struct CMdEventArg {
    std::string strText;
    int nValue = 0;
};

struct CMdEvent {
    int nCode = 0;
    std::string strDescription;
    std::vector<CMdEventArg> vArgs;

    void addInt(int nValue) { vArgs.push_back({std::to_string(nValue), nValue}); }
    void addText(const std::string& strText) { vArgs.push_back({strText, 0}); }
};

typedef std::vector<CMdEvent> MdEventList;

#endif // KORVOMD_CMDRECORDS_H
