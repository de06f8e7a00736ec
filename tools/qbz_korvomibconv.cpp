// qbz_korvomibconv: turns a MIB definition file into a persisted definition
// file and back, and checks definitions before the agent reads them.
#include "MibAnnotations.h"
#include "MibCheck.h"
#include "MibDump.h"
#include "MibExporter.h"
#include "MibModule.h"
#include "MibNames.h"
#include "mib/parseini.h"
#include "mib/parsepersist.h"
#include "platform/ProfileIni.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

const char* const USAGE = "usage: qbz_korvomibconv build [--windows] DEFINITION.ini OUT.dat\n"
                          "       qbz_korvomibconv dump [--windows] FILE.dat\n"
                          "       qbz_korvomibconv check FILE...\n"
                          "       qbz_korvomibconv mib [--module NAME] [--updated YYYYMMDDHHMMZ] "
                          "DEFINITION\n"
                          "       qbz_korvomibconv exporter DEFINITION...\n";

// A store that releases its arrays but is never destroyed: the store's
// destructor leaves a trace file in the working directory, which a tool run
// from anywhere must not do.
class CToolStore {
  public:
    CToolStore() : m_pStore(new (m_storage) CParseINI()) {}
    ~CToolStore() { m_pStore->releaseArrays(); }
    CToolStore(const CToolStore&) = delete;
    CToolStore& operator=(const CToolStore&) = delete;
    CParseINI& get() { return *m_pStore; }

  private:
    alignas(CParseINI) unsigned char m_storage[sizeof(CParseINI)];
    CParseINI* m_pStore;
};

// A MIB definition file names its GLOBALS section; anything else is taken as
// a persisted definition file.
bool isDefinitionText(const char* pszFile) {
    CProfileIni profile;
    return profile.load(pszFile) && profile.hasSection("GLOBALS");
}

// Loads a persisted file; without a given layout, the layout that reads it
// cleanly.
bool loadPersisted(CParseINI& store, const char* pszFile, int iLayout, bool bLayoutGiven,
                   PersistReport& report) {
    if (store.persistINIWithLayout(pszFile, true, iLayout, &report)) {
        return true;
    }
    if (bLayoutGiven || !report.bOpened) {
        return false;
    }
    int iOther = iLayout == TABLE_LAYOUT_LINUX ? TABLE_LAYOUT_WINDOWS : TABLE_LAYOUT_LINUX;
    PersistReport otherReport;
    if (store.persistINIWithLayout(pszFile, true, iOther, &otherReport)) {
        report = otherReport;
        fprintf(stderr, "%s: read with the %s table layout\n", pszFile,
                iOther == TABLE_LAYOUT_WINDOWS ? "Windows" : "Linux");
        return true;
    }
    store.persistINIWithLayout(pszFile, true, iLayout, &report);
    return false;
}

int runBuild(const std::vector<const char*>& args, int iLayout) {
    if (args.size() != 2) {
        fputs(USAGE, stderr);
        return 2;
    }
    CToolStore store;
    if (!store.get().readINI(args[0])) {
        CCheckReport capacities(args[0], stderr, true);
        CheckDefinitionText(args[0], capacities);
        fprintf(stderr, "%s: cannot be read, or a count is not from 0 to 999\n", args[0]);
        return 1;
    }
    // What the agent cannot hold is refused, not cut.
    int nCapacities = 0;
    {
        CCheckReport capacities(args[0], stderr, true);
        CheckDefinitionText(args[0], capacities);
        CheckStore(store.get(), capacities);
        nCapacities = capacities.count();
    }
    if (nCapacities > 0) {
        fprintf(stderr, "%s: refused: %d value(s) exceed what the agent holds; nothing written\n",
                args[0], nCapacities);
        return 1;
    }
    if (!store.get().persistINIWithLayout(args[1], false, iLayout)) {
        fprintf(stderr, "%s: cannot be written\n", args[1]);
        return 1;
    }
    return 0;
}

int runDump(const std::vector<const char*>& args, int iLayout, bool bLayoutGiven) {
    if (args.size() != 1) {
        fputs(USAGE, stderr);
        return 2;
    }
    CToolStore store;
    PersistReport report;
    if (!loadPersisted(store.get(), args[0], iLayout, bLayoutGiven, report)) {
        CCheckReport problems(args[0], stderr);
        CheckPersistReport(report, problems);
        return 1;
    }
    DumpDefinition(store.get(), stdout);
    return 0;
}

