#include "CSimStack.h"

#include "CSimAttributes.h"
#include "CSimEventFactory.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

const CSimField<CSimSystem> g_aSystemFields[] = {
    TextField("DriverVersion", &CSimSystem::strDriverVersion),
    IntField("AdapterCount", &CSimSystem::nAdapterCount),
    IntField("PhysicalDriveCount", &CSimSystem::nPhysicalDriveCount),
    IntField("LogicalDriveCount", &CSimSystem::nLogicalDriveCount),
    TextField("HostName", &CSimSystem::strHostName),
};

const CSimField<CSimAdapter> g_aAdapterFields[] = {
    IntField("AdapterId", &CSimAdapter::nAdapterId),
    TextField("Model", &CSimAdapter::strModel),
    TextField("SerialNumber", &CSimAdapter::strSerialNumber),
    TextField("FirmwareVersion", &CSimAdapter::strFirmwareVersion),
    IntField("State", &CSimAdapter::nState),
    IntField("Temperature", &CSimAdapter::nTemperature),
    WritableField("RebuildRate", &CSimAdapter::nRebuildRate, 0, 100),
    WritableField("AlarmEnable", &CSimAdapter::nAlarmEnable, 0, 1),
    IntField("PhysicalDriveCount", &CSimAdapter::nPhysicalDriveCount),
    IntField("LogicalDriveCount", &CSimAdapter::nLogicalDriveCount),
};

// State is writable too, but through its own rules (writeDriveState).
const CSimField<CSimPhysicalDrive> g_aDriveFields[] = {
    IntField("AdapterId", &CSimPhysicalDrive::nAdapterId),
    IntField("DriveId", &CSimPhysicalDrive::nDriveId),
    TextField("Model", &CSimPhysicalDrive::strModel),
    TextField("SerialNumber", &CSimPhysicalDrive::strSerialNumber),
    TextField("FirmwareVersion", &CSimPhysicalDrive::strFirmwareVersion),
    IntField("State", &CSimPhysicalDrive::nState),
    IntField("SizeMB", &CSimPhysicalDrive::nSizeMB),
    IntField("Temperature", &CSimPhysicalDrive::nTemperature),
    IntField("MediaErrors", &CSimPhysicalDrive::nMediaErrors),
    IntField("OtherErrors", &CSimPhysicalDrive::nOtherErrors),
    IntField("RebuildProgress", &CSimPhysicalDrive::nRebuildProgress),
};

const CSimField<CSimLogicalDrive> g_aLogicalFields[] = {
    IntField("AdapterId", &CSimLogicalDrive::nAdapterId),
    IntField("LogicalDriveId", &CSimLogicalDrive::nLogicalDriveId),
    TextField("Name", &CSimLogicalDrive::strName),
    IntField("RaidLevel", &CSimLogicalDrive::nRaidLevel),
    IntField("State", &CSimLogicalDrive::nState),
    IntField("SizeMB", &CSimLogicalDrive::nSizeMB),
    IntField("StripeSizeKB", &CSimLogicalDrive::nStripeSizeKB),
    WritableField("CachePolicy", &CSimLogicalDrive::nCachePolicy, 0, 2),
};

const CSimField<CSimEnclosure> g_aEnclosureFields[] = {
    IntField("EnclosureId", &CSimEnclosure::nEnclosureId),
    TextField("Model", &CSimEnclosure::strModel),
    IntField("State", &CSimEnclosure::nState),
    IntField("FanCount", &CSimEnclosure::nFanCount),
    IntField("FanSpeedRPM", &CSimEnclosure::nFanSpeedRPM),
    IntField("PowerSupplyState", &CSimEnclosure::nPowerSupplyState),
    IntField("Temperature", &CSimEnclosure::nTemperature),
    WritableField("AlarmEnable", &CSimEnclosure::nAlarmEnable, 0, 1),
};

