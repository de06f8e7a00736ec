#include "CMdSnapshotCache.h"

#include "CMdScanner.h"

namespace {

const std::chrono::milliseconds MD_SNAPSHOT_MAX_AGE(1000);

} // namespace

MdSnapshotPtr CMdSnapshotCache::fresh() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSnapshot == nullptr ||
        std::chrono::steady_clock::now() - m_tScanned >= MD_SNAPSHOT_MAX_AGE) {
        return rescanLocked();
    }
    return m_pSnapshot;
}

MdSnapshotPtr CMdSnapshotCache::last() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pSnapshot != nullptr ? m_pSnapshot : rescanLocked();
}

void CMdSnapshotCache::invalidate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pSnapshot.reset();
}

MdSnapshotPtr CMdSnapshotCache::rescanLocked() {
    MdProblemList vProblems;
    m_pSnapshot = std::make_shared<const CMdSnapshot>(CMdScanner(m_stFiles).scan(vProblems));
    m_tScanned = std::chrono::steady_clock::now();
    m_stLog.report(vProblems);
    return m_pSnapshot;
}
