#include "CMdScanner.h"

#include "CMdParse.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <syslog.h>

namespace {

const char* const MEMBER_FOLDER_PREFIX = "dev-";

// Whether a missing file is a problem: the redundancy attributes (degraded,
// sync_action, ...) exist only while a level with redundancy runs.
enum EMdNeed { MD_FILE_REQUIRED, MD_FILE_IF_REDUNDANT };

// Reads the attribute files of one array or member folder, keeping the
// problems apart until the caller knows the folder still exists.
class CMdAttributeReader {
  public:
    CMdAttributeReader(const std::string& strFolder, const std::string& strOwner)
        : m_strFolder(strFolder), m_strOwner(strOwner) {}

    // The text of a file, or false with a problem (none for a redundancy
    // attribute that is missing, or an empty file where bEmptyIsNormal).
    bool text(const char* pszFile, const char* pszAttribute, EMdNeed eNeed, bool bEmptyIsNormal,
              std::string& strText) {
        std::string strPath = m_strFolder + "/" + pszFile;
        CMdFileText stText = CMdFiles::readAttribute(strPath);
        m_nLastErrno = stText.nErrno;
        if (stText.eStatus == MD_READ_OK) {
            strText = stText.strText;
            return true;
        }
        bool bQuiet = (stText.eStatus == MD_READ_MISSING && eNeed == MD_FILE_IF_REDUNDANT) ||
                      (stText.eStatus == MD_READ_EMPTY && bEmptyIsNormal);
        if (!bQuiet) {
            add(strPath + " " + CMdFiles::describeFailure(stText), pszAttribute);
        }
        return false;
    }

    void malformed(const char* pszFile, const char* pszAttribute, const std::string& strText,
                   const char* pszExpected) {
        add(m_strFolder + "/" + pszFile + " holds " + QuotedForLog(strText) + ", not " +
                pszExpected,
            pszAttribute);
    }

    // A count that must fit the agent's 32-bit integers, divided by nUnit.
    bool served(const char* pszFile, const char* pszAttribute, uint64_t nValue, uint64_t nUnit,
                CMdInt& nServed) {
        uint64_t nScaled = nValue / nUnit;
        if (nScaled > static_cast<uint64_t>(INT_MAX)) {
            add(m_strFolder + "/" + pszFile + " holds " + std::to_string(nValue) +
                    ", too large for a 32-bit value",
                pszAttribute);
            return false;
        }
        nServed.set(static_cast<int>(nScaled));
        return true;
    }

    // Takes over the problems of another folder's reader.
    void adopt(const CMdAttributeReader& stOther) {
        m_vProblems.insert(m_vProblems.end(), stOther.m_vProblems.begin(),
                           stOther.m_vProblems.end());
    }

    int lastErrno() const { return m_nLastErrno; }
    const MdProblemList& problems() const { return m_vProblems; }

  private:
    void add(const std::string& strWhat, const char* pszAttribute) {
        m_vProblems.push_back(
            {LOG_ERR, strWhat + ": " + m_strOwner + "'s " + pszAttribute + " is not served"});
    }