const CSimField<CSimBattery> g_aBatteryFields[] = {
    IntField("BatteryId", &CSimBattery::nBatteryId),
    IntField("AdapterId", &CSimBattery::nAdapterId),
    IntField("State", &CSimBattery::nState),
    IntField("ChargePercent", &CSimBattery::nChargePercent),
    IntField("Temperature", &CSimBattery::nTemperature),
    IntField("VoltageMV", &CSimBattery::nVoltageMV),
    IntField("CycleCount", &CSimBattery::nCycleCount),
    WritableField("LearnCycleEnable", &CSimBattery::nLearnCycleEnable, 0, 1),
};

// Plausible identifiers: a fixed stem and a number.
std::string Serial(const char* pszStem, int nNumber) {
    char szSerial[32];
    snprintf(szSerial, sizeof(szSerial), "%s%08X", pszStem, static_cast<unsigned>(nNumber));
    return szSerial;
}

std::string HostName() {
    char szHost[256] = {};
#ifdef _WIN32
    DWORD nSize = sizeof(szHost);
    if (!GetComputerNameA(szHost, &nSize)) {
        return "localhost";
    }
#else
    if (gethostname(szHost, sizeof(szHost) - 1) != 0) {
        return "localhost";
    }
#endif
    return szHost;
}

// Usable capacity of a logical drive of nMembers drives of nDriveSizeMB.
int LogicalSizeMB(int nRaidLevel, int nMembers, int nDriveSizeMB) {
    long long nDataDrives = nMembers;
    if (nRaidLevel == 1 || nRaidLevel == 10) {
        nDataDrives = nMembers / 2;
    } else if (nRaidLevel == 5) {
        nDataDrives = nMembers - 1;
    } else if (nRaidLevel == 6) {
        nDataDrives = nMembers - 2;
    }
    return static_cast<int>(std::min<long long>(nDataDrives * nDriveSizeMB, INT_MAX));
}

// Rebuild progress per step at an adapter's rebuild rate.
int RebuildStep(int nRebuildRate) {
    return std::max(1, nRebuildRate / 2);
}

template <typename TRecord>
bool StoreTemperature(std::vector<TRecord>& vRecords, int iInstance, int nCelsius) {
    if (!IsInstance(vRecords, iInstance)) {
        return false;
    }
    vRecords[iInstance].nTemperature = nCelsius;
    return true;
}

} // namespace

void CSimStack::build(const CSimInventory& stInventory) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_nDrivesPerAdapter = stInventory.nDrivesPerAdapter;
    buildAdapters(stInventory);
    buildDrives(stInventory);
    buildLogicalDrives(stInventory);
    buildEnclosuresAndBatteries(stInventory);

    CSimSystem stSystem;
    stSystem.strDriverVersion = stInventory.strDriverVersion;
    stSystem.strHostName = HostName();
    stSystem.nAdapterCount = static_cast<int>(m_vAdapters.size());
    stSystem.nPhysicalDriveCount = static_cast<int>(m_vDrives.size());
    stSystem.nLogicalDriveCount = static_cast<int>(m_vLogicalDrives.size());
    m_vSystem.assign(1, stSystem);
}

void CSimStack::clear() {
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_nDrivesPerAdapter = 0;
    m_vSystem.clear();
    m_vAdapters.clear();
    m_vDrives.clear();
    m_vLogicalDrives.clear();
    m_vEnclosures.clear();
    m_vBatteries.clear();
}

void CSimStack::buildAdapters(const CSimInventory& stInventory) {
    m_vAdapters.clear();
    for (int nAdapter = 0; nAdapter < stInventory.nAdapters; ++nAdapter) {
        CSimAdapter stAdapter;
        stAdapter.nAdapterId = nAdapter;
        stAdapter.strModel = "KV-4200 RAID Controller";
        stAdapter.strSerialNumber = Serial("KVA", 0x51000 + nAdapter);
        stAdapter.strFirmwareVersion = "4.12.00-0321";
        stAdapter.nTemperature = 48 + nAdapter % 5;
        stAdapter.nRebuildRate = 30;
        stAdapter.nAlarmEnable = 1;
        stAdapter.nPhysicalDriveCount = stInventory.nDrivesPerAdapter;
        stAdapter.nLogicalDriveCount = stInventory.nLogicalDrivesPerAdapter;
        m_vAdapters.push_back(stAdapter);
    }
}

