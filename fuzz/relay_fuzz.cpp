// The relay's input: pass_persist lines (get, getnext, set with "TYPE VALUE")
// and pass arguments (the same words), taken through the relay's checks to
// the block's request words, and a daemon answer (the input after "\n==\n")
// read back against the request.
#include "channel/zundshm.h"
#include "relaycore.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

std::string g_strAnswerArea;

void Exchange(const RelayRequest& stRequest) {
    char szArea[ZUND_TEXT_AREA_SIZE];
    if (!BuildRequestWords(stRequest, szArea, sizeof(szArea))) {
        return;
    }
    memset(szArea, 0, sizeof(szArea));
    memcpy(szArea, g_strAnswerArea.data(),
           g_strAnswerArea.size() < sizeof(szArea) ? g_strAnswerArea.size() : sizeof(szArea));
    uint32_t nItems = g_strAnswerArea.empty() ? 0 : static_cast<uint8_t>(g_strAnswerArea[0]) % 3;
    RelayAnswer stAnswer = ReadAnswer(stRequest, nItems, szArea, sizeof(szArea));
    if (stAnswer.nKind == RelayAnswer::VALUE) {
        std::vector<uint32_t> vAnswer;
        if (!ParseNumericOid(stAnswer.strOID, vAnswer) || !IsInSubtree(vAnswer)) {
            abort(); // the relay must never pass on an OID outside its subtree
        }
    }
}

void Read(RelayMethod nMethod, const std::string& strOID) {
    RelayRequest stRequest;
    stRequest.nMethod = nMethod;
    if (!ParseNumericOid(strOID, stRequest.vOID) || stRequest.vOID.size() > ZUND_MAX_OID_IDS) {
        return;
    }
    if (nMethod == RELAY_GET && !IsInSubtree(stRequest.vOID)) {
        return;
    }
    FormatOid(stRequest.vOID);
    Exchange(stRequest);
}

void Set(const std::string& strOID, const std::string& strTypedValue) {
    RelayRequest stRequest;
    stRequest.nMethod = RELAY_SET;
    if (!ParseNumericOid(strOID, stRequest.vOID) || stRequest.vOID.size() > ZUND_MAX_OID_IDS ||
        !IsInSubtree(stRequest.vOID)) {
        return;
    }
    size_t nSpace = strTypedValue.find(' ');
    std::string strType = strTypedValue.substr(0, nSpace);
    std::string strValue = nSpace == std::string::npos ? "" : strTypedValue.substr(nSpace + 1);
    if (AcceptSetValue(strType, strValue, stRequest).empty()) {
        Exchange(stRequest);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strInput(reinterpret_cast<const char*>(pData), nSize);
    size_t nSplit = strInput.find("\n==\n");
    g_strAnswerArea = nSplit == std::string::npos ? "" : strInput.substr(nSplit + 4);
    std::istringstream stLines(strInput.substr(0, nSplit));
    std::string strCommand;
    std::string strOID;
    std::string strTypedValue;
    while (std::getline(stLines, strCommand)) {
        if (strCommand == "get" || strCommand == "-g" || strCommand == "getnext" ||
            strCommand == "-n") {
            if (!std::getline(stLines, strOID)) {
                break;
            }
            bool bGet = strCommand == "get" || strCommand == "-g";
            Read(bGet ? RELAY_GET : RELAY_GETNEXT, strOID);
        } else if (strCommand == "set" || strCommand == "-s") {
            if (!std::getline(stLines, strOID) || !std::getline(stLines, strTypedValue)) {
                break;
            }
            Set(strOID, strTypedValue);
        }
    }
    return 0;
}
