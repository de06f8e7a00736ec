#include "benchstores.h"

#include "agent/genpvkinit.h"
#include "dispatch/FindHolder.h"
#include "dispatch/genpvkdispatch.h"
#include "mib/parseini.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace {

const char* const RAID_PREFIX = "1.3.6.1.4.1.7310.4.1";
const char* const SHELF_PREFIX = "1.3.6.1.4.1.7310.5.1";
// Each generated entry has a class of its own and one library keeps the
// holders of at most 20 classes, so a generated definition grows by its table
// rows: 5 groups and 5 tables of 9 attributes.
const int GENERATED_ATTRIBUTES = 9;
const int GENERATED_ENTRIES = 10;
// Entry numbers of the generated definitions have three digits, so that their
// text order (in which OIDs are compared) is their numeric order.
const int FIRST_ENTRY = 100;
const char* const WALK_END = "999";

std::map<std::string, CBenchHolder*> g_mapHolders;
CBenchHolder g_stOneRow(1);
CBenchHolder* g_pOtherClasses = &g_stOneRow;

CBaseHolder* BenchHolderByName(char* pszClassName) {
    auto itHolder = g_mapHolders.find(pszClassName);
    return itHolder == g_mapHolders.end() ? g_pOtherClasses : itHolder->second;
}

std::string ReadText(const std::string& strPath) {
    std::ifstream stFile(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stFile), std::istreambuf_iterator<char>());
}

// One scalar group (odd entries) or one-row table (even entries) of
// GENERATED_ATTRIBUTES attributes, the first writable, texts and integers
// alternating.
void AppendGeneratedEntry(std::ostringstream& stText, int nEntry, int& nGroups, int& nTables) {
    bool bTable = nEntry % 2 == 0; // entries from 100: the first is a table
    std::string strSection =
        bTable ? "TBL_" + std::to_string(++nTables) : "GRP_" + std::to_string(++nGroups);
    stText << "[" << strSection << "]\nENTRY_OID=" << nEntry << (bTable ? ".1" : "")
           << "\nCLASS_NAME=Class" << nEntry << "\nNO_OF_ATTRBS=" << GENERATED_ATTRIBUTES << "\n";
    if (bTable) {
        stText << "NO_OF_KEYS=1\n" << strSection << "_KEY_1=Attr1\n";
    }
    for (int i = 1; i <= GENERATED_ATTRIBUTES; ++i) {
        stText << "[" << strSection << "_ATTRB_" << i << "]\nOID=" << i << "\nNAME=Attr" << i
               << "\nDATA_TYPE=" << (i % 2 ? 2 : 1) << "\n"
               << (i == 1 ? "ACCESS_TYPE=W\n" : "");
    }
}

std::string EntryOid(int nEntry) {
    return std::to_string(nEntry) + (nEntry % 2 == 0 ? ".1" : "");
}

std::string GeneratedDefinition(int nEntries) {
    std::ostringstream stBody;
    int nGroups = 0;
    int nTables = 0;
    int nLast = FIRST_ENTRY + nEntries - 1;
    for (int nEntry = FIRST_ENTRY; nEntry <= nLast; ++nEntry) {
        AppendGeneratedEntry(stBody, nEntry, nGroups, nTables);
    }
    for (int nEntry = FIRST_ENTRY; nEntry <= nLast; ++nEntry) {
        stBody << "[MAP_" << nEntry - FIRST_ENTRY + 1 << "]\nFROM_OID=" << EntryOid(nEntry)
               << "\nTO_OID=" << (nEntry < nLast ? EntryOid(nEntry + 1) : WALK_END) << "\n";
    }
    std::ostringstream stText;
    stText << "[GLOBALS]\nDATA_SRC=bench\nOID_PREFIX=" << RAID_PREFIX
           << "\nVALID_OID=" << RAID_PREFIX << "." << FIRST_ENTRY << "\nNO_OF_GROUPS=" << nGroups
           << "\nNO_OF_TBLS=" << nTables << "\nNO_OF_MAPs=" << nEntries
           << "\nNO_OF_TRAPS=0\nNO_OF_TRAP_ATTRB=0\n"
           << stBody.str();
    return stText.str();
}

} // namespace

int CBenchHolder::getIntAttribute(int iInstance, char*, int* piValue) {
    *piValue = iInstance;
    return 0;
}

int CBenchHolder::getStringAttribute(int iInstance, char*, char* pszBuffer) {
    snprintf(pszBuffer, 32, "value-%d", iInstance);
    return 0;
}

int CBenchHolder::setIntAttribute(int, char*, int) {
    return 0;
}

