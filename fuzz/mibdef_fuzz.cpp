// The MIB definition file (INI text), read into a store that is then written
// to and read back from the persisted form; the definition tool's reader of
// the optional keys, and the MIB and exporter modules written from both.
#include "CFuzzWorkDir.h"
#include "MibAnnotations.h"
#include "MibExporter.h"
#include "MibModule.h"
#include "mib/parseini.h"
#include "mib/parsepersist.h"

#include <cstdio>

namespace {

void writeModules(const CParseINI& store, const std::string& strPath) {
    CMibAnnotations notes;
    if (!notes.readFile(strPath.c_str(), store)) {
        return;
    }
    CMibModule module(store, "FUZZ-MIB", "202601010000Z", "definition.ini", &notes);
    if (!module.build()) {
        return;
    }
    FILE* pOut = fopen("/dev/null", "w");
    if (pOut != nullptr) {
        module.write(pOut);
        CMibExporter(module, "fuzz").write(pOut);
        fclose(pOut);
    }
}

} // namespace

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
    writeModules(store, strPath);
    std::string strPersisted = CFuzzWorkDir::PathOf("definition.dat");
    if (store.persistINIWithLayout(strPersisted.c_str(), false, TABLE_LAYOUT_NATIVE)) {
        CParseINI reread;
        reread.persistINIWithLayout(strPersisted.c_str(), true, TABLE_LAYOUT_NATIVE);
        reread.releaseArrays();
    }
    store.releaseArrays();
    return 0;
}
