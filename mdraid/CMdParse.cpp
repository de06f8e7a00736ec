#include "CMdParse.h"

#include "CMdRecords.h"

#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

namespace {

struct CMdWord {
    const char* pszWord;
    int nCode;
};

// Levels as the running personality names them, and as numbers that were
// written while an array is assembled.
const CMdWord g_aLevels[] = {
    {"raid0", MD_LEVEL_RAID0},   {"raid1", MD_LEVEL_RAID1},
    {"raid4", MD_LEVEL_RAID4},   {"raid5", MD_LEVEL_RAID5},
    {"raid6", MD_LEVEL_RAID6},   {"raid10", MD_LEVEL_RAID10},
    {"linear", MD_LEVEL_LINEAR}, {"multipath", MD_LEVEL_MULTIPATH},
    {"faulty", MD_LEVEL_FAULTY}, {"container", MD_LEVEL_CONTAINER},
    {"0", MD_LEVEL_RAID0},       {"1", MD_LEVEL_RAID1},
    {"4", MD_LEVEL_RAID4},       {"5", MD_LEVEL_RAID5},
    {"6", MD_LEVEL_RAID6},       {"10", MD_LEVEL_RAID10},
};

const CMdWord g_aArrayStates[] = {
    {"clear", MD_STATE_CLEAR},
    {"inactive", MD_STATE_INACTIVE},
    {"suspended", MD_STATE_SUSPENDED},
    {"readonly", MD_STATE_READONLY},
    {"read-auto", MD_STATE_READ_AUTO},
    {"clean", MD_STATE_CLEAN},
    {"active", MD_STATE_ACTIVE},
    {"write-pending", MD_STATE_WRITE_PENDING},
    {"active-idle", MD_STATE_ACTIVE_IDLE},
    {"broken", MD_STATE_BROKEN},
};

const CMdWord g_aSyncActions[] = {
    {"idle", MD_SYNC_IDLE},     {"resync", MD_SYNC_RESYNC}, {"recover", MD_SYNC_RECOVER},
    {"check", MD_SYNC_CHECK},   {"repair", MD_SYNC_REPAIR}, {"reshape", MD_SYNC_RESHAPE},
    {"frozen", MD_SYNC_FROZEN},
};

template <size_t N> int CodeOf(const CMdWord (&aWords)[N], const std::string& strWord, int nOther) {
    for (const CMdWord& stWord : aWords) {
        if (strWord == stWord.pszWord) {
            return stWord.nCode;
        }
    }
    return nOther;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits at nPos, moving nPos past them; refuses a value beyond 64 bits.
bool TakeCount(const std::string& strText, size_t& nPos, uint64_t& nValue) {
    size_t nStart = nPos;
    nValue = 0;
    while (nPos < strText.size() && IsDigit(strText[nPos])) {
        uint64_t nDigit = static_cast<uint64_t>(strText[nPos] - '0');
        if (nValue > (std::numeric_limits<uint64_t>::max() - nDigit) / 10) {
            return false;
        }
        nValue = nValue * 10 + nDigit;
        ++nPos;
    }
    return nPos > nStart;
}

bool TakeText(const std::string& strText, size_t& nPos, const char* pszExpected) {
    size_t nLength = strlen(pszExpected);
    if (strText.compare(nPos, nLength, pszExpected) != 0) {
        return false;
    }
    nPos += nLength;
    return true;
}

void SkipSpaces(const std::string& strText, size_t& nPos) {
    while (nPos < strText.size() && strText[nPos] == ' ') {
        ++nPos;
    }
}

std::vector<std::string> SplitWords(const std::string& strText, char cSeparator) {
    std::vector<std::string> vWords;
    std::stringstream stStream(strText);
    std::string strWord;
    while (std::getline(stStream, strWord, cSeparator)) {
        vWords.push_back(strWord);
    }
    return vWords;
}

bool HasWord(const std::vector<std::string>& vWords, const char* pszWord) {
    for (const std::string& strWord : vWords) {
        if (strWord == pszWord) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseCount(const std::string& strText, uint64_t& nValue) {
    size_t nPos = 0;
    return TakeCount(strText, nPos, nValue) && nPos == strText.size();
}

bool ParseReshapeCount(const std::string& strText, uint64_t& nValue) {
    size_t nPos = 0;
    if (!TakeCount(strText, nPos, nValue)) {
        return false;
    }
    if (nPos == strText.size()) {
        return true;
    }
    uint64_t nOld = 0;
    return TakeText(strText, nPos, " (") && TakeCount(strText, nPos, nOld) &&
           TakeText(strText, nPos, ")") && nPos == strText.size();
}

bool ParseSyncCompleted(const std::string& strText, bool& bProgress, int& nPerMille) {
    bProgress = false;
    nPerMille = 0;
    if (strText == "none" || strText == "delayed") {
        return true;
    }
    size_t nPos = 0;
    uint64_t nDone = 0;
    uint64_t nTotal = 0;
    if (!TakeCount(strText, nPos, nDone)) {
        return false;
    }
    SkipSpaces(strText, nPos);
    if (!TakeText(strText, nPos, "/")) {
        return false;
    }
    SkipSpaces(strText, nPos);
    if (!TakeCount(strText, nPos, nTotal) || nPos != strText.size() || nDone > nTotal) {
        return false;
    }
    if (nTotal == 0) {
        return true; // nothing to do yet: no progress to tell
    }
    unsigned __int128 nScaled = static_cast<unsigned __int128>(nDone) * 1000u;
    nPerMille = static_cast<int>(nScaled / nTotal);
    bProgress = true;
    return true;
}

bool ParseSyncSpeed(const std::string& strText, uint64_t& nValue) {
    size_t nPos = 0;
    if (!TakeCount(strText, nPos, nValue)) {
        return false;
    }
    if (nPos == strText.size()) {
        return true;
    }
    size_t nRest = nPos;
    if (TakeText(strText, nRest, " (system)") && nRest == strText.size()) {
        return true;
    }
    nRest = nPos;
    return TakeText(strText, nRest, " (local)") && nRest == strText.size();
}

int LevelCode(const std::string& strLevel) {
    return CodeOf(g_aLevels, strLevel, MD_LEVEL_OTHER);
}

int ArrayStateCode(const std::string& strState) {
    return CodeOf(g_aArrayStates, strState, MD_STATE_OTHER);
}

int SyncActionCode(const std::string& strAction) {
    return CodeOf(g_aSyncActions, strAction, MD_SYNC_OTHER);
}

// The word that says most about the member wins: a failure before its
// blocking, a journal before the sync words, in_sync before spare.
int MemberStateCode(const std::string& strWords, bool bFillsSlot) {
    std::vector<std::string> vWords = SplitWords(strWords, ',');
    if (HasWord(vWords, "faulty")) {
        return MD_MEMBER_FAULTY;
    }
    if (HasWord(vWords, "blocked")) {
        return MD_MEMBER_BLOCKED;
    }
    if (HasWord(vWords, "journal")) {
        return MD_MEMBER_JOURNAL;
    }
    if (HasWord(vWords, "in_sync")) {
        return MD_MEMBER_IN_SYNC;
    }
    if (HasWord(vWords, "spare")) {
        return bFillsSlot ? MD_MEMBER_REBUILDING : MD_MEMBER_SPARE;
    }
    return MD_MEMBER_OTHER;
}

bool IsSyncOperation(const std::string& strAction) {
    int nCode = SyncActionCode(strAction);
    return nCode != MD_SYNC_IDLE && nCode != MD_SYNC_FROZEN;
}

bool IsRunningState(int nState) {
    return nState != MD_STATE_CLEAR && nState != MD_STATE_INACTIVE;
}

std::string QuotedForLog(const std::string& strText) {
    const size_t nMaxShown = 40;
    std::string strShown;
    for (size_t i = 0; i < strText.size() && i < nMaxShown; ++i) {
        char c = strText[i];
        strShown += (c >= 0x20 && c <= 0x7e && c != '"') ? c : '?';
    }
    if (strText.size() > nMaxShown) {
        strShown += "...";
    }
    return "\"" + strShown + "\"";
}
