#include "relaycore.h"

#include "channel/zundshm.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

const char* const RELAY_SUBTREE = ".1.3.6.1.4.1.7310";
const char* const SET_REFUSAL_WORD = "not-writable";

namespace {

const char* const SET_ERROR_WORDS[] = {
    "not-writable", "wrong-type",           "wrong-length",  "wrong-value", "inconsistent-value",
    "no-creation",  "resource-unavailable", "commit-failed", "gen-error",
};

bool IsDecimalDigits(const std::string& strText) {
    if (strText.empty()) {
        return false;
    }
    for (char cDigit : strText) {
        if (cDigit < '0' || cDigit > '9') {
            return false;
        }
    }
    return true;
}

// A signed 32-bit decimal, as the daemon reads and writes integer values.
bool IsInt32Text(const std::string& strText) {
    size_t nStart = (!strText.empty() && (strText[0] == '-' || strText[0] == '+')) ? 1 : 0;
    if (!IsDecimalDigits(strText.substr(nStart)) || strText.size() - nStart > 11) {
        return false;
    }
    long long llValue = strtoll(strText.c_str(), nullptr, 10);
    return llValue >= INT32_MIN && llValue <= INT32_MAX;
}

// The daemon prints sub-identifiers as signed 32-bit decimals.
bool ParseAnswerOid(const std::string& strText, std::vector<uint32_t>& vOID) {
    vOID.clear();
    if (strText.size() < 2 || strText[0] != '.') {
        return false;
    }
    size_t nPos = 1;
    while (nPos <= strText.size()) {
        size_t nDot = strText.find('.', nPos);
        std::string strPart =
            strText.substr(nPos, nDot == std::string::npos ? std::string::npos : nDot - nPos);
        if (!IsInt32Text(strPart) || strPart[0] == '+') {
            return false;
        }
        vOID.push_back(static_cast<uint32_t>(static_cast<int32_t>(atol(strPart.c_str()))));
        if (nDot == std::string::npos) {
            break;
        }
        nPos = nDot + 1;
    }
    return true;
}

// Strips one pair of matching outer quotes, as snmpd adds them around strings.
std::string StripQuotes(const std::string& strValue) {
    if (strValue.size() >= 2) {
        char cFirst = strValue.front();
        if ((cFirst == '"' || cFirst == '\'') && strValue.back() == cFirst) {
            return strValue.substr(1, strValue.size() - 2);
        }
    }
    return strValue;
}

// A value line must stay one line on snmpd's side.
std::string OneLine(std::string strValue) {
    for (char& cChar : strValue) {
        if (cChar == '\n' || cChar == '\r') {
            cChar = ' ';
        }
    }
    return strValue;
}

RelayAnswer ReadSetAnswer(uint32_t nItems, const std::string& strText) {
    RelayAnswer stAnswer;
    if (nItems == 0) {
        stAnswer.nKind = RelayAnswer::SET_DONE;
        return stAnswer;
    }
    stAnswer.nKind = RelayAnswer::SET_ERROR;
    stAnswer.strError = "gen-error";
    for (const char* pszWord : SET_ERROR_WORDS) {
        if (strText == pszWord) {
            stAnswer.strError = pszWord;
        }
    }
    return stAnswer;
}

bool IsAcceptableOid(const RelayRequest& stRequest, const std::vector<uint32_t>& vAnswerOID) {
    if (stRequest.nMethod == RELAY_GET) {
        return CompareOid(vAnswerOID, stRequest.vOID) == 0;
    }
    return CompareOid(vAnswerOID, stRequest.vOID) > 0 && IsInSubtree(vAnswerOID);
}

} // namespace

bool ParseNumericOid(const std::string& strText, std::vector<uint32_t>& vOID) {
    vOID.clear();
    size_t nPos = (!strText.empty() && strText[0] == '.') ? 1 : 0;
    if (nPos >= strText.size()) {
        return false;
    }
    while (true) {
        size_t nDot = strText.find('.', nPos);
        std::string strPart =
            strText.substr(nPos, nDot == std::string::npos ? std::string::npos : nDot - nPos);
        if (!IsDecimalDigits(strPart) || strPart.size() > 10) {
            return false;
        }
        unsigned long long ullValue = strtoull(strPart.c_str(), nullptr, 10);
        if (ullValue > UINT32_MAX) {
            return false;
        }
        vOID.push_back(static_cast<uint32_t>(ullValue));
        if (nDot == std::string::npos) {
            return true;
        }
        nPos = nDot + 1;
    }
}

std::string FormatOid(const std::vector<uint32_t>& vOID) {
    std::string strText;
    for (uint32_t nId : vOID) {
        strText += '.';
        strText += std::to_string(nId);
    }
    return strText;
}

