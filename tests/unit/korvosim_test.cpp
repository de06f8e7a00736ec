// The simulated storage library, loaded by file name and driven through its
// four exports as the agent drives it.
#include "StorageLib.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// One event as the callback saw it, read at the raw offsets the agent uses.
struct CSeenEvent {
    int iLibIndex = 0;
    int iArgCount = 0;
    int iEventCode = 0;
    std::string strDescription;
    std::vector<std::string> vArgTexts;
    std::vector<int> vArgValues;
    std::thread::id idThread;
};

std::mutex g_eventMutex;
std::condition_variable g_eventArrived;
std::vector<CSeenEvent> g_vSeen;

int ReadRawInt(const CEventInfo* pEvent, size_t nOffset) {
    int nValue = 0;
    memcpy(&nValue, reinterpret_cast<const char*>(pEvent) + nOffset, sizeof(nValue));
    return nValue;
}

int RecordEvent(CEventInfo* pEvent) {
    const char* pBase = reinterpret_cast<const char*>(pEvent);
    CSeenEvent stSeen;
    stSeen.iLibIndex = ReadRawInt(pEvent, 8);
    stSeen.iArgCount = ReadRawInt(pEvent, 20);
    stSeen.iEventCode = ReadRawInt(pEvent, 24);
    stSeen.strDescription = pBase + 28;
    for (int iArg = 0; iArg < stSeen.iArgCount && iArg < 8; ++iArg) {
        stSeen.vArgTexts.push_back(pBase + 228 + 304 * iArg);
        stSeen.vArgValues.push_back(ReadRawInt(pEvent, 484 + 304 * iArg));
    }
    stSeen.idThread = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_vSeen.push_back(stSeen);
    g_eventArrived.notify_all();
    return 1;
}

// The agent registers the same callback once per definition.
int RecordEventToo(CEventInfo* pEvent) {
    return RecordEvent(pEvent);
}

// The library, loaded once for the whole program, as the agent loads it.
struct CLoadedLibrary {
    void* pHandle = nullptr;
    InitDLL pfnInit = nullptr;
    InitFunc pfnHolder = nullptr;
    EventFunc pfnStartEvents = nullptr;
    UnloadFunc pfnUnload = nullptr;
};

CLoadedLibrary& Library() {
    static CLoadedLibrary s_library;
    if (s_library.pHandle == nullptr) {
        s_library.pHandle = dlopen(KORVO_BUILD_DIR "/libkorvosim.so", RTLD_NOW);
        if (s_library.pHandle != nullptr) {
            s_library.pfnInit =
                reinterpret_cast<InitDLL>(dlsym(s_library.pHandle, "InitializeDll"));
            s_library.pfnHolder =
                reinterpret_cast<InitFunc>(dlsym(s_library.pHandle, "getObjectHolderByName_c"));
            s_library.pfnStartEvents =
                reinterpret_cast<EventFunc>(dlsym(s_library.pHandle, "startEventProcessing"));
            s_library.pfnUnload =
                reinterpret_cast<UnloadFunc>(dlsym(s_library.pHandle, "readyForUnload"));
        }
    }
    return s_library;
}

class KorvosimTest : public ::testing::Test {
  protected:
    std::string m_strFolder;
    std::string m_strInventory;
    std::string m_strFifo;
    CLoadedLibrary* m_pLib = nullptr;

    void SetUp() override {
        char szTemplate[] = "/tmp/korvosim_test.XXXXXX";
        ASSERT_NE(mkdtemp(szTemplate), nullptr);
        m_strFolder = szTemplate;
        m_strInventory = m_strFolder + "/korvosim.inventory";
        m_strFifo = m_strFolder + "/events";
        setenv("KORVOSIM_INVENTORY", m_strInventory.c_str(), 1);
        setenv("KORVOSIM_EVENTS", m_strFifo.c_str(), 1);
        m_pLib = &Library();
        ASSERT_NE(m_pLib->pHandle, nullptr) << dlerror();
        ASSERT_NE(m_pLib->pfnInit, nullptr);
        ASSERT_NE(m_pLib->pfnHolder, nullptr);
        ASSERT_NE(m_pLib->pfnStartEvents, nullptr);
        ASSERT_NE(m_pLib->pfnUnload, nullptr);
        std::lock_guard<std::mutex> lock(g_eventMutex);
        g_vSeen.clear();
    }

    void TearDown() override {
        if (m_pLib != nullptr && m_pLib->pfnUnload != nullptr) {
            m_pLib->pfnUnload();
        }
        unlink(m_strInventory.c_str());
        unlink(m_strFifo.c_str());
        rmdir(m_strFolder.c_str());
    }

