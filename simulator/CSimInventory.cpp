#include "CSimInventory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

const char* const SIM_INVENTORY_FILE_NAME = "korvosim.inventory";
const char* const SIM_INVENTORY_SYSTEM_PATH = "/etc/qbz_korvodsnmp/korvosim.inventory";
const char* const SIM_INVENTORY_ENV = "KORVOSIM_INVENTORY";

namespace {

// One integer key of the file with its accepted range.
struct CIntegerKey {
    const char* pszKey;
    int CSimInventory::*pnField;
    int nMin;
    int nMax;
};

const CIntegerKey g_aIntegerKeys[] = {
    {"adapters", &CSimInventory::nAdapters, 1, 64},
    {"drives-per-adapter", &CSimInventory::nDrivesPerAdapter, 1, 1024},
    {"logical-drives-per-adapter", &CSimInventory::nLogicalDrivesPerAdapter, 0, 256},
    {"hot-spares-per-adapter", &CSimInventory::nHotSparesPerAdapter, 0, 1024},
    {"raid-level", &CSimInventory::nRaidLevel, 0, 10},
    {"drive-size-mb", &CSimInventory::nDriveSizeMB, 1, INT_MAX},
    {"enclosures", &CSimInventory::nEnclosures, 0, 64},
    {"batteries", &CSimInventory::nBatteries, 0, 64},
};

// A RAID level the stack offers: the members a logical drive of that level
// needs at least, and how many of them may be missing before it goes offline.
struct CRaidLevel {
    int nLevel;
    int nMinimumMembers;
    int nToleratedFailures;
};

const CRaidLevel g_aRaidLevels[] = {
    {0, 1, 0}, {1, 2, 1}, {5, 3, 1}, {6, 4, 2}, {10, 4, 1},
};

bool ParseInteger(const std::string& strText, long& nValue) {
    if (strText.empty()) {
        return false;
    }
    char* pszEnd = nullptr;
    errno = 0;
    nValue = strtol(strText.c_str(), &pszEnd, 10);
    return errno == 0 && *pszEnd == '\0';
}

// The row of a RAID level, or null for a level the stack does not offer.
const CRaidLevel* FindRaidLevel(int nRaidLevel) {
    for (const CRaidLevel& stLevel : g_aRaidLevels) {
        if (stLevel.nLevel == nRaidLevel) {
            return &stLevel;
        }
    }
    return nullptr;
}

// Applies one "key value" pair; an empty result means accepted.
std::string ApplyKey(const std::string& strKey, const std::string& strValue,
                     CSimInventory& stInventory) {
    if (strKey == "driver-version") {
        if (strValue.empty() || strValue.size() > 63) {
            return "driver-version needs a text of 1 to 63 characters";
        }
        stInventory.strDriverVersion = strValue;
        return "";
    }
    for (const CIntegerKey& stKey : g_aIntegerKeys) {
        if (strKey != stKey.pszKey) {
            continue;
        }
        long nValue = 0;
        if (!ParseInteger(strValue, nValue) || nValue < stKey.nMin || nValue > stKey.nMax) {
            return strKey + " needs an integer from " + std::to_string(stKey.nMin) + " to " +
                   std::to_string(stKey.nMax) + ", not '" + strValue + "'";
        }
        stInventory.*stKey.pnField = static_cast<int>(nValue);
        return "";
    }
    return "unknown key '" + strKey + "'";
}

// Checks that the counts fit together; an empty result means they do.
std::string CheckConsistency(const CSimInventory& stInventory) {
    const CRaidLevel* pLevel = FindRaidLevel(stInventory.nRaidLevel);
    if (pLevel == nullptr) {
        return "raid-level must be 0, 1, 5, 6 or 10";
    }
    int nMinimum = pLevel->nMinimumMembers;
    if (stInventory.nHotSparesPerAdapter >= stInventory.nDrivesPerAdapter) {
        return "hot-spares-per-adapter must be less than drives-per-adapter";
    }
    int nDataDrives = stInventory.nDrivesPerAdapter - stInventory.nHotSparesPerAdapter;
    if (stInventory.nLogicalDrivesPerAdapter * nMinimum > nDataDrives) {
        return "too few drives for " + std::to_string(stInventory.nLogicalDrivesPerAdapter) +
               " logical drives of RAID level " + std::to_string(stInventory.nRaidLevel) +
               " per adapter";
    }
    if (static_cast<long>(stInventory.nAdapters) * stInventory.nDrivesPerAdapter > INT_MAX / 2) {
        return "too many drives";
    }
    return "";
}

bool FileExists(const std::string& strPath) {
    return !strPath.empty() && access(strPath.c_str(), R_OK) == 0;
}

} // namespace

int ToleratedFailures(int nRaidLevel) {
    const CRaidLevel* pLevel = FindRaidLevel(nRaidLevel);
    return pLevel == nullptr ? 1 : pLevel->nToleratedFailures;
}

bool LoadInventoryFile(const std::string& strPath, CSimInventory& stInventory,
                       std::string& strError) {
    std::ifstream inFile(strPath);
    if (!inFile) {
        strError = strPath + ": cannot open the inventory file";
        return false;
    }
    std::string strLine;
    for (int nLine = 1; std::getline(inFile, strLine); ++nLine) {
        std::istringstream inWords(strLine);
        std::string strKey;
        if (!(inWords >> strKey) || strKey[0] == '#') {
            continue;
        }
        std::string strValue;
        std::string strExtra;
        inWords >> strValue;
        if (inWords >> strExtra && strExtra[0] != '#') {
            strError = strPath + ":" + std::to_string(nLine) + ": unexpected '" + strExtra + "'";
            return false;
        }
        std::string strProblem = ApplyKey(strKey, strValue, stInventory);
        if (!strProblem.empty()) {
            strError = strPath + ":" + std::to_string(nLine) + ": " + strProblem;
            return false;
        }
    }
    std::string strProblem = CheckConsistency(stInventory);
    if (!strProblem.empty()) {
        strError = strPath + ": " + strProblem;
        return false;
    }
    return true;
}

std::string FindInventoryFile(const std::string& strDefaultPath) {
    const char* pszFromEnvironment = getenv(SIM_INVENTORY_ENV);
    if (pszFromEnvironment != nullptr && *pszFromEnvironment != '\0') {
        return pszFromEnvironment;
    }
    if (FileExists(SIM_INVENTORY_SYSTEM_PATH)) {
        return SIM_INVENTORY_SYSTEM_PATH;
    }
    return FileExists(strDefaultPath) ? strDefaultPath : "";
}
