// The trap destination file. Input up to the first "\n--\n" is the file, the
// rest is the snmpd.conf that a "TrapDestInd" line may send the reader to.
// The sender's vector of every pair read is built too.
#include "CFuzzWorkDir.h"
#include "CTrapListCheck.h"
#include "traps/TrapSecrets.h"
#include "traps/genpvktrapdest.h"

#include <cstdio>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    SetTrapSecretsBase(CFuzzWorkDir::PathOf(".").c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strInput(reinterpret_cast<const char*>(pData), nSize);
    size_t nSplit = strInput.find("\n--\n");
    std::string strDest = strInput.substr(0, nSplit);
    std::string strConf = nSplit == std::string::npos ? "" : strInput.substr(nSplit + 4);
    std::string strDestPath = CFuzzWorkDir::WriteFile(
        "traps", reinterpret_cast<const uint8_t*>(strDest.data()), strDest.size());
    std::string strConfPath = CFuzzWorkDir::WriteFile(
        "snmpd.conf", reinterpret_cast<const uint8_t*>(strConf.data()), strConf.size());
    snprintf(gszSystemConf, sizeof(gszSystemConf), "%s", strConfPath.c_str());
    CLIENT_IP aList[CLIENT_IP_LIST_SIZE];
    CTrapListCheck::Mute();
    int nCount = GetClientIPList(strDestPath.c_str(), aList);
    CTrapListCheck::CheckSenderArguments(aList, nCount);
    CTrapListCheck::Unmute();
    RemoveTrapSecrets();
    return 0;
}