    void writeInventory(const std::string& strText) {
        std::ofstream outFile(m_strInventory);
        outFile << strText;
    }

    bool initialize() {
        char szAgentVersion[] = "3.18.0.2";
        char szMibVersion[] = "1.0";
        return m_pLib->pfnInit(szAgentVersion, szMibVersion);
    }

    CBaseHolder* holder(const char* pszClassName) {
        std::string strName = pszClassName;
        return m_pLib->pfnHolder(&strName[0]);
    }

    int readInt(const char* pszClass, int iInstance, const char* pszAttribute) {
        std::string strName = pszAttribute;
        int nValue = -12345;
        EXPECT_EQ(holder(pszClass)->getIntAttribute(iInstance, &strName[0], &nValue), 0)
            << pszClass << "." << pszAttribute;
        return nValue;
    }

    std::string readText(const char* pszClass, int iInstance, const char* pszAttribute) {
        std::string strName = pszAttribute;
        char szBuffer[STORAGELIB_STRING_BUFFER_SIZE] = {};
        EXPECT_EQ(holder(pszClass)->getStringAttribute(iInstance, &strName[0], szBuffer), 0)
            << pszClass << "." << pszAttribute;
        return szBuffer;
    }

    int write(const char* pszClass, int iInstance, const char* pszAttribute, int nValue) {
        std::string strName = pszAttribute;
        return holder(pszClass)->setIntAttribute(iInstance, &strName[0], nValue);
    }

    void inject(const std::string& strLine) {
        int fd = open(m_strFifo.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0) << "no reader on " << m_strFifo;
        std::string strText = strLine + "\n";
        ASSERT_EQ(::write(fd, strText.data(), strText.size()),
                  static_cast<ssize_t>(strText.size()));
        close(fd);
    }

    // Waits (generously) for an event with the code and library index.
    bool waitFor(int iEventCode, int iLibIndex, CSeenEvent& stFound) {
        std::unique_lock<std::mutex> lock(g_eventMutex);
        return g_eventArrived.wait_for(lock, std::chrono::seconds(20), [&] {
            for (const CSeenEvent& stSeen : g_vSeen) {
                if (stSeen.iEventCode == iEventCode && stSeen.iLibIndex == iLibIndex) {
                    stFound = stSeen;
                    return true;
                }
            }
            return false;
        });
    }
};

struct CAttributeName {
    const char* pszClass;
    const char* pszAttribute;
    bool bText;
};

// Every class and attribute that the sample MIB definitions name.
const CAttributeName g_aSampleAttributes[] = {
    {"System", "DriverVersion", true},
    {"System", "AdapterCount", false},
    {"System", "PhysicalDriveCount", false},
    {"System", "LogicalDriveCount", false},
    {"System", "HostName", true},
    {"Adapter", "AdapterId", false},
    {"Adapter", "Model", true},
    {"Adapter", "SerialNumber", true},
    {"Adapter", "FirmwareVersion", true},
    {"Adapter", "State", false},
    {"Adapter", "Temperature", false},
    {"Adapter", "RebuildRate", false},
    {"Adapter", "AlarmEnable", false},
    {"Adapter", "PhysicalDriveCount", false},
    {"Adapter", "LogicalDriveCount", false},
    {"PhysicalDrive", "AdapterId", false},
    {"PhysicalDrive", "DriveId", false},
    {"PhysicalDrive", "Model", true},
    {"PhysicalDrive", "SerialNumber", true},
    {"PhysicalDrive", "FirmwareVersion", true},
    {"PhysicalDrive", "State", false},
    {"PhysicalDrive", "SizeMB", false},
    {"PhysicalDrive", "Temperature", false},
    {"PhysicalDrive", "MediaErrors", false},
    {"PhysicalDrive", "OtherErrors", false},
    {"PhysicalDrive", "RebuildProgress", false},
    {"LogicalDrive", "AdapterId", false},
    {"LogicalDrive", "LogicalDriveId", false},
    {"LogicalDrive", "Name", true},
    {"LogicalDrive", "RaidLevel", false},
    {"LogicalDrive", "State", false},
    {"LogicalDrive", "SizeMB", false},
    {"LogicalDrive", "StripeSizeKB", false},
    {"LogicalDrive", "CachePolicy", false},
    {"Enclosure", "EnclosureId", false},
    {"Enclosure", "Model", true},
    {"Enclosure", "State", false},
    {"Enclosure", "FanCount", false},
    {"Enclosure", "FanSpeedRPM", false},
    {"Enclosure", "PowerSupplyState", false},
    {"Enclosure", "Temperature", false},
    {"Enclosure", "AlarmEnable", false},
    {"Battery", "BatteryId", false},
    {"Battery", "AdapterId", false},
    {"Battery", "State", false},
    {"Battery", "ChargePercent", false},
    {"Battery", "Temperature", false},
    {"Battery", "VoltageMV", false},
    {"Battery", "CycleCount", false},
    {"Battery", "LearnCycleEnable", false},
};