    std::string m_strFolder;
    std::string m_strOwner;
    MdProblemList m_vProblems;
    int m_nLastErrno = 0;
};

// An attribute with a count (raid_disks and chunk_size may show "new (old)"
// during a reshape), scaled down by nUnit.
void ReadCount(CMdAttributeReader& stReader, const char* pszFile, const char* pszAttribute,
               EMdNeed eNeed, bool bEmptyIsNormal, uint64_t nUnit, CMdInt& nValue) {
    std::string strText;
    uint64_t nCount = 0;
    if (!stReader.text(pszFile, pszAttribute, eNeed, bEmptyIsNormal, strText)) {
        return;
    }
    if (!ParseReshapeCount(strText, nCount)) {
        stReader.malformed(pszFile, pszAttribute, strText, "a count");
        return;
    }
    stReader.served(pszFile, pszAttribute, nCount, nUnit, nValue);
}

void ReadLevel(CMdAttributeReader& stReader, bool bInactive, CMdArray& stArray) {
    std::string strText;
    if (stReader.text("level", "LevelName", MD_FILE_REQUIRED, bInactive, strText)) {
        stArray.strLevel.set(strText);
        stArray.nLevel.set(LevelCode(strText));
    }
}

void ReadSyncAction(CMdAttributeReader& stReader, CMdArray& stArray) {
    std::string strText;
    if (stReader.text("sync_action", "SyncActionName", MD_FILE_IF_REDUNDANT, false, strText)) {
        stArray.strSyncAction.set(strText);
        stArray.nSyncAction.set(SyncActionCode(strText));
    }
}

void ReadSyncProgress(CMdAttributeReader& stReader, CMdArray& stArray) {
    std::string strText;
    bool bProgress = false;
    int nPerMille = 0;
    if (!stReader.text("sync_completed", "SyncProgress", MD_FILE_IF_REDUNDANT, false, strText)) {
        return;
    }
    if (!ParseSyncCompleted(strText, bProgress, nPerMille)) {
        stReader.malformed("sync_completed", "SyncProgress", strText,
                           "\"done / total\", none or delayed");
    } else if (bProgress) {
        stArray.nSyncPerMille.set(nPerMille);
    }
}

void ReadSyncSpeedMax(CMdAttributeReader& stReader, CMdArray& stArray) {
    std::string strText;
    uint64_t nSpeed = 0;
    if (!stReader.text("sync_speed_max", "SyncSpeedMax", MD_FILE_IF_REDUNDANT, false, strText)) {
        return;
    }
    if (!ParseSyncSpeed(strText, nSpeed)) {
        stReader.malformed("sync_speed_max", "SyncSpeedMax", strText,
                           "a speed such as \"200000 (system)\"");
    } else {
        stReader.served("sync_speed_max", "SyncSpeedMax", nSpeed, 1, stArray.nSyncSpeedMax);
    }
}

void ReadSizes(CMdAttributeReader& stReader, const std::string& strBlockFolder, CMdArray& stArray) {
    // The array's capacity is the block device's size, in 512-byte sectors.
    CMdAttributeReader stBlockReader(strBlockFolder, stArray.strName);
    ReadCount(stBlockReader, "size", "SizeMiB", MD_FILE_REQUIRED, false, 2048, stArray.nSizeMiB);
    ReadCount(stReader, "component_size", "ComponentSizeMiB", MD_FILE_REQUIRED, false, 1024,
              stArray.nComponentSizeMiB);
    ReadCount(stReader, "chunk_size", "ChunkSizeKiB", MD_FILE_REQUIRED, false, 1024,
              stArray.nChunkSizeKiB);
    stReader.adopt(stBlockReader);
}

// Everything of an array but its state, its members and its device status.
void ReadArrayValues(CMdAttributeReader& stReader, bool bInactive,
                     const std::string& strBlockFolder, CMdArray& stArray) {
    // An array being assembled may not know its level and device count yet.
    ReadLevel(stReader, bInactive, stArray);
    ReadCount(stReader, "raid_disks", "RaidDisks", MD_FILE_REQUIRED, bInactive, 1,
              stArray.nRaidDisks);
    ReadCount(stReader, "degraded", "Degraded", MD_FILE_IF_REDUNDANT, false, 1, stArray.nDegraded);
    ReadSyncAction(stReader, stArray);
    ReadSyncProgress(stReader, stArray);
    ReadSyncSpeedMax(stReader, stArray);
    ReadSizes(stReader, strBlockFolder, stArray);
    std::string strText;
    if (stReader.text("metadata_version", "MetadataVersion", MD_FILE_REQUIRED, false, strText)) {
        stArray.strMetadataVersion.set(strText);
    }
}

std::string NumberPart(const std::string& strName) {
    if (strName.size() <= 2 || strName.compare(0, 2, "md") != 0) {
        return "";
    }
    std::string strDigits = strName.substr(2);
    uint64_t nNumber = 0;
    return ParseCount(strDigits, nNumber) ? strDigits : "";
}

bool ComesBeforeMember(const CMdMember& stLeft, const CMdMember& stRight) {
    bool bLeftSlot = stLeft.nSlot.bKnown && stLeft.nSlot.value != MD_SLOT_NONE;
    bool bRightSlot = stRight.nSlot.bKnown && stRight.nSlot.value != MD_SLOT_NONE;
    if (bLeftSlot != bRightSlot) {
        return bLeftSlot;
    }
    if (bLeftSlot && stLeft.nSlot.value != stRight.nSlot.value) {
        return stLeft.nSlot.value < stRight.nSlot.value;
    }
    return stLeft.strName < stRight.strName;
}

void Append(MdProblemList& vTarget, const MdProblemList& vSource) {
    vTarget.insert(vTarget.end(), vSource.begin(), vSource.end());
}

CMdProblem RemovedWhileRead(const std::string& strWhat) {
    return {LOG_WARNING, strWhat + " was removed while it was being read; it is left out"};
}

} // namespace