// Per adapter the last drives are hot spares; the drives that the logical
// drives take are online and the rest unconfigured.
void CSimStack::buildDrives(const CSimInventory& stInventory) {
    m_vDrives.clear();
    int nDataDrives = stInventory.nDrivesPerAdapter - stInventory.nHotSparesPerAdapter;
    for (int nAdapter = 0; nAdapter < stInventory.nAdapters; ++nAdapter) {
        for (int nDrive = 0; nDrive < stInventory.nDrivesPerAdapter; ++nDrive) {
            CSimPhysicalDrive stDrive;
            stDrive.nAdapterId = nAdapter;
            stDrive.nDriveId = nDrive;
            stDrive.strModel = nDrive % 2 == 0 ? "KS-1000 SAS" : "KS-1000E SAS";
            stDrive.strSerialNumber =
                Serial("KS", static_cast<int>(m_vDrives.size()) * 7919 + 0x2A000);
            stDrive.strFirmwareVersion = "GA07";
            stDrive.nState = nDrive < nDataDrives ? PD_UNCONFIGURED : PD_HOT_SPARE;
            stDrive.nSizeMB = stInventory.nDriveSizeMB;
            stDrive.nTemperature = 31 + nDrive % 7;
            stDrive.nMediaErrors = nDrive % 11 == 3 ? 2 : 0;
            m_vDrives.push_back(stDrive);
        }
    }
}

void CSimStack::buildLogicalDrives(const CSimInventory& stInventory) {
    m_vLogicalDrives.clear();
    int nLogicalCount = stInventory.nLogicalDrivesPerAdapter;
    if (nLogicalCount == 0) {
        return;
    }
    int nDataDrives = stInventory.nDrivesPerAdapter - stInventory.nHotSparesPerAdapter;
    int nMembers = nDataDrives / nLogicalCount;
    if (stInventory.nRaidLevel == 10) {
        nMembers -= nMembers % 2;
    }
    for (int nAdapter = 0; nAdapter < stInventory.nAdapters; ++nAdapter) {
        for (int nLogical = 0; nLogical < nLogicalCount; ++nLogical) {
            CSimLogicalDrive stLogical;
            stLogical.nAdapterId = nAdapter;
            stLogical.nLogicalDriveId = nLogical;
            stLogical.strName = "vd" + std::to_string(nAdapter) + "_" + std::to_string(nLogical);
            stLogical.nRaidLevel = stInventory.nRaidLevel;
            stLogical.nSizeMB =
                LogicalSizeMB(stInventory.nRaidLevel, nMembers, stInventory.nDriveSizeMB);
            stLogical.nStripeSizeKB = 256;
            stLogical.nCachePolicy = 1;
            for (int nMember = 0; nMember < nMembers; ++nMember) {
                int iDrive = nAdapter * m_nDrivesPerAdapter + nLogical * nMembers + nMember;
                m_vDrives[iDrive].nState = PD_ONLINE;
                stLogical.vMembers.push_back(iDrive);
            }
            m_vLogicalDrives.push_back(stLogical);
        }
    }
}

void CSimStack::buildEnclosuresAndBatteries(const CSimInventory& stInventory) {
    m_vEnclosures.clear();
    for (int nEnclosure = 0; nEnclosure < stInventory.nEnclosures; ++nEnclosure) {
        CSimEnclosure stEnclosure;
        stEnclosure.nEnclosureId = nEnclosure;
        stEnclosure.strModel = "KE-2400 Drive Enclosure";
        stEnclosure.nFanCount = 4;
        stEnclosure.nFanSpeedRPM = 5400 + 60 * nEnclosure;
        stEnclosure.nTemperature = 27 + nEnclosure % 4;
        stEnclosure.nAlarmEnable = 1;
        m_vEnclosures.push_back(stEnclosure);
    }
    m_vBatteries.clear();
    for (int nBattery = 0; nBattery < stInventory.nBatteries; ++nBattery) {
        CSimBattery stBattery;
        stBattery.nBatteryId = nBattery;
        stBattery.nAdapterId = nBattery % stInventory.nAdapters;
        stBattery.nChargePercent = 100;
        stBattery.nTemperature = 33;
        stBattery.nVoltageMV = 4080;
        stBattery.nCycleCount = 17 + nBattery;
        stBattery.nLearnCycleEnable = 1;
        m_vBatteries.push_back(stBattery);
    }
}

