// One scan of the kernel's md files: every array under sys/block with its
// md folder, its attributes and its members, and the device status from
// /proc/mdstat. A value that cannot be read or is malformed stays unknown and
// gives a problem; an array or member removed while it was read is left out.
#ifndef KORVOMD_CMDSCANNER_H
#define KORVOMD_CMDSCANNER_H

#include "CMdFiles.h"
#include "CMdProblemLog.h"
#include "CMdRecords.h"
#include "CMdStat.h"

#include <string>
#include <vector>

// Most bytes of /proc/mdstat read; a host with hundreds of arrays stays below.
const size_t MD_MDSTAT_MAX_BYTES = 1024 * 1024;

class CMdScanner {
  public:
    explicit CMdScanner(const CMdFiles& stFiles) : m_stFiles(stFiles) {}

    CMdSnapshot scan(MdProblemList& vProblems) const;

    // The arrays under sys/block (names with an md folder), in md number order.
    std::vector<std::string> listArrays(MdProblemList& vProblems) const;
    // Reads one array; false when it was removed while it was read.
    bool readArray(const std::string& strName, const CMdStat& stStat, CMdArray& stArray,
                   MdProblemList& vProblems) const;
    // /proc/mdstat, or nothing when the kernel has no md driver.
    CMdStat readMdstat(bool bArraysExist, MdProblemList& vProblems) const;

  private:
    bool readMember(const std::string& strArray, const std::string& strFolder, CMdMember& stMember,
                    MdProblemList& vProblems) const;
    void readMembers(CMdArray& stArray, MdProblemList& vProblems) const;

    const CMdFiles& m_stFiles;
};

// md2 before md10, names without a number after those with one.
bool ComesBeforeArray(const std::string& strLeft, const std::string& strRight);

#endif // KORVOMD_CMDSCANNER_H