TEST_F(KorvosimTest, BadInventoriesAreRefusedWithAMessage) {
    const char* apszBad[] = {
        "adapters many\n",
        "adapters 0\n",
        "spindles 4\n",
        "adapters 2 3\n",
        ("drives-per-adapter 3\nhot-spares-per-adapter 1\nlogical-drives-per-adapter 1\n"
         "raid-level 5\n"),
        "raid-level 4\n",
    };
    for (const char* pszBad : apszBad) {
        writeInventory(pszBad);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(initialize()) << pszBad;
        std::string strMessage = testing::internal::GetCapturedStderr();
        EXPECT_NE(strMessage.find(m_strInventory), std::string::npos) << strMessage;
        EXPECT_EQ(holder("Adapter"), nullptr);
    }

    unlink(m_strInventory.c_str());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(initialize());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot open"), std::string::npos);

    writeInventory("# only comments and defaults\n\nadapters 1   # one\n");
    EXPECT_TRUE(initialize());
    EXPECT_TRUE(initialize()); // a second call keeps the library as it is
    EXPECT_EQ(holder("Adapter")->getInstanceCount(), 1);
}

TEST_F(KorvosimTest, ReadsEveryClassAndAttributeOfTheSampleDefinitions) {
    writeInventory("adapters 2\ndrives-per-adapter 6\nlogical-drives-per-adapter 1\n"
                   "hot-spares-per-adapter 1\nraid-level 5\ndrive-size-mb 1000\n"
                   "enclosures 2\nbatteries 1\n");
    ASSERT_TRUE(initialize());
    char szBuffer[STORAGELIB_STRING_BUFFER_SIZE];
    int nValue = 0;
    for (const CAttributeName& stName : g_aSampleAttributes) {
        CBaseHolder* pHolder = holder(stName.pszClass);
        ASSERT_NE(pHolder, nullptr) << stName.pszClass;
        int nLast = pHolder->getInstanceCount() - 1;
        ASSERT_GE(nLast, 0) << stName.pszClass;
        std::string strName = stName.pszAttribute;
        if (stName.bText) {
            EXPECT_FALSE(readText(stName.pszClass, nLast, stName.pszAttribute).empty());
            EXPECT_EQ(pHolder->getIntAttribute(0, &strName[0], &nValue), -1) << strName;
        } else {
            readInt(stName.pszClass, nLast, stName.pszAttribute);
            EXPECT_EQ(pHolder->getStringAttribute(0, &strName[0], szBuffer), -1) << strName;
        }
        EXPECT_EQ(pHolder->getIntAttribute(nLast + 1, &strName[0], &nValue), -1);
        EXPECT_EQ(pHolder->getStringAttribute(-1, &strName[0], szBuffer), -1);
    }

    EXPECT_EQ(readInt("System", 0, "AdapterCount"), 2);
    EXPECT_EQ(readInt("System", 0, "PhysicalDriveCount"), 12);
    EXPECT_EQ(readInt("System", 0, "LogicalDriveCount"), 2);
    EXPECT_EQ(holder("Enclosure")->getInstanceCount(), 2);
    EXPECT_EQ(readInt("PhysicalDrive", 7, "AdapterId"), 1);
    EXPECT_EQ(readInt("PhysicalDrive", 7, "DriveId"), 1);
    EXPECT_EQ(readInt("PhysicalDrive", 5, "State"), 4); // the hot spare
    EXPECT_EQ(readInt("LogicalDrive", 1, "SizeMB"), 4000);
    EXPECT_NE(readText("PhysicalDrive", 0, "SerialNumber"),
              readText("PhysicalDrive", 1, "SerialNumber"));

    char szUnknown[] = "NoSuchAttribute";
    EXPECT_EQ(holder("Adapter")->getIntAttribute(0, szUnknown, &nValue), -1);
    EXPECT_EQ(holder("adapter"), nullptr);
    EXPECT_EQ(holder("Fan"), nullptr);
}

