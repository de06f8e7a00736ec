// The inventory of the simulated stack: how many objects of each kind, read
// from a small text file of "key value" lines.
#ifndef KORVOSIM_CSIMINVENTORY_H
#define KORVOSIM_CSIMINVENTORY_H

#include <string>

struct CSimInventory {
    std::string strDriverVersion = "7.4.0-sim";
    int nAdapters = 2;
    int nDrivesPerAdapter = 8;
    int nLogicalDrivesPerAdapter = 2;
    int nHotSparesPerAdapter = 1;
    int nRaidLevel = 5;
    int nDriveSizeMB = 953869;
    int nEnclosures = 1;
    int nBatteries = 1;
};

// Members a logical drive of the RAID level may miss before it goes offline
// (1 for a level the stack does not offer).
int ToleratedFailures(int nRaidLevel);

// The inventory's file name and the system-wide place it is looked for.
extern const char* const SIM_INVENTORY_FILE_NAME;   // "korvosim.inventory"
extern const char* const SIM_INVENTORY_SYSTEM_PATH; // "/etc/qbz_korvodsnmp/korvosim.inventory"
extern const char* const SIM_INVENTORY_ENV;         // "KORVOSIM_INVENTORY"

// Reads an inventory file over the defaults. On failure strError says which
// file, line and key is wrong and stInventory is unusable.
bool LoadInventoryFile(const std::string& strPath, CSimInventory& stInventory,
                       std::string& strError);

// The inventory file to use: the environment variable's path if set, else the
// system-wide file if it exists, else strDefaultPath (the one beside the
// library) if it exists; empty when none applies.
std::string FindInventoryFile(const std::string& strDefaultPath);

#endif // KORVOSIM_CSIMINVENTORY_H