template <typename TSelf, typename TResult, typename TVisit>
TResult CSimStack::visitClass(TSelf& self, ESimClass nClass, TResult xNone, TVisit fnVisit) {
    switch (nClass) {
    case SIM_CLASS_SYSTEM:
        return fnVisit(self.m_vSystem, g_aSystemFields);
    case SIM_CLASS_ADAPTER:
        return fnVisit(self.m_vAdapters, g_aAdapterFields);
    case SIM_CLASS_PHYSICAL_DRIVE:
        return fnVisit(self.m_vDrives, g_aDriveFields);
    case SIM_CLASS_LOGICAL_DRIVE:
        return fnVisit(self.m_vLogicalDrives, g_aLogicalFields);
    case SIM_CLASS_ENCLOSURE:
        return fnVisit(self.m_vEnclosures, g_aEnclosureFields);
    case SIM_CLASS_BATTERY:
        return fnVisit(self.m_vBatteries, g_aBatteryFields);
    default:
        return xNone;
    }
}

int CSimStack::getInstanceCount(ESimClass nClass) const {
    std::lock_guard<CSimMutex> lock(m_mutex);
    return visitClass(*this, nClass, 0, [](const auto& vRecords, const auto&) {
        return static_cast<int>(vRecords.size());
    });
}

bool CSimStack::readInt(ESimClass nClass, int iInstance, const std::string& strName,
                        int& nValue) const {
    std::lock_guard<CSimMutex> lock(m_mutex);
    return visitClass(*this, nClass, false, [&](const auto& vRecords, const auto& aFields) {
        return ReadField(vRecords, aFields, iInstance, strName, nValue);
    });
}

bool CSimStack::readText(ESimClass nClass, int iInstance, const std::string& strName,
                         std::string& strValue) const {
    std::lock_guard<CSimMutex> lock(m_mutex);
    return visitClass(*this, nClass, false, [&](const auto& vRecords, const auto& aFields) {
        return ReadField(vRecords, aFields, iInstance, strName, strValue);
    });
}

// A drive's State follows its own rules (writeDriveState); the other
// writable attributes are kept within their range, and a changed adapter
// setting is reported.
bool CSimStack::writeInt(ESimClass nClass, int iInstance, const std::string& strName, int nValue,
                         SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (nClass == SIM_CLASS_PHYSICAL_DRIVE) {
        return strName == "State" && IsInstance(m_vDrives, iInstance) &&
               writeDriveState(iInstance, nValue, vEvents);
    }
    int nOld = 0;
    bool bWritten = visitClass(*this, nClass, false, [&](auto& vRecords, const auto& aFields) {
        return WriteIntField(vRecords, aFields, iInstance, strName, nValue, nOld);
    });
    if (bWritten && nClass == SIM_CLASS_ADAPTER && nOld != nValue) {
        vEvents.push_back(MakeAdapterSettingEvent(m_vAdapters[iInstance], strName, nValue));
    }
    return bWritten;
}

// An administrator may take an online drive offline (1), bring an offline
// drive online (0), start the rebuild of a failed drive (0) or fail any drive
// (2). Writing the current state changes nothing.
bool CSimStack::writeDriveState(int iDrive, int nState, SimEventList& vEvents) {
    int nCurrent = m_vDrives[iDrive].nState;
    if (nState == nCurrent && nState <= PD_FAILED) {
        return true;
    }
    if (nState == PD_FAILED) {
        markFailed(iDrive, vEvents);
        return true;
    }
    if (nState == PD_OFFLINE && nCurrent == PD_ONLINE) {
        changeDriveState(iDrive, PD_OFFLINE, vEvents);
        return true;
    }
    if (nState == PD_ONLINE && nCurrent == PD_OFFLINE) {
        changeDriveState(iDrive, PD_ONLINE, vEvents);
        return true;
    }
    if (nState == PD_ONLINE && nCurrent == PD_FAILED) {
        beginRebuild(iDrive, vEvents);
        return true;
    }
    return false;
}

