// The controller list. The definition files it may name are "a.dat" (a valid
// persisted definition), "b.dat" (a short one) and the list itself; inputs
// with a '/' are skipped so that nothing outside the work folder is opened.
#include "CFuzzWorkDir.h"
#include "mib/parseini.h"
#include "mib/parseinifile.h"
#include "mib/parsepersist.h"

#include <cstdlib>
#include <cstring>

namespace {

const uint8_t SHORT_DEFINITION[] = {'9', '9', '9', 0, '1', 0};

void WriteSampleDefinition() {
    CParseINI store;
    if (!store.readINI(KORVO_SOURCE_DIR "/examples/korvosim-raid.ini")) {
        abort();
    }
    std::string strPath = CFuzzWorkDir::PathOf("a.dat");
    store.persistINIWithLayout(strPath.c_str(), false, TABLE_LAYOUT_NATIVE);
    store.releaseArrays();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CFuzzWorkDir::Enter();
    WriteSampleDefinition();
    CFuzzWorkDir::WriteFile("b.dat", SHORT_DEFINITION, sizeof(SHORT_DEFINITION));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (memchr(pData, '/', nSize) != nullptr) {
        return -1;
    }
    std::string strPath = CFuzzWorkDir::WriteFile("list.ini", pData, nSize);
    for (int iOSType : {OS_TYPE_LINUX, OS_TYPE_WINDOWS}) {
        initParseINIFromFile(strPath.c_str(), iOSType);
        for (int i = 0; i < g_iNoOfDeviceType; ++i) {
            char szPrefix[STORE_TEXT_SIZE];
            char szDLL[STORE_TEXT_SIZE];
            char szView[STORE_TEXT_SIZE];
            char szVersion[STORE_TEXT_SIZE];
            getOID_DLL(i, iOSType, szPrefix, szDLL, szView, szVersion);
        }
        closeAllPtrs();
    }
    return 0;
}
