// snmpd.conf's trap keywords, read into a full list and into the last free
// entry only; the sender's vector of every pair read; and the whole input as
// the arguments of one trapsess line. trapsess secrets go into the fuzzer's
// own folder and are removed after each input.
#include "CFuzzWorkDir.h"
#include "CTrapListCheck.h"
#include "traps/TrapSecrets.h"
#include "traps/TrapSession.h"
#include "traps/genpvktrapdest.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    SetTrapSecretsBase(CFuzzWorkDir::PathOf(".").c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strPath = CFuzzWorkDir::WriteFile("snmpd.conf", pData, nSize);
    CTrapListCheck::Mute();
    CLIENT_IP aList[CLIENT_IP_LIST_SIZE];
    int nCount = GetClientIPListFromConf(strPath.c_str(), aList);
    CTrapListCheck::CheckSenderArguments(aList, nCount);
    CLIENT_IP aLast[CLIENT_IP_LIST_SIZE];
    nCount = GetClientIPListFromConf(strPath.c_str(), &aLast[CLIENT_IP_LIST_SIZE - 1], 1);
    CTrapListCheck::CheckSenderArguments(&aLast[CLIENT_IP_LIST_SIZE - 1], nCount);
    CTrapListCheck::Unmute();

    std::string strLine(reinterpret_cast<const char*>(pData), nSize);
    TrapSessionLine session;
    ParseTrapSession(SplitTrapSessionWords(strLine.c_str()), session);
    RemoveTrapSecrets();
    return 0;
}
