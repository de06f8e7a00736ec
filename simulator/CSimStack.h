// The simulated RAID stack: its objects, their attributes and the state
// changes a real controller reports. Every operation locks the stack, so the
// agent's thread and the library's event thread may use it at once.
#ifndef KORVOSIM_CSIMSTACK_H
#define KORVOSIM_CSIMSTACK_H

#include "CSimInventory.h"
#include "CSimMutex.h"
#include "CSimRecords.h"

#include <mutex>
#include <string>
#include <vector>

// An adapter at or above this temperature reports that it is too hot.
const int SIM_ADAPTER_HOT_CELSIUS = 70;

class CSimStack {
  public:
    // Replaces the whole stack with the objects of the inventory.
    void build(const CSimInventory& stInventory);
    // Removes every object.
    void clear();

    int getInstanceCount(ESimClass nClass) const;
    bool readInt(ESimClass nClass, int iInstance, const std::string& strName, int& nValue) const;
    bool readText(ESimClass nClass, int iInstance, const std::string& strName,
                  std::string& strValue) const;
    // Validates and keeps a write; the state changes it causes are appended
    // to vEvents. False when the attribute is not writable or the value is
    // refused (the stored value is then unchanged).
    bool writeInt(ESimClass nClass, int iInstance, const std::string& strName, int nValue,
                  SimEventList& vEvents);

    // Changes injected from outside (see the README). False when the object
    // does not exist or the change is not possible.
    bool failDrive(int nAdapterId, int nDriveId, SimEventList& vEvents);
    bool startRebuild(int nAdapterId, int nDriveId, SimEventList& vEvents);
    bool setTemperature(ESimClass nClass, int iInstance, int nCelsius, SimEventList& vEvents);
    bool setEnclosureState(int nEnclosureId, int nState, SimEventList& vEvents);
    bool failFan(int nEnclosureId, SimEventList& vEvents);
    bool setBatteryState(int nBatteryId, int nState, int nChargePercent, SimEventList& vEvents);

    // The physical drive instance of a drive on an adapter, or -1.
    int findDrive(int nAdapterId, int nDriveId) const;

    // Moves every running rebuild on by one step; completions are reported.
    void advanceRebuilds(SimEventList& vEvents);

  private:
    void buildAdapters(const CSimInventory& stInventory);
    void buildDrives(const CSimInventory& stInventory);
    void buildLogicalDrives(const CSimInventory& stInventory);
    void buildEnclosuresAndBatteries(const CSimInventory& stInventory);

    // Hands the records of a class and their attribute table to fnVisit and
    // returns its answer; xNone for a class the stack does not hold. TSelf is
    // the stack, const or not.
    template <typename TSelf, typename TResult, typename TVisit>
    static TResult visitClass(TSelf& self, ESimClass nClass, TResult xNone, TVisit fnVisit);

    int locateDrive(int nAdapterId, int nDriveId) const;
    bool writeDriveState(int iDrive, int nState, SimEventList& vEvents);
    void changeDriveState(int iDrive, int nState, SimEventList& vEvents);
    void markFailed(int iDrive, SimEventList& vEvents);
    void beginRebuild(int iDrive, SimEventList& vEvents);
    void takeOverWithSpare(int iFailedDrive, SimEventList& vEvents);
    void updateLogicalStates(int nAdapterId, SimEventList& vEvents);
    int logicalStateOf(const CSimLogicalDrive& stLogical) const;

    mutable CSimMutex m_mutex;
    int m_nDrivesPerAdapter = 0;
    std::vector<CSimSystem> m_vSystem; // one instance once built
    std::vector<CSimAdapter> m_vAdapters;
    std::vector<CSimPhysicalDrive> m_vDrives;
    std::vector<CSimLogicalDrive> m_vLogicalDrives;
    std::vector<CSimEnclosure> m_vEnclosures;
    std::vector<CSimBattery> m_vBatteries;
};

#endif // KORVOSIM_CSIMSTACK_H
