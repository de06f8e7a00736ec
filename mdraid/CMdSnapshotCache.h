// The snapshot that the holders serve: scanned afresh when the last one is
// older than a second (a walk is served from one scan, a change shows within
// a second), or at once after a write.
#ifndef KORVOMD_CMDSNAPSHOTCACHE_H
#define KORVOMD_CMDSNAPSHOTCACHE_H

#include "CMdFiles.h"
#include "CMdProblemLog.h"
#include "CMdRecords.h"

#include <chrono>
#include <memory>
#include <mutex>

typedef std::shared_ptr<const CMdSnapshot> MdSnapshotPtr;

class CMdSnapshotCache {
  public:
    CMdSnapshotCache(const CMdFiles& stFiles, CMdProblemLog& stLog)
        : m_stFiles(stFiles), m_stLog(stLog) {}

    // The snapshot, scanned afresh when it is older than the maximum age.
    MdSnapshotPtr fresh();
    // The last snapshot, scanned when there is none yet.
    MdSnapshotPtr last();
    // The next call scans afresh.
    void invalidate();

  private:
    MdSnapshotPtr rescanLocked();

    const CMdFiles& m_stFiles;
    CMdProblemLog& m_stLog;
    std::mutex m_mutex;
    MdSnapshotPtr m_pSnapshot;
    std::chrono::steady_clock::time_point m_tScanned;
};

#endif // KORVOMD_CMDSNAPSHOTCACHE_H
