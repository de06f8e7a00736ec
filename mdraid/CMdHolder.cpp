#include "CMdHolder.h"

#include "CMdProblemLog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <syslog.h>

const char* const MD_CLASS_NAMES[MD_CLASS_COUNT] = {"MdArray", "MdMember"};

namespace {

const char* const SYNC_SPEED_MAX_ATTRIBUTE = "SyncSpeedMax";

const char* const INDEX_ATTRIBUTE = "Index";

// One attribute of a record: an integer, a text, or a text that every
// record has (its name). The table's index, the instance's position, is
// none of them.
template <typename TRecord> struct CMdField {
    const char* pszName;
    CMdInt TRecord::*pnValue;
    CMdText TRecord::*pstrText;
    std::string TRecord::*pstrName;
};

template <typename TRecord>
constexpr CMdField<TRecord> Int(const char* pszName, CMdInt TRecord::*p) {
    return {pszName, p, nullptr, nullptr};
}
template <typename TRecord>
constexpr CMdField<TRecord> Text(const char* pszName, CMdText TRecord::*p) {
    return {pszName, nullptr, p, nullptr};
}
template <typename TRecord>
constexpr CMdField<TRecord> Name(const char* pszName, std::string TRecord::*p) {
    return {pszName, nullptr, nullptr, p};
}

const CMdField<CMdArray> g_aArrayFields[] = {
    Name("Name", &CMdArray::strName),
    Text("LevelName", &CMdArray::strLevel),
    Int("Level", &CMdArray::nLevel),
    Text("StateName", &CMdArray::strState),
    Int("State", &CMdArray::nState),
    Int("RaidDisks", &CMdArray::nRaidDisks),
    Int("Degraded", &CMdArray::nDegraded),
    Text("SyncActionName", &CMdArray::strSyncAction),
    Int("SyncAction", &CMdArray::nSyncAction),
    Int("SyncProgress", &CMdArray::nSyncPerMille),
    Int("SizeMiB", &CMdArray::nSizeMiB),
    Int("ComponentSizeMiB", &CMdArray::nComponentSizeMiB),
    Int("ChunkSizeKiB", &CMdArray::nChunkSizeKiB),
    Text("MetadataVersion", &CMdArray::strMetadataVersion),
    Int(SYNC_SPEED_MAX_ATTRIBUTE, &CMdArray::nSyncSpeedMax),
    Text("DiskStatus", &CMdArray::strDiskStatus),
};

const CMdField<CMdMember> g_aMemberFields[] = {
    Name("ArrayName", &CMdMember::strArrayName),
    Name("Name", &CMdMember::strName),
    Int("Slot", &CMdMember::nSlot),
    Text("StateName", &CMdMember::strState),
    Int("State", &CMdMember::nState),
    Int("Errors", &CMdMember::nErrors),
};

template <typename TRecord, size_t N>
const CMdField<TRecord>* FindField(const CMdField<TRecord> (&aFields)[N], const char* pszName) {
    for (const CMdField<TRecord>& stField : aFields) {
        if (strcmp(pszName, stField.pszName) == 0) {
            return &stField;
        }
    }
    return nullptr;
}

template <typename TRecord>
const TRecord* FindRecord(const std::vector<TRecord>& vRecords, int iInstance) {
    if (iInstance < 0 || static_cast<size_t>(iInstance) >= vRecords.size()) {
        return nullptr;
    }
    return &vRecords[static_cast<size_t>(iInstance)];
}

template <typename TRecord, size_t N>
bool ReadInt(const std::vector<TRecord>& vRecords, const CMdField<TRecord> (&aFields)[N],
             int iInstance, const char* pszName, int& nValue) {
    const CMdField<TRecord>* pField = FindField(aFields, pszName);
    const TRecord* pRecord = FindRecord(vRecords, iInstance);
    if (pRecord != nullptr && strcmp(pszName, INDEX_ATTRIBUTE) == 0) {
        nValue = iInstance;
        return true;
    }
    if (pField == nullptr || pRecord == nullptr || pField->pnValue == nullptr ||
        !(pRecord->*pField->pnValue).bKnown) {
        return false;
    }
    nValue = (pRecord->*pField->pnValue).value;
    return true;
}

template <typename TRecord, size_t N>
bool ReadText(const std::vector<TRecord>& vRecords, const CMdField<TRecord> (&aFields)[N],
              int iInstance, const char* pszName, std::string& strValue) {
    const CMdField<TRecord>* pField = FindField(aFields, pszName);
    const TRecord* pRecord = FindRecord(vRecords, iInstance);
    if (pField == nullptr || pRecord == nullptr) {
        return false;
    }
    if (pField->pstrName != nullptr) {
        strValue = pRecord->*pField->pstrName;
        return true;
    }
    if (pField->pstrText == nullptr || !(pRecord->*pField->pstrText).bKnown) {
        return false;
    }
    strValue = (pRecord->*pField->pstrText).value;
    return true;
}

// What sync_speed_max takes: a limit in KiB/s, or "system" for 0.
std::string SyncSpeedText(int iValue) {
    return iValue == 0 ? "system" : std::to_string(iValue);
}

} // namespace