bool ComesBeforeArray(const std::string& strLeft, const std::string& strRight) {
    std::string strLeftNumber = NumberPart(strLeft);
    std::string strRightNumber = NumberPart(strRight);
    if (strLeftNumber.empty() != strRightNumber.empty()) {
        return !strLeftNumber.empty();
    }
    if (!strLeftNumber.empty() && strLeftNumber.size() != strRightNumber.size()) {
        return strLeftNumber.size() < strRightNumber.size(); // no leading zeros in md names
    }
    return strLeft < strRight;
}

std::vector<std::string> CMdScanner::listArrays(MdProblemList& vProblems) const {
    std::vector<std::string> vEntries;
    std::vector<std::string> vArrays;
    bool bMissing = false;
    if (!CMdFiles::listFolder(m_stFiles.blockFolder(), vEntries, bMissing)) {
        if (!bMissing) {
            vProblems.push_back(
                {LOG_ERR, "cannot list " + m_stFiles.blockFolder() + ": no array is served"});
        }
        return vArrays;
    }
    for (const std::string& strEntry : vEntries) {
        if (strEntry.compare(0, 2, "md") == 0 &&
            CMdFiles::folderExists(m_stFiles.mdFolder(strEntry))) {
            vArrays.push_back(strEntry);
        }
    }
    std::sort(vArrays.begin(), vArrays.end(), ComesBeforeArray);
    return vArrays;
}

CMdStat CMdScanner::readMdstat(bool bArraysExist, MdProblemList& vProblems) const {
    std::string strPath = m_stFiles.mdstatPath();
    CMdFileText stText = CMdFiles::readLines(strPath, MD_MDSTAT_MAX_BYTES);
    if (stText.eStatus != MD_READ_OK) {
        // Without the md driver there is no /proc/mdstat, and no array either.
        if (bArraysExist || stText.eStatus != MD_READ_MISSING) {
            vProblems.push_back({LOG_ERR, strPath + " " + CMdFiles::describeFailure(stText) +
                                              ": the arrays' DiskStatus is not served"});
        }
        return CMdStat();
    }
    CMdStat stStat = ParseMdstat(stText.strText);
    for (const std::string& strProblem : stStat.vProblems) {
        vProblems.push_back({LOG_ERR, strPath + ": " + strProblem + "; the line is skipped"});
    }
    return stStat;
}

bool CMdScanner::readMember(const std::string& strArray, const std::string& strFolderName,
                            CMdMember& stMember, MdProblemList& vProblems) const {
    std::string strFolder = m_stFiles.mdFolder(strArray) + "/" + strFolderName;
    stMember = CMdMember();
    stMember.strArrayName = strArray;
    stMember.strName = strFolderName.substr(strlen(MEMBER_FOLDER_PREFIX));
    CMdAttributeReader stReader(strFolder, strArray + "/" + stMember.strName);
    std::string strText;
    uint64_t nCount = 0;
    if (stReader.text("slot", "Slot", MD_FILE_REQUIRED, false, strText)) {
        // A journal device fills no slot of the array's data either.
        if (strText == "none" || strText == "journal") {
            stMember.nSlot.set(MD_SLOT_NONE);
        } else if (!ParseCount(strText, nCount)) {
            stReader.malformed("slot", "Slot", strText, "none or a slot number");
        } else {
            stReader.served("slot", "Slot", nCount, 1, stMember.nSlot);
        }
    }
    if (stReader.text("state", "StateName", MD_FILE_REQUIRED, false, strText)) {
        bool bFillsSlot = stMember.nSlot.bKnown && stMember.nSlot.value != MD_SLOT_NONE;
        stMember.strState.set(strText);
        stMember.nState.set(MemberStateCode(strText, bFillsSlot));
    }
    ReadCount(stReader, "errors", "Errors", MD_FILE_REQUIRED, false, 1, stMember.nErrors);
    if (!CMdFiles::folderExists(strFolder)) {
        vProblems.push_back(RemovedWhileRead("member " + stMember.strName + " of " + strArray));
        return false;
    }
    Append(vProblems, stReader.problems());
    return true;
}

