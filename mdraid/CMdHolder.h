// The holder of one class of the md library: MdArray (one instance per
// array) or MdMember (one per member device of every array). Instances are
// those of the snapshot that the last getInstanceCount saw, so that a count
// and the reads that follow it speak of the same arrays.
#ifndef KORVOMD_CMDHOLDER_H
#define KORVOMD_CMDHOLDER_H

#include "CMdFiles.h"
#include "CMdSnapshotCache.h"
#include "StorageLib.h"

#include <mutex>

enum EMdClass { MD_CLASS_ARRAY, MD_CLASS_MEMBER, MD_CLASS_COUNT };

// Class names as the definition gives them, in EMdClass order.
extern const char* const MD_CLASS_NAMES[MD_CLASS_COUNT];

class CMdHolder final : public CBaseHolder {
  public:
    CMdHolder(EMdClass eClass, const CMdFiles& stFiles, CMdSnapshotCache& stCache)
        : m_eClass(eClass), m_stFiles(stFiles), m_stCache(stCache) {}
    int getInstanceCount() override;
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override;
    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override;
    // MdArray's SyncSpeedMax (KiB/s) only: written to the array's
    // sync_speed_max; 0 hands the array back to the system-wide limit.
    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override;

  private:
    MdSnapshotPtr snapshot();

    EMdClass m_eClass;
    const CMdFiles& m_stFiles;
    CMdSnapshotCache& m_stCache;
    std::mutex m_mutex;
    MdSnapshotPtr m_pPinned; // the snapshot of the last count
};

#endif // KORVOMD_CMDHOLDER_H
