// The events of the simulated stack, with the arguments in the order the
// trap definitions expect them.
#ifndef KORVOSIM_CSIMEVENTFACTORY_H
#define KORVOSIM_CSIMEVENTFACTORY_H

#include "CSimRecords.h"

// Names of the states, as the events spell them.
const char* DriveStateName(int nState);
const char* LogicalStateName(int nState);
const char* EnclosureStateName(int nState);

// 0x101: AdapterId, DriveId, State, state name.
CSimEvent MakeDriveStateEvent(const CSimPhysicalDrive& stDrive);
// 0x102: AdapterId, DriveId, SerialNumber.
CSimEvent MakeDriveFailedEvent(const CSimPhysicalDrive& stDrive);
// 0x103 and 0x104: AdapterId, DriveId.
CSimEvent MakeRebuildStartedEvent(const CSimPhysicalDrive& stDrive);
CSimEvent MakeRebuildDoneEvent(const CSimPhysicalDrive& stDrive);
// 0x201: AdapterId, LogicalDriveId, State, state name.
CSimEvent MakeLogicalStateEvent(const CSimLogicalDrive& stLogical);
// 0x301: AdapterId, attribute name, new value.
CSimEvent MakeAdapterSettingEvent(const CSimAdapter& stAdapter, const std::string& strAttribute,
                                  int nValue);
// 0x302: AdapterId, Temperature.
CSimEvent MakeAdapterHotEvent(const CSimAdapter& stAdapter);
// 0x401: EnclosureId, State, state name.
CSimEvent MakeEnclosureStateEvent(const CSimEnclosure& stEnclosure);
// 0x402: EnclosureId, FanSpeedRPM.
CSimEvent MakeFanFailedEvent(const CSimEnclosure& stEnclosure);
// 0x501: BatteryId, State, ChargePercent.
CSimEvent MakeBatteryStateEvent(const CSimBattery& stBattery);

#endif // KORVOSIM_CSIMEVENTFACTORY_H