void CMdScanner::readMembers(CMdArray& stArray, MdProblemList& vProblems) const {
    std::vector<std::string> vEntries;
    bool bMissing = false;
    if (!CMdFiles::listFolder(m_stFiles.mdFolder(stArray.strName), vEntries, bMissing)) {
        return; // the array is gone; the caller finds out
    }
    for (const std::string& strEntry : vEntries) {
        CMdMember stMember;
        if (strEntry.compare(0, strlen(MEMBER_FOLDER_PREFIX), MEMBER_FOLDER_PREFIX) == 0 &&
            strEntry.size() > strlen(MEMBER_FOLDER_PREFIX) &&
            readMember(stArray.strName, strEntry, stMember, vProblems)) {
            stArray.vMembers.push_back(stMember);
        }
    }
    std::sort(stArray.vMembers.begin(), stArray.vMembers.end(), ComesBeforeMember);
}

bool CMdScanner::readArray(const std::string& strName, const CMdStat& stStat, CMdArray& stArray,
                           MdProblemList& vProblems) const {
    std::string strFolder = m_stFiles.mdFolder(strName);
    CMdAttributeReader stReader(strFolder, strName);
    stArray = CMdArray();
    stArray.strName = strName;
    std::string strText;
    bool bInactive = false;
    if (stReader.text("array_state", "StateName", MD_FILE_REQUIRED, false, strText)) {
        stArray.strState.set(strText);
        stArray.nState.set(ArrayStateCode(strText));
        bInactive = !IsRunningState(stArray.nState.value);
    } else if (stReader.lastErrno() == EBUSY) {
        // The kernel answers EBUSY while it tears the array down.
        vProblems.push_back(RemovedWhileRead(strName));
        return false;
    }
    ReadArrayValues(stReader, bInactive, m_stFiles.blockFolder() + "/" + strName, stArray);
    const CMdStatArray* pListed = FindMdstatArray(stStat, strName);
    if (pListed != nullptr && !pListed->strDiskStatus.empty()) {
        stArray.strDiskStatus.set(pListed->strDiskStatus);
    }
    MdProblemList vMemberProblems;
    readMembers(stArray, vMemberProblems);
    if (!CMdFiles::folderExists(strFolder)) {
        vProblems.push_back(RemovedWhileRead(strName));
        return false;
    }
    Append(vProblems, stReader.problems());
    Append(vProblems, vMemberProblems);
    return true;
}

CMdSnapshot CMdScanner::scan(MdProblemList& vProblems) const {
    CMdSnapshot stSnapshot;
    std::vector<std::string> vNames = listArrays(vProblems);
    CMdStat stStat = readMdstat(!vNames.empty(), vProblems);
    for (const std::string& strName : vNames) {
        CMdArray stArray;
        MdProblemList vArrayProblems;
        if (!readArray(strName, stStat, stArray, vArrayProblems)) {
            Append(vProblems, vArrayProblems);
            continue;
        }
        // A clear array has no devices, no size and no level: there is none.
        if (stArray.nState.bKnown && stArray.nState.value == MD_STATE_CLEAR) {
            continue;
        }
        Append(vProblems, vArrayProblems);
        stSnapshot.vMembers.insert(stSnapshot.vMembers.end(), stArray.vMembers.begin(),
                                   stArray.vMembers.end());
        stSnapshot.vArrays.push_back(stArray);
    }
    return stSnapshot;
}