MdSnapshotPtr CMdHolder::snapshot() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pPinned == nullptr) {
        m_pPinned = m_stCache.last();
    }
    return m_pPinned;
}

int CMdHolder::getInstanceCount() {
    MdSnapshotPtr pSnapshot = m_stCache.fresh();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pPinned = pSnapshot;
    }
    size_t nCount =
        m_eClass == MD_CLASS_ARRAY ? pSnapshot->vArrays.size() : pSnapshot->vMembers.size();
    return static_cast<int>(nCount);
}

int CMdHolder::getIntAttribute(int iInstance, char* pszAttribute, int* piValue) {
    if (pszAttribute == nullptr || piValue == nullptr) {
        return -1;
    }
    MdSnapshotPtr pSnapshot = snapshot();
    int nValue = 0;
    bool bRead =
        m_eClass == MD_CLASS_ARRAY
            ? ReadInt(pSnapshot->vArrays, g_aArrayFields, iInstance, pszAttribute, nValue)
            : ReadInt(pSnapshot->vMembers, g_aMemberFields, iInstance, pszAttribute, nValue);
    if (!bRead) {
        return -1;
    }
    *piValue = nValue;
    return 0;
}

int CMdHolder::getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) {
    if (pszAttribute == nullptr || pszBuffer == nullptr) {
        return -1;
    }
    MdSnapshotPtr pSnapshot = snapshot();
    std::string strValue;
    bool bRead =
        m_eClass == MD_CLASS_ARRAY
            ? ReadText(pSnapshot->vArrays, g_aArrayFields, iInstance, pszAttribute, strValue)
            : ReadText(pSnapshot->vMembers, g_aMemberFields, iInstance, pszAttribute, strValue);
    if (!bRead) {
        return -1;
    }
    snprintf(pszBuffer, STORAGELIB_STRING_BUFFER_SIZE, "%s", strValue.c_str());
    return 0;
}

int CMdHolder::setIntAttribute(int iInstance, char* pszAttribute, int iValue) {
    if (m_eClass != MD_CLASS_ARRAY || pszAttribute == nullptr ||
        strcmp(pszAttribute, SYNC_SPEED_MAX_ATTRIBUTE) != 0 || iValue < 0) {
        return -1;
    }
    MdSnapshotPtr pSnapshot = snapshot();
    const CMdArray* pArray = FindRecord(pSnapshot->vArrays, iInstance);
    if (pArray == nullptr) {
        return -1;
    }
    std::string strPath = m_stFiles.mdFolder(pArray->strName) + "/sync_speed_max";
    std::string strText = SyncSpeedText(iValue);
    std::string strError;
    bool bWritten = CMdFiles::writeAttribute(strPath, strText, strError);
    m_stCache.invalidate();
    if (!bWritten) {
        CMdProblemLog::logLine(LOG_ERR, "cannot write " + strText + " to " + strPath + ": " +
                                            strError + "; " + pArray->strName +
                                            "'s SyncSpeedMax stays as it was");
        return -1;
    }
    return 0;
}
