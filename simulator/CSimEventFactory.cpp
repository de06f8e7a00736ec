#include "CSimEventFactory.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char* NameOf(const char* const* apszNames, int nCount, int nState) {
    return nState >= 0 && nState < nCount ? apszNames[nState] : "unknown";
}

__attribute__((format(printf, 1, 2))) std::string Describe(const char* pszFormat, ...) {
    char szText[128];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(szText, sizeof(szText), pszFormat, args);
    va_end(args);
    return szText;
}

CSimEvent MakeDriveEvent(int nCode, const CSimPhysicalDrive& stDrive, const std::string& strText) {
    CSimEvent stEvent;
    stEvent.nCode = nCode;
    stEvent.strDescription = strText;
    stEvent.addInt(stDrive.nAdapterId);
    stEvent.addInt(stDrive.nDriveId);
    return stEvent;
}

} // namespace

const char* DriveStateName(int nState) {
    static const char* const apszNames[] = {"online",     "offline",   "failed",
                                            "rebuilding", "hot spare", "unconfigured"};
    return NameOf(apszNames, 6, nState);
}

const char* LogicalStateName(int nState) {
    static const char* const apszNames[] = {"optimal", "degraded", "offline"};
    return NameOf(apszNames, 3, nState);
}

const char* EnclosureStateName(int nState) {
    static const char* const apszNames[] = {"ok", "warning", "critical"};
    return NameOf(apszNames, 3, nState);
}

CSimEvent MakeDriveStateEvent(const CSimPhysicalDrive& stDrive) {
    CSimEvent stEvent =
        MakeDriveEvent(EVT_DRIVE_STATE, stDrive,
                       Describe("Physical drive %d on adapter %d is now %s", stDrive.nDriveId,
                                stDrive.nAdapterId, DriveStateName(stDrive.nState)));
    stEvent.addInt(stDrive.nState);
    stEvent.addText(DriveStateName(stDrive.nState));
    return stEvent;
}

CSimEvent MakeDriveFailedEvent(const CSimPhysicalDrive& stDrive) {
    CSimEvent stEvent = MakeDriveEvent(
        EVT_DRIVE_FAILED, stDrive,
        Describe("Physical drive %d on adapter %d failed (serial number %s)", stDrive.nDriveId,
                 stDrive.nAdapterId, stDrive.strSerialNumber.c_str()));
    stEvent.addText(stDrive.strSerialNumber);
    return stEvent;
}

CSimEvent MakeRebuildStartedEvent(const CSimPhysicalDrive& stDrive) {
    return MakeDriveEvent(EVT_REBUILD_STARTED, stDrive,
                          Describe("Rebuild started on physical drive %d on adapter %d",
                                   stDrive.nDriveId, stDrive.nAdapterId));
}

CSimEvent MakeRebuildDoneEvent(const CSimPhysicalDrive& stDrive) {
    return MakeDriveEvent(EVT_REBUILD_DONE, stDrive,
                          Describe("Rebuild completed on physical drive %d on adapter %d",
                                   stDrive.nDriveId, stDrive.nAdapterId));
}

CSimEvent MakeLogicalStateEvent(const CSimLogicalDrive& stLogical) {
    CSimEvent stEvent;
    stEvent.nCode = EVT_LOGICAL_STATE;
    stEvent.strDescription =
        Describe("Logical drive %d on adapter %d is now %s", stLogical.nLogicalDriveId,
                 stLogical.nAdapterId, LogicalStateName(stLogical.nState));
    stEvent.addInt(stLogical.nAdapterId);
    stEvent.addInt(stLogical.nLogicalDriveId);
    stEvent.addInt(stLogical.nState);
    stEvent.addText(LogicalStateName(stLogical.nState));
    return stEvent;
}

CSimEvent MakeAdapterSettingEvent(const CSimAdapter& stAdapter, const std::string& strAttribute,
                                  int nValue) {
    CSimEvent stEvent;
    stEvent.nCode = EVT_ADAPTER_SETTING;
    stEvent.strDescription = Describe("Adapter %d: %s changed to %d", stAdapter.nAdapterId,
                                      strAttribute.c_str(), nValue);
    stEvent.addInt(stAdapter.nAdapterId);
    stEvent.addText(strAttribute);
    stEvent.addInt(nValue);
    return stEvent;
}

CSimEvent MakeAdapterHotEvent(const CSimAdapter& stAdapter) {
    CSimEvent stEvent;
    stEvent.nCode = EVT_ADAPTER_HOT;
    stEvent.strDescription = Describe("Adapter %d is too hot: %d degrees Celsius",
                                      stAdapter.nAdapterId, stAdapter.nTemperature);
    stEvent.addInt(stAdapter.nAdapterId);
    stEvent.addInt(stAdapter.nTemperature);
    return stEvent;
}

CSimEvent MakeEnclosureStateEvent(const CSimEnclosure& stEnclosure) {
    CSimEvent stEvent;
    stEvent.nCode = EVT_ENCLOSURE_STATE;
    stEvent.strDescription = Describe("Enclosure %d is now %s", stEnclosure.nEnclosureId,
                                      EnclosureStateName(stEnclosure.nState));
    stEvent.addInt(stEnclosure.nEnclosureId);
    stEvent.addInt(stEnclosure.nState);
    stEvent.addText(EnclosureStateName(stEnclosure.nState));
    return stEvent;
}

CSimEvent MakeFanFailedEvent(const CSimEnclosure& stEnclosure) {
    CSimEvent stEvent;
    stEvent.nCode = EVT_FAN_FAILED;
    stEvent.strDescription = Describe("A fan of enclosure %d failed", stEnclosure.nEnclosureId);
    stEvent.addInt(stEnclosure.nEnclosureId);
    stEvent.addInt(stEnclosure.nFanSpeedRPM);
    return stEvent;
}

CSimEvent MakeBatteryStateEvent(const CSimBattery& stBattery) {
    static const char* const apszNames[] = {"optimal", "charging", "learning", "failed"};
    CSimEvent stEvent;
    stEvent.nCode = EVT_BATTERY_STATE;
    stEvent.strDescription =
        Describe("Battery %d is now %s, charge %d%%", stBattery.nBatteryId,
                 NameOf(apszNames, 4, stBattery.nState), stBattery.nChargePercent);
    stEvent.addInt(stBattery.nBatteryId);
    stEvent.addInt(stBattery.nState);
    stEvent.addInt(stBattery.nChargePercent);
    return stEvent;
}