int CompareOid(const std::vector<uint32_t>& vLeft, const std::vector<uint32_t>& vRight) {
    size_t nCommon = vLeft.size() < vRight.size() ? vLeft.size() : vRight.size();
    for (size_t i = 0; i < nCommon; ++i) {
        if (vLeft[i] != vRight[i]) {
            return vLeft[i] < vRight[i] ? -1 : 1;
        }
    }
    if (vLeft.size() == vRight.size()) {
        return 0;
    }
    return vLeft.size() < vRight.size() ? -1 : 1;
}

bool IsInSubtree(const std::vector<uint32_t>& vOID) {
    std::vector<uint32_t> vSubtree;
    ParseNumericOid(RELAY_SUBTREE, vSubtree);
    if (vOID.size() < vSubtree.size()) {
        return false;
    }
    return std::equal(vSubtree.begin(), vSubtree.end(), vOID.begin());
}

std::string AcceptSetValue(const std::string& strType, const std::string& strValue,
                           RelayRequest& stRequest) {
    // Every refusal is the one word the daemon answers for a set it refuses:
    // the block cannot tell a value of another type or out of the holder's
    // range from a read-only object, so the relay's own checks answer alike.
    std::string strPlain;
    if (strType == "integer") {
        strPlain = strValue;
        if (!IsInt32Text(strPlain)) {
            return SET_REFUSAL_WORD;
        }
    } else if (strType == "string") {
        strPlain = StripQuotes(strValue);
        if (strPlain.find('\0') != std::string::npos) {
            return SET_REFUSAL_WORD;
        }
    } else {
        return SET_REFUSAL_WORD;
    }
    if (strPlain.size() >= ZUND_VALUE_WORD_SIZE) {
        return SET_REFUSAL_WORD;
    }
    stRequest.strType = strType;
    stRequest.strValue = strPlain;
    return "";
}

bool BuildRequestWords(const RelayRequest& stRequest, char* pszArea, size_t nSize) {
    static const char* const METHOD_WORDS[] = {"-g", "-n", "-s"};
    std::vector<std::string> vWords;
    vWords.push_back(METHOD_WORDS[stRequest.nMethod]);
    vWords.push_back(FormatOid(stRequest.vOID));
    if (stRequest.nMethod == RELAY_SET) {
        vWords.push_back(stRequest.strType);
        vWords.push_back(stRequest.strValue);
        if (stRequest.strType.size() >= ZUND_TYPE_WORD_SIZE ||
            stRequest.strValue.size() >= ZUND_VALUE_WORD_SIZE) {
            return false;
        }
    }
    if (stRequest.vOID.empty() || stRequest.vOID.size() > ZUND_MAX_OID_IDS) {
        return false;
    }
    size_t nUsed = 0;
    for (const std::string& strWord : vWords) {
        if (nUsed + strWord.size() + 1 > nSize) {
            return false;
        }
        memcpy(pszArea + nUsed, strWord.c_str(), strWord.size() + 1);
        nUsed += strWord.size() + 1;
    }
    return true;
}

RelayAnswer ReadAnswer(const RelayRequest& stRequest, uint32_t nItems, const char* pszArea,
                       size_t nSize) {
    const void* pEnd = memchr(pszArea, '\0', nSize);
    std::string strText(pszArea, pEnd ? static_cast<const char*>(pEnd) - pszArea : 0);
    if (stRequest.nMethod == RELAY_SET) {
        return ReadSetAnswer(nItems, strText);
    }
    RelayAnswer stAnswer;
    if (nItems != 1 || pEnd == nullptr || strText.empty() || strText.back() != '\n') {
        return stAnswer;
    }
    size_t nFirst = strText.find('\n');
    size_t nSecond = strText.find('\n', nFirst + 1);
    if (nSecond == std::string::npos || nSecond + 2 > strText.size()) {
        return stAnswer;
    }
    std::string strOidLine = strText.substr(0, nFirst);
    std::string strType = strText.substr(nFirst + 1, nSecond - nFirst - 1);
    std::string strValue = strText.substr(nSecond + 1, strText.size() - nSecond - 2);
    std::vector<uint32_t> vAnswerOID;
    if (!ParseAnswerOid(strOidLine, vAnswerOID) || !IsAcceptableOid(stRequest, vAnswerOID)) {
        return stAnswer;
    }
    if (strType == "integer" && !IsInt32Text(strValue)) {
        return stAnswer;
    }
    if (strType != "integer" && strType != "string") {
        return stAnswer;
    }
    stAnswer.nKind = RelayAnswer::VALUE;
    stAnswer.strOID = FormatOid(vAnswerOID);
    stAnswer.strType = strType;
    stAnswer.strValue = OneLine(strValue);
    return stAnswer;
}