int checkOneFile(const char* pszFile, CParseINI& store, int iLayout, bool bLayoutGiven) {
    CCheckReport report(pszFile, stdout);
    if (isDefinitionText(pszFile)) {
        CheckDefinitionText(pszFile, report);
        if (!store.readINI(pszFile)) {
            return report.count() > 0 ? report.count() : 1;
        }
        CheckStore(store, report);
        CheckDefinitionNotes(pszFile, store, report);
        return report.count();
    }
    PersistReport persistReport;
    if (!loadPersisted(store, pszFile, iLayout, bLayoutGiven, persistReport)) {
        CheckPersistReport(persistReport, report);
    }
    CheckStore(store, report);
    return report.count();
}

int runCheck(const std::vector<const char*>& args, int iLayout, bool bLayoutGiven) {
    if (args.empty()) {
        fputs(USAGE, stderr);
        return 2;
    }
    int nProblems = 0;
    std::vector<std::string> prefixes;
    for (const char* pszFile : args) {
        CToolStore store;
        nProblems += checkOneFile(pszFile, store.get(), iLayout, bLayoutGiven);
        prefixes.push_back(store.get().m_szOIDPrefix);
    }
    // The agent orders stores by prefix text and gives an OID to the first
    // store whose prefix it continues.
    for (size_t i = 0; i < prefixes.size(); i++) {
        for (size_t j = i + 1; j < prefixes.size(); j++) {
            CCheckReport report(args[j], stdout);
            const std::string& strFirst = prefixes[i];
            const std::string& strSecond = prefixes[j];
            if (!PrefixOrdersAgree(strFirst.c_str(), strSecond.c_str())) {
                report.problem("GLOBALS", "OID_PREFIX",
                               strSecond + " and " + strFirst + " (" + args[i] +
                                   ") sort differently as text and as numbers");
            }
            const std::string& strShort = strFirst.size() < strSecond.size() ? strFirst : strSecond;
            const std::string& strLong = strFirst.size() < strSecond.size() ? strSecond : strFirst;
            if (strLong.compare(0, strShort.size() + 1, strShort + ".") == 0 ||
                strFirst == strSecond) {
                report.problem("GLOBALS", "OID_PREFIX",
                               strSecond + " and " + strFirst + " (" + args[i] +
                                   ") overlap: one store hides the other's OIDs");
            }
            nProblems += report.count();
        }
    }
    for (const char* pszFile : args) {
        printf("%s: %s\n", pszFile, nProblems == 0 ? "no problems" : "checked");
    }
    if (nProblems > 0) {
        printf("%d problem(s)\n", nProblems);
    }
    return nProblems > 0 ? 1 : 0;
}

// The module's LAST-UPDATED: SOURCE_DATE_EPOCH when set, else the time the
// definition was last changed.
std::string lastUpdated(const char* pszFile) {
    time_t tWhen = 0;
    const char* pszEpoch = getenv("SOURCE_DATE_EPOCH");
    struct stat fileStat;
    if (pszEpoch != nullptr && *pszEpoch != '\0') {
        tWhen = static_cast<time_t>(strtoll(pszEpoch, nullptr, 10));
    } else if (stat(pszFile, &fileStat) == 0) {
        tWhen = fileStat.st_mtime;
    }
    struct tm when;
    gmtime_r(&tWhen, &when);
    char szText[32];
    strftime(szText, sizeof(szText), "%Y%m%d%H%MZ", &when);
    return szText;
}

bool isUpdatedText(const std::string& strText) {
    if (strText.size() != 13 || strText[12] != 'Z') {
        return false;
    }
    for (size_t i = 0; i < 12; i++) {
        if (strText[i] < '0' || strText[i] > '9') {
            return false;
        }
    }
    return true;
}

// Loads a definition text or a persisted definition file into the store,
// and a text's optional keys into the notes.
bool loadAnyDefinition(CParseINI& store, CMibAnnotations& notes, const char* pszFile) {
    if (isDefinitionText(pszFile)) {
        return store.readINI(pszFile) && notes.readFile(pszFile, store);
    }
    PersistReport report;
    return loadPersisted(store, pszFile, TABLE_LAYOUT_LINUX, false, report);
}

// Builds the MIB module of a loaded definition; false (the problems printed)
// when it cannot be written.
bool buildModule(const char* pszFile, const CMibAnnotations& notes, CMibModule& module) {
    bool bBuilt = module.build();
    for (const MibNoteProblem& problem : notes.problems()) {
        fprintf(stderr, "%s: [%s] %s %s\n", pszFile, problem.strSection.c_str(),
                problem.strKey.c_str(), problem.strText.c_str());
    }
    for (const std::string& strProblem : module.problems()) {
        fprintf(stderr, "%s: %s\n", pszFile, strProblem.c_str());
    }
    return bBuilt && notes.problems().empty();
}

