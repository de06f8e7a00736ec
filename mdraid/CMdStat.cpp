#include "CMdStat.h"

#include "CMdParse.h"

#include <sstream>

namespace {

std::vector<std::string> Tokens(const std::string& strLine) {
    std::vector<std::string> vTokens;
    std::istringstream stStream(strLine);
    std::string strToken;
    while (stStream >> strToken) {
        vTokens.push_back(strToken);
    }
    return vTokens;
}

bool IsIndented(const std::string& strLine) {
    return !strLine.empty() && (strLine[0] == ' ' || strLine[0] == '\t');
}

// "[UU_]": brackets around U and _ only.
bool IsDiskStatus(const std::string& strToken) {
    if (strToken.size() < 3 || strToken.front() != '[' || strToken.back() != ']') {
        return false;
    }
    for (size_t i = 1; i + 1 < strToken.size(); ++i) {
        if (strToken[i] != 'U' && strToken[i] != '_') {
            return false;
        }
    }
    return true;
}

bool IsMemberToken(const std::string& strToken) {
    return strToken.find('[') != std::string::npos;
}

std::string LineProblem(size_t nLine, const std::string& strLine, const char* pszWhat) {
    return "line " + std::to_string(nLine) + " " + QuotedForLog(strLine) + " " + pszWhat;
}

// "NAME : STATE [(read-only)] [PERSONALITY] MEMBERS..."; false when the
// state is no word the kernel writes there.
bool ReadHeader(const std::vector<std::string>& vTokens, CMdStatArray& stArray) {
    if (vTokens.size() < 3 || (vTokens[2] != "active" && vTokens[2] != "inactive")) {
        return false;
    }
    stArray.strName = vTokens[0];
    stArray.strState = vTokens[2];
    size_t nNext = 3;
    if (nNext < vTokens.size() &&
        (vTokens[nNext] == "(read-only)" || vTokens[nNext] == "(auto-read-only)")) {
        stArray.strReadOnly = vTokens[nNext].substr(1, vTokens[nNext].size() - 2);
        ++nNext;
    }
    if (nNext < vTokens.size() && !IsMemberToken(vTokens[nNext])) {
        stArray.strPersonality = vTokens[nNext];
    }
    return true;
}

void ReadStatusLine(const std::vector<std::string>& vTokens, CMdStatArray& stArray) {
    for (const std::string& strToken : vTokens) {
        if (IsDiskStatus(strToken)) {
            stArray.strDiskStatus = strToken.substr(1, strToken.size() - 2);
        }
    }
}

bool IsOtherTopLine(const std::vector<std::string>& vTokens) {
    return vTokens[0] == "Personalities" || vTokens[0] == "unused" || vTokens[0] == "read_ahead";
}

} // namespace

CMdStat ParseMdstat(const std::string& strText) {
    CMdStat stStat;
    std::istringstream stLines(strText);
    std::string strLine;
    size_t nLine = 0;
    CMdStatArray* pCurrent = nullptr;
    while (std::getline(stLines, strLine)) {
        ++nLine;
        std::vector<std::string> vTokens = Tokens(strLine);
        if (vTokens.empty()) {
            pCurrent = nullptr;
            continue;
        }
        if (IsIndented(strLine)) {
            if (pCurrent != nullptr) {
                ReadStatusLine(vTokens, *pCurrent);
            }
            continue;
        }
        pCurrent = nullptr;
        if (IsOtherTopLine(vTokens)) {
            continue;
        }
        CMdStatArray stArray;
        if (vTokens.size() < 2 || vTokens[1] != ":") {
            stStat.vProblems.push_back(LineProblem(nLine, strLine, "is of no known shape"));
            continue;
        }
        if (!ReadHeader(vTokens, stArray)) {
            stStat.vProblems.push_back(
                LineProblem(nLine, strLine, "names no state active or inactive"));
            continue;
        }
        stStat.vArrays.push_back(stArray);
        pCurrent = &stStat.vArrays.back();
    }
    return stStat;
}

const CMdStatArray* FindMdstatArray(const CMdStat& stStat, const std::string& strName) {
    for (const CMdStatArray& stArray : stStat.vArrays) {
        if (stArray.strName == strName) {
            return &stArray;
        }
    }
    return nullptr;
}