int CSimStack::locateDrive(int nAdapterId, int nDriveId) const {
    if (nAdapterId < 0 || nDriveId < 0 || nDriveId >= m_nDrivesPerAdapter) {
        return -1;
    }
    long nDrive = static_cast<long>(nAdapterId) * m_nDrivesPerAdapter + nDriveId;
    return nDrive < static_cast<long>(m_vDrives.size()) ? static_cast<int>(nDrive) : -1;
}

int CSimStack::findDrive(int nAdapterId, int nDriveId) const {
    std::lock_guard<CSimMutex> lock(m_mutex);
    return locateDrive(nAdapterId, nDriveId);
}

void CSimStack::changeDriveState(int iDrive, int nState, SimEventList& vEvents) {
    CSimPhysicalDrive& stDrive = m_vDrives[iDrive];
    stDrive.nState = nState;
    vEvents.push_back(MakeDriveStateEvent(stDrive));
    updateLogicalStates(stDrive.nAdapterId, vEvents);
}

void CSimStack::markFailed(int iDrive, SimEventList& vEvents) {
    CSimPhysicalDrive& stDrive = m_vDrives[iDrive];
    stDrive.nRebuildProgress = 0;
    ++stDrive.nOtherErrors;
    stDrive.nState = PD_FAILED;
    vEvents.push_back(MakeDriveStateEvent(stDrive));
    vEvents.push_back(MakeDriveFailedEvent(stDrive));
    updateLogicalStates(stDrive.nAdapterId, vEvents);
    takeOverWithSpare(iDrive, vEvents);
}

void CSimStack::beginRebuild(int iDrive, SimEventList& vEvents) {
    m_vDrives[iDrive].nRebuildProgress = 0;
    changeDriveState(iDrive, PD_REBUILDING, vEvents);
    vEvents.push_back(MakeRebuildStartedEvent(m_vDrives[iDrive]));
}

// A failed member of a logical drive is replaced by a hot spare of its
// adapter, which then rebuilds.
void CSimStack::takeOverWithSpare(int iFailedDrive, SimEventList& vEvents) {
    int nAdapterId = m_vDrives[iFailedDrive].nAdapterId;
    for (CSimLogicalDrive& stLogical : m_vLogicalDrives) {
        auto itMember =
            std::find(stLogical.vMembers.begin(), stLogical.vMembers.end(), iFailedDrive);
        if (itMember == stLogical.vMembers.end()) {
            continue;
        }
        for (int nDrive = 0; nDrive < m_nDrivesPerAdapter; ++nDrive) {
            int iSpare = nAdapterId * m_nDrivesPerAdapter + nDrive;
            if (m_vDrives[iSpare].nState == PD_HOT_SPARE) {
                *itMember = iSpare;
                beginRebuild(iSpare, vEvents);
                return;
            }
        }
        return;
    }
}

int CSimStack::logicalStateOf(const CSimLogicalDrive& stLogical) const {
    int nMissing = 0;
    for (int iMember : stLogical.vMembers) {
        if (m_vDrives[iMember].nState != PD_ONLINE) {
            ++nMissing;
        }
    }
    if (nMissing == 0) {
        return LD_OPTIMAL;
    }
    return nMissing > ToleratedFailures(stLogical.nRaidLevel) ? LD_OFFLINE : LD_DEGRADED;
}

// Brings the logical drives and the adapter state of an adapter in line with
// its physical drives.
void CSimStack::updateLogicalStates(int nAdapterId, SimEventList& vEvents) {
    bool bAllOptimal = true;
    for (CSimLogicalDrive& stLogical : m_vLogicalDrives) {
        if (stLogical.nAdapterId != nAdapterId) {
            continue;
        }
        int nState = logicalStateOf(stLogical);
        if (nState != stLogical.nState) {
            stLogical.nState = nState;
            vEvents.push_back(MakeLogicalStateEvent(stLogical));
        }
        bAllOptimal = bAllOptimal && nState == LD_OPTIMAL;
    }
    m_vAdapters[nAdapterId].nState = bAllOptimal ? 0 : 1;
}