// The module name: the one given on the command line, else the definition's
// MODULE_NAME, else one formed from the file name.
std::string moduleNameFor(const char* pszFile, const std::string& strGiven,
                          const CMibAnnotations& notes) {
    if (!strGiven.empty()) {
        return strGiven;
    }
    if (!notes.module().strModuleName.empty()) {
        return notes.module().strModuleName;
    }
    return ModuleNameFromFile(pszFile);
}

std::string sourceName(const char* pszFile) {
    std::string strSource = pszFile;
    return strSource.substr(strSource.find_last_of('/') + 1);
}

int runMib(const std::vector<const char*>& args) {
    std::string strModule;
    std::string strUpdated;
    std::vector<const char*> files;
    for (size_t i = 0; i < args.size(); i++) {
        bool bModule = strcmp(args[i], "--module") == 0;
        bool bUpdated = strcmp(args[i], "--updated") == 0;
        if ((bModule || bUpdated) && i + 1 < args.size()) {
            std::string& strValue = bModule ? strModule : strUpdated;
            strValue = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1 || (!strUpdated.empty() && !isUpdatedText(strUpdated))) {
        fputs(USAGE, stderr);
        return 2;
    }
    const char* pszFile = files[0];
    CToolStore store;
    CMibAnnotations notes;
    if (!loadAnyDefinition(store.get(), notes, pszFile)) {
        fprintf(stderr, "%s: cannot be read as a definition\n", pszFile);
        return 1;
    }
    CMibModule module(store.get(), moduleNameFor(pszFile, strModule, notes),
                      strUpdated.empty() ? lastUpdated(pszFile) : strUpdated, sourceName(pszFile),
                      &notes);
    if (!buildModule(pszFile, notes, module)) {
        return 1;
    }
    module.write(stdout);
    return 0;
}

// One exporter module per definition, in one configuration.
int runExporter(const std::vector<const char*>& args) {
    if (args.empty()) {
        fputs(USAGE, stderr);
        return 2;
    }
    std::string strConfig;
    std::vector<std::string> names;
    for (const char* pszFile : args) {
        CToolStore store;
        CMibAnnotations notes;
        if (!loadAnyDefinition(store.get(), notes, pszFile)) {
            fprintf(stderr, "%s: cannot be read as a definition\n", pszFile);
            return 1;
        }
        CMibModule module(store.get(), moduleNameFor(pszFile, "", notes), lastUpdated(pszFile),
                          sourceName(pszFile), &notes);
        if (!buildModule(pszFile, notes, module)) {
            return 1;
        }
        std::string strName = ExporterModuleName(module.moduleName());
        if (std::find(names.begin(), names.end(), strName) != names.end()) {
            fprintf(stderr, "%s: a second module %s (give the definitions distinct MODULE_NAMEs)\n",
                    pszFile, strName.c_str());
            return 1;
        }
        names.push_back(strName);
        char* pszText = nullptr;
        size_t nSize = 0;
        FILE* pText = open_memstream(&pszText, &nSize);
        if (pText == nullptr) {
            fprintf(stderr, "%s: out of memory\n", pszFile);
            return 1;
        }
        CMibExporter(module, strName).write(pText);
        fclose(pText);
        strConfig += pszText;
        free(pszText);
    }
    printf("# Prometheus SNMP exporter modules for the KORVO SNMP agent, written by\n"
           "# qbz_korvomibconv from");
    for (const char* pszFile : args) {
        printf(" %s", sourceName(pszFile).c_str());
    }
    printf(".\n# Scrape /snmp?module=NAME&target=HOST of the exporter; NAME is one of:");
    for (const std::string& strName : names) {
        printf(" %s", strName.c_str());
    }
    printf(".\n%s", strConfig.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs(USAGE, stderr);
        return 2;
    }
    std::string strCommand = argv[1];
    int iLayout = TABLE_LAYOUT_LINUX;
    bool bLayoutGiven = false;
    std::vector<const char*> args;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--windows") == 0) {
            iLayout = TABLE_LAYOUT_WINDOWS;
            bLayoutGiven = true;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (strCommand == "build") {
        return runBuild(args, iLayout);
    }
    if (strCommand == "dump") {
        return runDump(args, iLayout, bLayoutGiven);
    }
    if (strCommand == "check") {
        return runCheck(args, iLayout, bLayoutGiven);
    }
    if (strCommand == "mib") {
        return runMib(args);
    }
    if (strCommand == "exporter") {
        return runExporter(args);
    }
    fputs(USAGE, stderr);
    return 2;
}
