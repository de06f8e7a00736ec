// The reader of /proc/mdstat. Each array there is a block of lines:
//
//   md1 : active (auto-read-only) raid5 sdd1[3] sdc1[1] sdb1[0](F)
//         2095104 blocks super 1.2 level 5, 512k chunk, algorithm 2 [3/2] [_U_]
//         [=>...................]  recovery =  5.0% (52480/1047552) ...
//
// of which the library takes the array's name, its state word, read-only
// note and personality, and the device status "_U_" (one letter per slot:
// U in use, _ missing), which sysfs has no file for.
#ifndef KORVOMD_CMDSTAT_H
#define KORVOMD_CMDSTAT_H

#include <string>
#include <vector>

struct CMdStatArray {
    std::string strName;        // md1
    std::string strState;       // active, inactive
    std::string strReadOnly;    // "", read-only, auto-read-only
    std::string strPersonality; // raid5; empty for an inactive array
    std::string strDiskStatus;  // _U_; empty when the array shows none
};

struct CMdStat {
    std::vector<CMdStatArray> vArrays;
    std::vector<std::string> vProblems; // lines that are not of the known shapes
};

CMdStat ParseMdstat(const std::string& strText);

// The array of that name, or null.
const CMdStatArray* FindMdstatArray(const CMdStat& stStat, const std::string& strName);

#endif // KORVOMD_CMDSTAT_H
