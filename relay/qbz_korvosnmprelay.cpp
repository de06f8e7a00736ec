// qbz_korvosnmprelay: the program snmpd runs for .1.3.6.1.4.1.7310. It speaks
// net-snmp's pass protocol (one request per run: -g OID, -n OID,
// -s OID TYPE VALUE) and its pass_persist protocol (no arguments or
// --persist: requests on standard input for as long as snmpd keeps it), and
// hands every request to the daemon through the shared-memory block.
//
// While serving it writes nothing to standard error: snmpd reads the relay's
// standard error together with its answers.
#include "relaychannel.h"
#include "relaycore.h"

#include "channel/zundshm.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const USAGE_TEXT =
    "usage: qbz_korvosnmprelay [--persist] | -g OID | -n OID | -s OID TYPE VALUE\n";

// Sends a get or get-next and returns the answer lines, or "" for none.
std::string AnswerRead(RelayMethod nMethod, const std::string& strOID) {
    RelayRequest stRequest;
    stRequest.nMethod = nMethod;
    if (!ParseNumericOid(strOID, stRequest.vOID)) {
        return "";
    }
    std::vector<uint32_t> vRequested = stRequest.vOID;
    if (stRequest.vOID.size() > ZUND_MAX_OID_IDS) {
        // No object has that many sub-identifiers: a get names nothing, and
        // the object after a longer OID is the object after its first 50.
        if (nMethod == RELAY_GET) {
            return "";
        }
        stRequest.vOID.resize(ZUND_MAX_OID_IDS);
    }
    if (nMethod == RELAY_GET && !IsInSubtree(stRequest.vOID)) {
        return "";
    }
    RelayAnswer stAnswer = ExchangeWithDaemon(stRequest);
    std::vector<uint32_t> vAnswer;
    if (stAnswer.nKind != RelayAnswer::VALUE || !ParseNumericOid(stAnswer.strOID, vAnswer) ||
        (nMethod == RELAY_GETNEXT && CompareOid(vAnswer, vRequested) <= 0)) {
        return "";
    }
    return stAnswer.strOID + "\n" + stAnswer.strType + "\n" + stAnswer.strValue + "\n";
}

// Sends a set and returns "" for success or snmpd's refusal word.
std::string AnswerSet(const std::string& strOID, const std::string& strType,
                      const std::string& strValue) {
    RelayRequest stRequest;
    stRequest.nMethod = RELAY_SET;
    if (!ParseNumericOid(strOID, stRequest.vOID) || stRequest.vOID.size() > ZUND_MAX_OID_IDS ||
        !IsInSubtree(stRequest.vOID)) {
        return "not-writable";
    }
    std::string strRefusal = AcceptSetValue(strType, strValue, stRequest);
    if (!strRefusal.empty()) {
        return strRefusal;
    }
    RelayAnswer stAnswer = ExchangeWithDaemon(stRequest);
    switch (stAnswer.nKind) {
    case RelayAnswer::SET_DONE:
        return "";
    case RelayAnswer::SET_ERROR:
        return stAnswer.strError;
    default:
        return "not-writable";
    }
}

// Splits pass_persist's "TYPE VALUE" line at its first space.
void SplitTypedValue(const std::string& strLine, std::string& strType, std::string& strValue) {
    size_t nSpace = strLine.find(' ');
    strType = strLine.substr(0, nSpace);
    strValue = nSpace == std::string::npos ? "" : strLine.substr(nSpace + 1);
}

bool ReadLine(std::string& strLine) {
    if (!std::getline(std::cin, strLine)) {
        return false;
    }
    while (!strLine.empty() && (strLine.back() == '\r' || strLine.back() == '\n')) {
        strLine.pop_back();
    }
    return true;
}

void Reply(const std::string& strText) {
    std::cout << strText << std::flush;
}

int RunPersistent() {
    std::string strCommand;
    while (ReadLine(strCommand)) {
        // snmpd sends an empty line after every set; answering it would make
        // snmpd restart the relay.
        if (strCommand.empty()) {
            continue;
        }
        if (strCommand == "PING") {
            Reply("PONG\n");
            continue;
        }
        std::string strOID;
        if (strCommand == "get" || strCommand == "getnext") {
            if (!ReadLine(strOID)) {
                break;
            }
            std::string strAnswer =
                AnswerRead(strCommand == "get" ? RELAY_GET : RELAY_GETNEXT, strOID);
            Reply(strAnswer.empty() ? "NONE\n" : strAnswer);
            continue;
        }
        if (strCommand == "set") {
            std::string strTypedValue;
            if (!ReadLine(strOID) || !ReadLine(strTypedValue)) {
                break;
            }
            std::string strType;
            std::string strValue;
            SplitTypedValue(strTypedValue, strType, strValue);
            std::string strRefusal = AnswerSet(strOID, strType, strValue);
            Reply(strRefusal.empty() ? "DONE\n" : strRefusal + "\n");
            continue;
        }
        // Anything else is not part of the protocol and is ignored.
    }
    return 0;
}

// The value of a pass set may arrive split over several arguments.
std::string JoinArguments(int argc, char** argv, int nFirst) {
    std::string strJoined;
    for (int i = nFirst; i < argc; ++i) {
        if (i > nFirst) {
            strJoined += ' ';
        }
        strJoined += argv[i];
    }
    return strJoined;
}

int RunOnce(int argc, char** argv) {
    std::string strMethod = argv[1];
    if ((strMethod == "-g" || strMethod == "-n") && argc == 3) {
        Reply(AnswerRead(strMethod == "-g" ? RELAY_GET : RELAY_GETNEXT, argv[2]));
        return 0;
    }
    if (strMethod == "-s" && argc >= 5) {
        std::string strRefusal = AnswerSet(argv[2], argv[3], JoinArguments(argc, argv, 4));
        if (!strRefusal.empty()) {
            Reply(strRefusal + "\n");
        }
        return 0;
    }
    fputs(USAGE_TEXT, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1 || (argc == 2 && strcmp(argv[1], "--persist") == 0)) {
        return RunPersistent();
    }
    return RunOnce(argc, argv);
}
