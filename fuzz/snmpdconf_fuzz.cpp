// snmpd.conf's trap keywords, read into a full list and into the last free
// entry only.
#include "CFuzzWorkDir.h"
#include "genpvkagent.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strPath = CFuzzWorkDir::WriteFile("snmpd.conf", pData, nSize);
    CLIENT_IP aList[CLIENT_IP_LIST_SIZE];
    GetClientIPListFromConf(strPath.c_str(), aList);
    CLIENT_IP aLast[CLIENT_IP_LIST_SIZE];
    GetClientIPListFromConf(strPath.c_str(), &aLast[CLIENT_IP_LIST_SIZE - 1], 1);
    return 0;
}
