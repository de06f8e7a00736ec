// The md library's reader of /proc/mdstat, fed through a file in the work
// folder's proc/mdstat as the library reads it, and the parsers of its sysfs
// attribute texts on each line of the same input.
#include "CFuzzWorkDir.h"
#include "CMdParse.h"
#include "CMdScanner.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string g_strRoot;

void ParseAttributeLine(const std::string& strLine) {
    uint64_t nValue = 0;
    bool bProgress = false;
    int nPerMille = 0;
    ParseCount(strLine, nValue);
    ParseReshapeCount(strLine, nValue);
    ParseSyncSpeed(strLine, nValue);
    if (ParseSyncCompleted(strLine, bProgress, nPerMille) && bProgress &&
        (nPerMille < 0 || nPerMille > 1000)) {
        abort();
    }
    MemberStateCode(strLine, true);
    LevelCode(strLine);
    ArrayStateCode(strLine);
    SyncActionCode(strLine);
    QuotedForLog(strLine);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    g_strRoot = CFuzzWorkDir::PathOf("");
    mkdir(CFuzzWorkDir::PathOf("proc").c_str(), 0700);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CFuzzWorkDir::WriteFile("proc/mdstat", pData, nSize);
    CMdFiles stFiles(g_strRoot);
    MdProblemList vProblems;
    CMdStat stStat = CMdScanner(stFiles).readMdstat(true, vProblems);
    for (const CMdStatArray& stArray : stStat.vArrays) {
        if (stArray.strName.empty() || FindMdstatArray(stStat, stArray.strName) == nullptr) {
            abort();
        }
    }
    std::istringstream stLines(std::string(reinterpret_cast<const char*>(pData), nSize));
    std::string strLine;
    while (std::getline(stLines, strLine)) {
        ParseAttributeLine(strLine);
    }
    return 0;
}
