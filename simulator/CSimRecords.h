// The simulated storage objects and the events they report.
#ifndef KORVOSIM_CSIMRECORDS_H
#define KORVOSIM_CSIMRECORDS_H

#include <string>
#include <vector>

// The classes the library serves, in the order of their holders.
enum ESimClass {
    SIM_CLASS_SYSTEM,
    SIM_CLASS_ADAPTER,
    SIM_CLASS_PHYSICAL_DRIVE,
    SIM_CLASS_LOGICAL_DRIVE,
    SIM_CLASS_ENCLOSURE,
    SIM_CLASS_BATTERY,
    SIM_CLASS_COUNT
};

// Physical drive states.
enum {
    PD_ONLINE = 0,
    PD_OFFLINE = 1,
    PD_FAILED = 2,
    PD_REBUILDING = 3,
    PD_HOT_SPARE = 4,
    PD_UNCONFIGURED = 5
};

// Logical drive states.
enum { LD_OPTIMAL = 0, LD_DEGRADED = 1, LD_OFFLINE = 2 };

// Event codes, as the trap definitions write them in hexadecimal.
enum {
    EVT_DRIVE_STATE = 0x101,
    EVT_DRIVE_FAILED = 0x102,
    EVT_REBUILD_STARTED = 0x103,
    EVT_REBUILD_DONE = 0x104,
    EVT_LOGICAL_STATE = 0x201,
    EVT_ADAPTER_SETTING = 0x301,
    EVT_ADAPTER_HOT = 0x302,
    EVT_ENCLOSURE_STATE = 0x401,
    EVT_FAN_FAILED = 0x402,
    EVT_BATTERY_STATE = 0x501,
};

struct CSimSystem {
    std::string strDriverVersion;
    std::string strHostName;
    int nAdapterCount = 0;
    int nPhysicalDriveCount = 0;
    int nLogicalDriveCount = 0;
};

struct CSimAdapter {
    int nAdapterId = 0;
    std::string strModel;
    std::string strSerialNumber;
    std::string strFirmwareVersion;
    int nState = 0;
    int nTemperature = 0;
    int nRebuildRate = 0;
    int nAlarmEnable = 0;
    int nPhysicalDriveCount = 0;
    int nLogicalDriveCount = 0;
};

struct CSimPhysicalDrive {
    int nAdapterId = 0;
    int nDriveId = 0;
    std::string strModel;
    std::string strSerialNumber;
    std::string strFirmwareVersion;
    int nState = PD_ONLINE;
    int nSizeMB = 0;
    int nTemperature = 0;
    int nMediaErrors = 0;
    int nOtherErrors = 0;
    int nRebuildProgress = 0;
};

struct CSimLogicalDrive {
    int nAdapterId = 0;
    int nLogicalDriveId = 0;
    std::string strName;
    int nRaidLevel = 0;
    int nState = LD_OPTIMAL;
    int nSizeMB = 0;
    int nStripeSizeKB = 0;
    int nCachePolicy = 0;
    std::vector<int> vMembers; // physical drive instances
};

struct CSimEnclosure {
    int nEnclosureId = 0;
    std::string strModel;
    int nState = 0;
    int nFanCount = 0;
    int nFanSpeedRPM = 0;
    int nPowerSupplyState = 0;
    int nTemperature = 0;
    int nAlarmEnable = 0;
};

struct CSimBattery {
    int nBatteryId = 0;
    int nAdapterId = 0;
    int nState = 0;
    int nChargePercent = 0;
    int nTemperature = 0;
    int nVoltageMV = 0;
    int nCycleCount = 0;
    int nLearnCycleEnable = 0;
};

// One event argument: its text and its integer.
struct CSimEventArg {
    std::string strText;
    int nValue = 0;
};

// One event as the library reports it, before it is copied into the event
// record of each registration.
struct CSimEvent {
    int nCode = 0;
    std::string strDescription;
    std::vector<CSimEventArg> vArgs;

    void addInt(int nValue) { vArgs.push_back({std::to_string(nValue), nValue}); }
    void addText(const std::string& strText) { vArgs.push_back({strText, 0}); }
};

typedef std::vector<CSimEvent> SimEventList;

#endif // KORVOSIM_CSIMRECORDS_H