TEST_F(KorvosimTest, CountsGoBeyond255) {
    writeInventory(
        "adapters 2\ndrives-per-adapter 300\nlogical-drives-per-adapter 100\nraid-level 1\n");
    ASSERT_TRUE(initialize());
    EXPECT_EQ(holder("PhysicalDrive")->getInstanceCount(), 600);
    EXPECT_EQ(holder("LogicalDrive")->getInstanceCount(), 200);
    EXPECT_EQ(readInt("PhysicalDrive", 599, "DriveId"), 299);
    EXPECT_EQ(readInt("LogicalDrive", 199, "LogicalDriveId"), 99);
}

TEST_F(KorvosimTest, WritesAreValidatedAndKept) {
    writeInventory("adapters 1\n");
    ASSERT_TRUE(initialize());
    EXPECT_EQ(write("Adapter", 0, "RebuildRate", 55), 0);
    EXPECT_EQ(readInt("Adapter", 0, "RebuildRate"), 55);
    EXPECT_NE(write("Adapter", 0, "RebuildRate", 101), 0);
    EXPECT_NE(write("Adapter", 0, "RebuildRate", -1), 0);
    EXPECT_EQ(readInt("Adapter", 0, "RebuildRate"), 55);

    EXPECT_EQ(write("Adapter", 0, "AlarmEnable", 0), 0);
    EXPECT_NE(write("Adapter", 0, "AlarmEnable", 2), 0);
    EXPECT_EQ(readInt("Adapter", 0, "AlarmEnable"), 0);

    EXPECT_EQ(write("LogicalDrive", 1, "CachePolicy", 2), 0);
    EXPECT_EQ(readInt("LogicalDrive", 1, "CachePolicy"), 2);
    EXPECT_EQ(write("Enclosure", 0, "AlarmEnable", 0), 0);
    EXPECT_EQ(readInt("Enclosure", 0, "AlarmEnable"), 0);
    EXPECT_EQ(write("Battery", 0, "LearnCycleEnable", 0), 0);
    EXPECT_EQ(readInt("Battery", 0, "LearnCycleEnable"), 0);

    // Read-only attributes, unknown instances and names are refused.
    int nTemperature = readInt("Adapter", 0, "Temperature");
    EXPECT_NE(write("Adapter", 0, "Temperature", 20), 0);
    EXPECT_EQ(readInt("Adapter", 0, "Temperature"), nTemperature);
    EXPECT_NE(write("Adapter", 1, "RebuildRate", 10), 0);
    EXPECT_NE(write("System", 0, "AdapterCount", 3), 0);

    // Drive states: offline, online again; a hot spare cannot be set offline.
    EXPECT_EQ(write("PhysicalDrive", 0, "State", 1), 0);
    EXPECT_EQ(readInt("PhysicalDrive", 0, "State"), 1);
    EXPECT_EQ(readInt("LogicalDrive", 0, "State"), 1);
    EXPECT_EQ(write("PhysicalDrive", 0, "State", 0), 0);
    EXPECT_EQ(readInt("PhysicalDrive", 0, "State"), 0);
    EXPECT_EQ(readInt("LogicalDrive", 0, "State"), 0);
    EXPECT_NE(write("PhysicalDrive", 7, "State", 1), 0);
    EXPECT_NE(write("PhysicalDrive", 0, "State", 3), 0);
    EXPECT_EQ(readInt("PhysicalDrive", 7, "State"), 4);
}

