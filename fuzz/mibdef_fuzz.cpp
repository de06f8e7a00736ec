// The MIB definition file (INI text), read into a store that is then written
// to and read back from the persisted form.
#include "CFuzzWorkDir.h"
#include "parseini.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string strPath = CFuzzWorkDir::WriteFile("definition.ini", pData, nSize);
    CParseINI store;
    if (!store.readINI(strPath.c_str())) {
        return 0;
    }
    std::string strPersisted = CFuzzWorkDir::PathOf("definition.dat");
    if (store.persistINIWithLayout(strPersisted.c_str(), false, TABLE_LAYOUT_NATIVE)) {
        CParseINI reread;
        reread.persistINIWithLayout(strPersisted.c_str(), true, TABLE_LAYOUT_NATIVE);
        reread.releaseArrays();
    }
    store.releaseArrays();
    return 0;
}