CBenchStores::CBenchStores(BenchDefinition nDefinition) {
    char szTemplate[] = "/tmp/korvobenchXXXXXX";
    char szCwd[4096];
    if (mkdtemp(szTemplate) == nullptr || getcwd(szCwd, sizeof(szCwd)) == nullptr ||
        chdir(szTemplate) != 0) {
        return;
    }
    m_strDir = szTemplate;
    m_strOldCwd = szCwd;
    switch (nDefinition) {
    case BENCH_SAMPLE:
        SetUpSample(16);
        break;
    case BENCH_SAMPLE_LARGE:
        SetUpSample(910);
        break;
    case BENCH_GENERATED_1K:
        SetUpGenerated(21);
        break;
    case BENCH_GENERATED_10K:
        SetUpGenerated(221);
        break;
    }
}

CBenchStores::~CBenchStores() {
    closeAllPtrs();
    delete[] g_pMIB_DC;
    g_pMIB_DC = nullptr;
    g_noOfDLL = 0;
    for (auto& stEntry : g_mapHolders) {
        delete stEntry.second;
    }
    g_mapHolders.clear();
    if (g_pOtherClasses != &g_stOneRow) {
        delete g_pOtherClasses;
        g_pOtherClasses = &g_stOneRow;
    }
    if (!m_strOldCwd.empty() && chdir(m_strOldCwd.c_str()) == 0) {
        std::error_code ec;
        std::filesystem::remove_all(m_strDir, ec);
        if (ec) {
            fprintf(stderr, "could not remove %s: %s\n", m_strDir.c_str(), ec.message().c_str());
        }
    }
}

bool CBenchStores::LoadStores(const std::vector<std::string>& vDefinitions) {
    int nStores = static_cast<int>(vDefinitions.size());
    g_ParseINIarr = new CParseINI[nStores];
    g_iNoOfDeviceType = nStores;
    g_noOfDLL = nStores;
    g_pMIB_DC = new MIB_DC[nStores];
    for (int i = 0; i < nStores; ++i) {
        std::string strPath = m_strDir + "/definition" + std::to_string(i) + ".ini";
        std::ofstream(strPath, std::ios::binary) << vDefinitions[i];
        if (!g_ParseINIarr[i].readINI(strPath.c_str())) {
            return false;
        }
        strcpy(g_pMIB_DC[i].pszOIDPrefix, i == 0 ? RAID_PREFIX : SHELF_PREFIX);
        g_pMIB_DC[i].m_pholder = BenchHolderByName;
        CreateASNFromOID(g_pMIB_DC[i].pszOIDPrefix, g_pMIB_DC[i].MibOidPrefix, i);
    }
    zund_initover = 1;
    return true;
}

void CBenchStores::SetUpSample(int nDrives) {
    const int nAdapters = 2;
    const int nLogical = 4;
    g_mapHolders = {{"System", new CBenchHolder(1)},
                    {"Adapter", new CBenchHolder(nAdapters)},
                    {"PhysicalDrive", new CBenchHolder(nDrives)},
                    {"LogicalDrive", new CBenchHolder(nLogical)},
                    {"Enclosure", new CBenchHolder(1)},
                    {"Battery", new CBenchHolder(1)}};
    m_nObjects = 5 + 10 * nAdapters + 11 * nDrives + 8 * nLogical + 8 + 8;
    m_strName = "sample, " + std::to_string(m_nObjects) + " objects";
    m_strScalar = std::string(RAID_PREFIX) + ".1.5.0";
    m_strCell = std::string(RAID_PREFIX) + ".3.1.11." + std::to_string(nDrives - 1);
    m_strWritableScalar = std::string(RAID_PREFIX) + ".1.2.0"; // read-only: refused
    m_strWritableCell = std::string(RAID_PREFIX) + ".2.1.7.1";
    m_bLoaded = LoadStores({ReadText(KORVO_SOURCE_DIR "/examples/korvosim-raid.ini"),
                            ReadText(KORVO_SOURCE_DIR "/examples/korvosim-enclosure.ini")});
}

void CBenchStores::SetUpGenerated(int nRows) {
    const int nEntries = GENERATED_ENTRIES;
    g_pOtherClasses = new CBenchHolder(nRows);
    m_nObjects = (nEntries / 2) * GENERATED_ATTRIBUTES * (1 + nRows);
    m_strName = "generated, " + std::to_string(m_nObjects) + " objects";
    int nLast = FIRST_ENTRY + nEntries - 1; // odd: the last entry is a group
    std::string strLastGroup = std::string(RAID_PREFIX) + "." + std::to_string(nLast);
    std::string strLastTable = std::string(RAID_PREFIX) + "." + std::to_string(nLast - 1);
    m_strScalar = strLastGroup + "." + std::to_string(GENERATED_ATTRIBUTES) + ".0";
    m_strCell = strLastTable + ".1." + std::to_string(GENERATED_ATTRIBUTES) + "." +
                std::to_string(nRows - 1);
    m_strWritableScalar = strLastGroup + ".1.0";
    m_strWritableCell = strLastTable + ".1.1." + std::to_string(nRows - 1);
    m_bLoaded = LoadStores({GeneratedDefinition(nEntries)});
}