TEST_F(KorvosimTest, InjectedFailureReachesEveryRegistrationOnTheLibraryThread) {
    writeInventory("adapters 1\ndrives-per-adapter 4\nhot-spares-per-adapter 1\n"
                   "logical-drives-per-adapter 1\nraid-level 5\n");
    ASSERT_TRUE(initialize());
    EXPECT_EQ(m_pLib->pfnStartEvents(RecordEvent, 3), 0u);
    EXPECT_EQ(m_pLib->pfnStartEvents(RecordEventToo, 7), 0u);
    EXPECT_EQ(m_pLib->pfnStartEvents(RecordEvent, 3), 0u); // the same pair again
    EXPECT_EQ(write("Adapter", 0, "RebuildRate", 100), 0);
    std::string strSerial = readText("PhysicalDrive", 1, "SerialNumber");

    inject("fail-drive 0 1");
    for (int iLibIndex : {3, 7}) {
        CSeenEvent stState;
        ASSERT_TRUE(waitFor(0x101, iLibIndex, stState));
        EXPECT_NE(stState.idThread, std::this_thread::get_id());
        ASSERT_EQ(stState.iArgCount, 4);
        EXPECT_EQ(stState.vArgValues[0], 0);
        EXPECT_EQ(stState.vArgValues[1], 1);
        EXPECT_EQ(stState.vArgValues[2], 2);
        EXPECT_EQ(stState.vArgTexts[3], "failed");
        EXPECT_FALSE(stState.strDescription.empty());

        CSeenEvent stFailed;
        ASSERT_TRUE(waitFor(0x102, iLibIndex, stFailed));
        ASSERT_EQ(stFailed.iArgCount, 3);
        EXPECT_EQ(stFailed.vArgTexts[2], strSerial);

        CSeenEvent stLogical;
        ASSERT_TRUE(waitFor(0x201, iLibIndex, stLogical));
        EXPECT_EQ(stLogical.vArgValues[2], 1);
        EXPECT_EQ(stLogical.vArgTexts[3], "degraded");

        // The hot spare (drive 3) takes over and rebuilds.
        CSeenEvent stStarted;
        ASSERT_TRUE(waitFor(0x103, iLibIndex, stStarted));
        EXPECT_EQ(stStarted.vArgValues[1], 3);
        CSeenEvent stDone;
        ASSERT_TRUE(waitFor(0x104, iLibIndex, stDone));
        EXPECT_EQ(stDone.vArgValues[1], 3);
    }
    {
        std::lock_guard<std::mutex> lock(g_eventMutex);
        int nFailedSeen = 0;
        for (const CSeenEvent& stSeen : g_vSeen) {
            nFailedSeen += stSeen.iEventCode == 0x102 ? 1 : 0;
        }
        EXPECT_EQ(nFailedSeen, 2); // once per registration, not per call
    }
    EXPECT_EQ(readInt("PhysicalDrive", 1, "State"), 2);
    EXPECT_EQ(readInt("PhysicalDrive", 3, "State"), 0);
    EXPECT_EQ(readInt("PhysicalDrive", 3, "RebuildProgress"), 100);
    EXPECT_EQ(readInt("LogicalDrive", 0, "State"), 0);
}

TEST_F(KorvosimTest, SettingChangesAndRawEventsAreReported) {
    writeInventory("adapters 1\n");
    ASSERT_TRUE(initialize());
    ASSERT_EQ(m_pLib->pfnStartEvents(RecordEvent, 5), 0u);

    ASSERT_EQ(write("Adapter", 0, "RebuildRate", 80), 0);
    CSeenEvent stSetting;
    ASSERT_TRUE(waitFor(0x301, 5, stSetting));
    ASSERT_EQ(stSetting.iArgCount, 3);
    EXPECT_EQ(stSetting.vArgTexts[1], "RebuildRate");
    EXPECT_EQ(stSetting.vArgValues[2], 80);

    inject("temperature adapter 0 75");
    CSeenEvent stHot;
    ASSERT_TRUE(waitFor(0x302, 5, stHot));
    EXPECT_EQ(stHot.vArgValues[1], 75);
    EXPECT_EQ(readInt("Adapter", 0, "Temperature"), 75);

    inject("event 0x501 2 \"two words\" 9");
    CSeenEvent stRaw;
    ASSERT_TRUE(waitFor(0x501, 5, stRaw));
    ASSERT_EQ(stRaw.iArgCount, 3);
    EXPECT_EQ(stRaw.vArgValues[0], 2);
    EXPECT_EQ(stRaw.vArgTexts[1], "two words");
    EXPECT_EQ(stRaw.vArgValues[2], 9);
}

TEST_F(KorvosimTest, ReadyForUnloadStopsEventsAndRemovesTheFifo) {
    writeInventory("adapters 1\n");
    ASSERT_TRUE(initialize());
    ASSERT_EQ(m_pLib->pfnStartEvents(RecordEvent, 0), 0u);
    struct stat stInfo;
    ASSERT_EQ(stat(m_strFifo.c_str(), &stInfo), 0);
    EXPECT_TRUE(S_ISFIFO(stInfo.st_mode));

    m_pLib->pfnUnload();
    EXPECT_NE(stat(m_strFifo.c_str(), &stInfo), 0);
    EXPECT_EQ(holder("Adapter"), nullptr);
    m_pLib->pfnUnload(); // a second call is harmless

    // The library can be brought up again.
    ASSERT_TRUE(initialize());
    ASSERT_EQ(m_pLib->pfnStartEvents(RecordEvent, 2), 0u);
    inject("enclosure-state 0 2");
    CSeenEvent stEnclosure;
    ASSERT_TRUE(waitFor(0x401, 2, stEnclosure));
    EXPECT_EQ(stEnclosure.vArgTexts[2], "critical");
}

} // namespace