bool CSimStack::failDrive(int nAdapterId, int nDriveId, SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    int iDrive = locateDrive(nAdapterId, nDriveId);
    if (iDrive < 0 || m_vDrives[iDrive].nState == PD_FAILED) {
        return false;
    }
    markFailed(iDrive, vEvents);
    return true;
}

bool CSimStack::startRebuild(int nAdapterId, int nDriveId, SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    int iDrive = locateDrive(nAdapterId, nDriveId);
    if (iDrive < 0 ||
        (m_vDrives[iDrive].nState != PD_FAILED && m_vDrives[iDrive].nState != PD_OFFLINE)) {
        return false;
    }
    beginRebuild(iDrive, vEvents);
    return true;
}

void CSimStack::advanceRebuilds(SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    for (size_t iDrive = 0; iDrive < m_vDrives.size(); ++iDrive) {
        CSimPhysicalDrive& stDrive = m_vDrives[iDrive];
        if (stDrive.nState != PD_REBUILDING) {
            continue;
        }
        int nStep = RebuildStep(m_vAdapters[stDrive.nAdapterId].nRebuildRate);
        stDrive.nRebuildProgress = std::min(100, stDrive.nRebuildProgress + nStep);
        if (stDrive.nRebuildProgress == 100) {
            vEvents.push_back(MakeRebuildDoneEvent(stDrive));
            changeDriveState(static_cast<int>(iDrive), PD_ONLINE, vEvents);
        }
    }
}

bool CSimStack::setTemperature(ESimClass nClass, int iInstance, int nCelsius,
                               SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (nCelsius < -40 || nCelsius > 150) {
        return false;
    }
    switch (nClass) {
    case SIM_CLASS_ADAPTER: {
        if (!IsInstance(m_vAdapters, iInstance)) {
            return false;
        }
        CSimAdapter& stAdapter = m_vAdapters[iInstance];
        bool bWasHot = stAdapter.nTemperature >= SIM_ADAPTER_HOT_CELSIUS;
        stAdapter.nTemperature = nCelsius;
        if (!bWasHot && nCelsius >= SIM_ADAPTER_HOT_CELSIUS) {
            vEvents.push_back(MakeAdapterHotEvent(stAdapter));
        }
        return true;
    }
    case SIM_CLASS_PHYSICAL_DRIVE:
        return StoreTemperature(m_vDrives, iInstance, nCelsius);
    case SIM_CLASS_ENCLOSURE:
        return StoreTemperature(m_vEnclosures, iInstance, nCelsius);
    case SIM_CLASS_BATTERY:
        return StoreTemperature(m_vBatteries, iInstance, nCelsius);
    default:
        return false;
    }
}

bool CSimStack::setEnclosureState(int nEnclosureId, int nState, SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!IsInstance(m_vEnclosures, nEnclosureId) || nState < 0 || nState > 2) {
        return false;
    }
    CSimEnclosure& stEnclosure = m_vEnclosures[nEnclosureId];
    if (stEnclosure.nState != nState) {
        stEnclosure.nState = nState;
        vEvents.push_back(MakeEnclosureStateEvent(stEnclosure));
    }
    return true;
}

// The slowest fan stops; the enclosure reports a warning.
bool CSimStack::failFan(int nEnclosureId, SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!IsInstance(m_vEnclosures, nEnclosureId)) {
        return false;
    }
    CSimEnclosure& stEnclosure = m_vEnclosures[nEnclosureId];
    stEnclosure.nFanSpeedRPM = 0;
    vEvents.push_back(MakeFanFailedEvent(stEnclosure));
    if (stEnclosure.nState == 0) {
        stEnclosure.nState = 1;
        vEvents.push_back(MakeEnclosureStateEvent(stEnclosure));
    }
    return true;
}

bool CSimStack::setBatteryState(int nBatteryId, int nState, int nChargePercent,
                                SimEventList& vEvents) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!IsInstance(m_vBatteries, nBatteryId) || nState < 0 || nState > 3 || nChargePercent < 0 ||
        nChargePercent > 100) {
        return false;
    }
    CSimBattery& stBattery = m_vBatteries[nBatteryId];
    stBattery.nState = nState;
    stBattery.nChargePercent = nChargePercent;
    vEvents.push_back(MakeBatteryStateEvent(stBattery));
    return true;
}
