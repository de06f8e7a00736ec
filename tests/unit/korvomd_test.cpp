// The md storage library over trees in the kernel's documented layout
// (sys/block/mdN/md/..., proc/mdstat) written in a temporary folder: what its
// holders serve for the shapes arrays take, what it logs and leaves unserved
// for broken files, the events between snapshots, and its event thread.
#include "CMdEventFinder.h"
#include "CMdHolder.h"
#include "CMdLibrary.h"
#include "CMdScanner.h"
#include "CMdSnapshotCache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// ---- What the library logs -----------------------------------------------------

std::mutex g_logMutex;
std::vector<std::string> g_vLogged;

void CaptureLine(int /*nPriority*/, const char* pszLine) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_vLogged.push_back(pszLine);
}

std::vector<std::string> TakeLogged() {
    std::lock_guard<std::mutex> lock(g_logMutex);
    std::vector<std::string> vLines;
    vLines.swap(g_vLogged);
    return vLines;
}

std::string Joined(const std::vector<std::string>& vLines) {
    std::string strText;
    for (const std::string& strLine : vLines) {
        strText += strLine + "\n";
    }
    return strText;
}

// ---- Trees in the kernel's layout ----------------------------------------------

typedef std::map<std::string, std::string> FileMap;

// The md files of a running redundant array; tests change what they need.
FileMap RedundantArray(const std::string& strLevel, int nDisks, const std::string& strState) {
    return {{"level", strLevel + "\n"},
            {"array_state", strState + "\n"},
            {"raid_disks", std::to_string(nDisks) + "\n"},
            {"degraded", "0\n"},
            {"sync_action", "idle\n"},
            {"sync_completed", "none\n"},
            {"sync_speed_max", "200000 (system)\n"},
            {"component_size", "1047552\n"},
            {"chunk_size", strLevel == "raid1" ? "0\n" : "524288\n"},
            {"metadata_version", "1.2\n"}};
}

class CMdTree {
  public:
    CMdTree() {
        char szTemplate[] = "/tmp/korvomd_test.XXXXXX";
        if (mkdtemp(szTemplate) != nullptr) {
            m_strRoot = szTemplate;
        }
        makeFolders("sys/block");
        makeFolders("proc");
    }
    ~CMdTree() {
        std::string strCommand = "rm -rf '" + m_strRoot + "'";
        if (system(strCommand.c_str()) != 0) {
            ADD_FAILURE() << "cannot remove " << m_strRoot;
        }
    }

    const std::string& root() const { return m_strRoot; }
    std::string path(const std::string& strRelative) const { return m_strRoot + "/" + strRelative; }

    void write(const std::string& strRelative, const std::string& strText) {
        std::ofstream stFile(path(strRelative), std::ios::trunc);
        stFile << strText;
    }
    std::string read(const std::string& strRelative) const {
        std::ifstream stFile(path(strRelative));
        return std::string(std::istreambuf_iterator<char>(stFile), {});
    }

    // An array: its md files and the block device's size in sectors.
    void array(const std::string& strName, const FileMap& mFiles, long long nSectors = 4190208) {
        makeFolders(mdFolder(strName));
        for (const auto& stFile : mFiles) {
            write(mdFolder(strName) + "/" + stFile.first, stFile.second);
        }
        write("sys/block/" + strName + "/size", std::to_string(nSectors) + "\n");
    }
    void member(const std::string& strArray, const std::string& strDevice,
                const std::string& strState, const std::string& strSlot, int nErrors = 0) {
        std::string strFolder = mdFolder(strArray) + "/dev-" + strDevice;
        makeFolders(strFolder);
        write(strFolder + "/state", strState + "\n");
        write(strFolder + "/slot", strSlot + "\n");
        write(strFolder + "/errors", std::to_string(nErrors) + "\n");
    }
    void set(const std::string& strArray, const std::string& strFile, const std::string& strText) {
        write(mdFolder(strArray) + "/" + strFile, strText);
    }
    static std::string mdFolder(const std::string& strArray) {
        return "sys/block/" + strArray + "/md";
    }

    void makeFolders(const std::string& strRelative) {
        std::string strPath = m_strRoot;
        std::string strRest = strRelative + "/";
        size_t nSlash = 0;
        while ((nSlash = strRest.find('/')) != std::string::npos) {
            strPath += "/" + strRest.substr(0, nSlash);
            strRest.erase(0, nSlash + 1);
            mkdir(strPath.c_str(), 0755);
        }
    }

  private:
    std::string m_strRoot;
};

// A tree of the shapes the kernel documents: raid1, raid5 degraded with a
// faulty member and a journal device, raid6 recovering onto a spare, raid10,
// raid0 (no redundancy files), an inactive array being assembled, and a
// member whose state word no kernel writes yet.
void WriteShapes(CMdTree& stTree) {
    stTree.array("md0", RedundantArray("raid1", 2, "clean"));
    stTree.member("md0", "sda1", "in_sync", "0");
    stTree.member("md0", "sdb1", "in_sync,write_mostly", "1", 3);

    FileMap mRaid5 = RedundantArray("raid5", 3, "active");
    mRaid5["degraded"] = "1\n";
    stTree.array("md1", mRaid5);
    stTree.member("md1", "sdc1", "in_sync", "0");
    stTree.member("md1", "sdd1", "faulty", "none", 17);
    stTree.member("md1", "sde1", "in_sync", "2");
    stTree.member("md1", "nvme9n1", "journal", "journal");

    FileMap mRaid6 = RedundantArray("raid6", 4, "active");
    mRaid6["degraded"] = "1\n";
    mRaid6["sync_action"] = "recover\n";
    mRaid6["sync_completed"] = "52480 / 1047552\n";
    mRaid6["sync_speed_max"] = "50000 (local)\n";
    stTree.array("md2", mRaid6);
    stTree.member("md2", "sdi1", "spare", "3");
    stTree.member("md2", "sdf1", "in_sync", "0");
    stTree.member("md2", "sdg1", "in_sync", "1");
    stTree.member("md2", "sdh1", "in_sync", "2");
    stTree.member("md2", "sdj1", "spare", "none");

    stTree.array("md10", RedundantArray("raid10", 4, "active-idle"));
    for (int nSlot = 0; nSlot < 4; ++nSlot) {
        stTree.member("md10", "nvme" + std::to_string(nSlot) + "n1", "in_sync",
                      std::to_string(nSlot));
    }

    stTree.array("md3",
                 {{"level", "raid0\n"},
                  {"array_state", "clean\n"},
                  {"raid_disks", "2\n"},
                  {"component_size", "1047552\n"},
                  {"chunk_size", "65536\n"},
                  {"metadata_version", "1.2\n"}},
                 4194304);
    stTree.member("md3", "sdk1", "in_sync", "0");
    stTree.member("md3", "sdl1", "in_sync,frobnicated", "1");

    stTree.array("md127",
                 {{"level", "\n"},
                  {"array_state", "inactive\n"},
                  {"raid_disks", "\n"},
                  {"component_size", "0\n"},
                  {"chunk_size", "0\n"},
                  {"metadata_version", "1.2\n"}},
                 0);
    stTree.member("md127", "sdm", "frobnicated", "none");

    stTree.write("proc/mdstat",
                 "Personalities : [raid0] [raid1] [raid6] [raid5] [raid4] [raid10]\n"
                 "md127 : inactive sdm[0](S)\n"
                 "      1048576 blocks super 1.2\n"
                 "\n"
                 "md10 : active raid10 nvme3n1[3] nvme2n1[2] nvme1n1[1] nvme0n1[0]\n"
                 "      2095104 blocks super 1.2 512K chunks 2 near-copies [4/4] [UUUU]\n"
                 "\n"
                 "md3 : active raid0 sdl1[1] sdk1[0]\n"
                 "      2095104 blocks super 1.2 64k chunks\n"
                 "\n"
                 "md2 : active raid6 sdj1[5](S) sdi1[4] sdh1[2] sdg1[1] sdf1[0]\n"
                 "      2095104 blocks super 1.2 level 6, 512k chunk, algorithm 2 [4/3] [UUU_]\n"
                 "      [>....................]  recovery =  5.0% (52480/1047552) "
                 "finish=0.3min speed=52480K/sec\n"
                 "\n"
                 "md1 : active raid5 nvme9n1[3](J) sde1[2] sdd1[1](F) sdc1[0]\n"
                 "      2095104 blocks super 1.2 level 5, 512k chunk, algorithm 2 [3/2] [U_U]\n"
                 "      bitmap: 0/1 pages [0KB], 65536KB chunk\n"
                 "\n"
                 "md0 : active (auto-read-only) raid1 sdb1[1](W) sda1[0]\n"
                 "      1047552 blocks super 1.2 [2/2] [UU]\n"
                 "\n"
                 "unused devices: <none>\n");
}

// ---- The holders over a tree ---------------------------------------------------

const int NOT_SERVED = -12345;
const char* const TEXT_NOT_SERVED = "(not served)";

class KorvomdTreeTest : public ::testing::Test {
  protected:
    CMdTree m_stTree;
    CMdFiles m_stFiles{m_stTree.root()};
    CMdProblemLog m_stLog;
    CMdSnapshotCache m_stCache{m_stFiles, m_stLog};
    CMdHolder m_stArrays{MD_CLASS_ARRAY, m_stFiles, m_stCache};
    CMdHolder m_stMembers{MD_CLASS_MEMBER, m_stFiles, m_stCache};

    void SetUp() override {
        CMdProblemLog::setSink(&CaptureLine);
        TakeLogged();
    }
    void TearDown() override { CMdProblemLog::setSink(nullptr); }

    // A fresh count, as the agent asks before it reads.
    int count(CMdHolder& stHolder) {
        m_stCache.invalidate();
        return stHolder.getInstanceCount();
    }
    int readInt(CMdHolder& stHolder, int iInstance, std::string strAttribute) {
        int nValue = 0;
        return stHolder.getIntAttribute(iInstance, &strAttribute[0], &nValue) == 0 ? nValue
                                                                                   : NOT_SERVED;
    }
    std::string readText(CMdHolder& stHolder, int iInstance, std::string strAttribute) {
        char szBuffer[STORAGELIB_STRING_BUFFER_SIZE] = {};
        return stHolder.getStringAttribute(iInstance, &strAttribute[0], szBuffer) == 0
                   ? szBuffer
                   : TEXT_NOT_SERVED;
    }
    int write(int iInstance, std::string strAttribute, int nValue) {
        return m_stArrays.setIntAttribute(iInstance, &strAttribute[0], nValue);
    }
    // One array's row: name, texts and integers in the order of the table.
    std::string arrayRow(int i) {
        std::string strRow = readText(m_stArrays, i, "Name");
        for (const char* pszText :
             {"LevelName", "StateName", "SyncActionName", "MetadataVersion", "DiskStatus"}) {
            strRow += " " + readText(m_stArrays, i, pszText);
        }
        for (const char* pszInt :
             {"Index", "Level", "State", "RaidDisks", "Degraded", "SyncAction", "SyncProgress",
              "SizeMiB", "ComponentSizeMiB", "ChunkSizeKiB", "SyncSpeedMax"}) {
            int nValue = readInt(m_stArrays, i, pszInt);
            strRow += " " + (nValue == NOT_SERVED ? std::string("-") : std::to_string(nValue));
        }
        return strRow;
    }
    std::string memberRow(int i) {
        std::string strRow = readText(m_stMembers, i, "ArrayName") + " " +
                             readText(m_stMembers, i, "Name") + " " +
                             readText(m_stMembers, i, "StateName");
        for (const char* pszInt : {"Index", "Slot", "State", "Errors"}) {
            int nValue = readInt(m_stMembers, i, pszInt);
            strRow += " " + (nValue == NOT_SERVED ? std::string("-") : std::to_string(nValue));
        }
        return strRow;
    }
};

TEST_F(KorvomdTreeTest, ServesTheShapesOfTheKernelsArraysInMdNumberOrder) {
    WriteShapes(m_stTree);
    ASSERT_EQ(count(m_stArrays), 6);
    // Name, LevelName, StateName, SyncActionName, MetadataVersion, DiskStatus;
    // Index, Level, State, RaidDisks, Degraded, SyncAction, SyncProgress,
    // SizeMiB, ComponentSizeMiB, ChunkSizeKiB, SyncSpeedMax.
    EXPECT_EQ(arrayRow(0), "md0 raid1 clean idle 1.2 UU 0 1 6 2 0 1 - 2046 1023 0 200000");
    EXPECT_EQ(arrayRow(1), "md1 raid5 active idle 1.2 U_U 1 5 7 3 1 1 - 2046 1023 512 200000");
    EXPECT_EQ(arrayRow(2), "md2 raid6 active recover 1.2 UUU_ 2 6 7 4 1 3 50 2046 1023 512 50000");
    EXPECT_EQ(arrayRow(3),
              "md3 raid0 clean (not served) 1.2 (not served) 3 0 6 2 - - - 2048 1023 64 -");
    EXPECT_EQ(arrayRow(4),
              "md10 raid10 active-idle idle 1.2 UUUU 4 10 9 4 0 1 - 2046 1023 512 200000");
    EXPECT_EQ(arrayRow(5), "md127 (not served) inactive (not served) 1.2 (not served) "
                           "5 - 2 - - - - 0 0 0 -");

    ASSERT_EQ(count(m_stMembers), 18);
    std::vector<std::string> vRows;
    for (int i = 0; i < 18; ++i) {
        vRows.push_back(memberRow(i));
    }
    // ArrayName, Name, StateName; Index, Slot, State, Errors: by array, by
    // slot, members without a slot last.
    std::vector<std::string> vExpected = {
        "md0 sda1 in_sync 0 0 1 0",
        "md0 sdb1 in_sync,write_mostly 1 1 1 3",
        "md1 sdc1 in_sync 2 0 1 0",
        "md1 sde1 in_sync 3 2 1 0",
        "md1 nvme9n1 journal 4 -1 5 0",
        "md1 sdd1 faulty 5 -1 4 17",
        "md2 sdf1 in_sync 6 0 1 0",
        "md2 sdg1 in_sync 7 1 1 0",
        "md2 sdh1 in_sync 8 2 1 0",
        "md2 sdi1 spare 9 3 3 0",
        "md2 sdj1 spare 10 -1 2 0",
        "md3 sdk1 in_sync 11 0 1 0",
        "md3 sdl1 in_sync,frobnicated 12 1 1 0",
        "md10 nvme0n1 in_sync 13 0 1 0",
        "md10 nvme1n1 in_sync 14 1 1 0",
        "md10 nvme2n1 in_sync 15 2 1 0",
        "md10 nvme3n1 in_sync 16 3 1 0",
        "md127 sdm frobnicated 17 -1 0 0",
    };
    EXPECT_EQ(vRows, vExpected);

    // A healthy tree gives no log line; the inactive array's empty level and
    // device count are what the kernel writes while it assembles one.
    EXPECT_EQ(Joined(TakeLogged()), "");
    // Out of range, unknown attributes and the other kind fail.
    EXPECT_EQ(readInt(m_stArrays, 6, "Level"), NOT_SERVED);
    EXPECT_EQ(readInt(m_stArrays, -1, "Level"), NOT_SERVED);
    EXPECT_EQ(readInt(m_stArrays, 0, "Colour"), NOT_SERVED);
    EXPECT_EQ(readInt(m_stArrays, 0, "LevelName"), NOT_SERVED);
    EXPECT_EQ(readText(m_stArrays, 0, "Level"), TEXT_NOT_SERVED);
}

TEST_F(KorvomdTreeTest, AHostWithoutMdServesEmptyTablesAndLogsNothing) {
    EXPECT_EQ(count(m_stArrays), 0);
    EXPECT_EQ(count(m_stMembers), 0);
    rmdir(m_stTree.path("sys/block").c_str());
    rmdir(m_stTree.path("proc").c_str());
    EXPECT_EQ(count(m_stArrays), 0);
    EXPECT_EQ(Joined(TakeLogged()), "");
}

// Empty, malformed and unreadable files: the value is not served, the rest
// of the array is, and each problem is one clear line, logged once.
TEST_F(KorvomdTreeTest, BrokenFilesAreLoggedOnceAndTheirValuesNotServed) {
    FileMap mFiles = RedundantArray("raid1", 2, "clean");
    mFiles["degraded"] = "";
    mFiles["raid_disks"] = "two\n";
    mFiles["sync_completed"] = "12 of 40\n";
    mFiles["sync_speed_max"] = "fast (system)\n";
    mFiles["component_size"] = "99999999999999999999\n";
    mFiles["metadata_version"] = std::string("1.\x01\n", 4);
    m_stTree.array("md0", mFiles);
    m_stTree.member("md0", "sda1", "in_sync", "zero");
    m_stTree.member("md0", "sdb1", "", "1");
    // A read that fails (EIO, as EBUSY or EINVAL fail on a real host).
    unlink(m_stTree.path("sys/block/md0/md/level").c_str());
    ASSERT_EQ(symlink("/proc/self/mem", m_stTree.path("sys/block/md0/md/level").c_str()), 0);
    // A FIFO where a file belongs is not waited on.
    unlink(m_stTree.path("sys/block/md0/size").c_str());
    ASSERT_EQ(mkfifo(m_stTree.path("sys/block/md0/size").c_str(), 0600), 0);
    m_stTree.write("proc/mdstat", "md0 : resting raid1\nnonsense\n");

    ASSERT_EQ(count(m_stArrays), 1);
    EXPECT_EQ(arrayRow(0), "md0 (not served) clean idle (not served) (not served) "
                           "0 - 6 - - 1 - - - 0 -");
    ASSERT_EQ(count(m_stMembers), 2);
    EXPECT_EQ(memberRow(0), "md0 sdb1 (not served) 0 1 - 0");
    EXPECT_EQ(memberRow(1), "md0 sda1 in_sync 1 - 1 0");

    std::string strRoot = m_stTree.root();
    std::string strMd = "korvomd: " + strRoot + "/sys/block/md0/md/";
    std::vector<std::string> vLogged = TakeLogged();
    std::string strLogged = Joined(vLogged);
    for (std::string strLine : {
             strMd + "level cannot be read: Input/output error: md0's LevelName is not served",
             strMd + "raid_disks holds \"two\", not a count: md0's RaidDisks is not served",
             strMd + "degraded is empty: md0's Degraded is not served",
             strMd + "sync_completed holds \"12 of 40\", not \"done / total\", none or "
                     "delayed: md0's SyncProgress is not served",
             strMd + "sync_speed_max holds \"fast (system)\", not a speed such as \"200000 "
                     "(system)\": md0's SyncSpeedMax is not served",
             strMd + "component_size holds \"99999999999999999999\", not a count: md0's "
                     "ComponentSizeMiB is not served",
             strMd + "metadata_version holds no line of text (not a regular file, too long, "
                     "or unprintable bytes): md0's MetadataVersion is not served",
             "korvomd: " + strRoot +
                 "/sys/block/md0/size holds no line of text (not a regular "
                 "file, too long, or unprintable bytes): md0's SizeMiB is "
                 "not served",
             strMd + "dev-sda1/slot holds \"zero\", not none or a slot number: md0/sda1's Slot "
                     "is not served",
             strMd + "dev-sdb1/state is empty: md0/sdb1's StateName is not served",
             "korvomd: " + strRoot +
                 "/proc/mdstat: line 1 \"md0 : resting raid1\" names no "
                 "state active or inactive; the line is skipped",
             "korvomd: " + strRoot +
                 "/proc/mdstat: line 2 \"nonsense\" is of no known shape; "
                 "the line is skipped",
         }) {
        EXPECT_NE(strLogged.find(strLine + "\n"), std::string::npos) << strLine << "\n"
                                                                     << strLogged;
    }
    EXPECT_EQ(vLogged.size(), 12u) << strLogged;

    // The next scans find the same problems and log nothing; a problem that
    // was mended and comes back is logged again.
    EXPECT_EQ(count(m_stArrays), 1);
    EXPECT_EQ(Joined(TakeLogged()), "");
    m_stTree.set("md0", "degraded", "0\n");
    EXPECT_EQ(count(m_stArrays), 1);
    EXPECT_EQ(readInt(m_stArrays, 0, "Degraded"), 0);
    m_stTree.set("md0", "degraded", "\n");
    EXPECT_EQ(count(m_stArrays), 1);
    EXPECT_EQ(Joined(TakeLogged()), strMd + "degraded is empty: md0's Degraded is not served\n");
}

TEST_F(KorvomdTreeTest, AnArrayRemovedWhileReadIsLeftOutWithAWarning) {
    WriteShapes(m_stTree);
    CMdScanner stScanner(m_stFiles);
    MdProblemList vProblems;
    std::vector<std::string> vListed = stScanner.listArrays(vProblems);
    ASSERT_EQ(vListed.size(), 6u);
    CMdStat stStat = stScanner.readMdstat(true, vProblems);
    // md1 goes between the listing and its reading, as mdadm --stop does it.
    ASSERT_EQ(system(("rm -rf '" + m_stTree.path("sys/block/md1") + "'").c_str()), 0);
    CMdArray stArray;
    EXPECT_FALSE(stScanner.readArray("md1", stStat, stArray, vProblems));
    ASSERT_EQ(vProblems.size(), 1u);
    EXPECT_EQ(vProblems[0].strText, "md1 was removed while it was being read; it is left out");
    EXPECT_TRUE(stScanner.readArray("md2", stStat, stArray, vProblems));
    EXPECT_EQ(vProblems.size(), 1u);

    // The kernel's /sys/block entries are links: one left dangling by a
    // removed array is no array, and no problem.
    ASSERT_EQ(symlink("../devices/virtual/block/md9", m_stTree.path("sys/block/md9").c_str()), 0);
    EXPECT_EQ(count(m_stArrays), 5);
    EXPECT_EQ(readText(m_stArrays, 1, "Name"), "md2");
    EXPECT_EQ(Joined(TakeLogged()), "");
}

TEST_F(KorvomdTreeTest, SyncSpeedMaxIsWrittenToTheArraysFile) {
    WriteShapes(m_stTree);
    ASSERT_EQ(count(m_stArrays), 6);
    EXPECT_EQ(write(1, "SyncSpeedMax", 5000), 0);
    EXPECT_EQ(m_stTree.read("sys/block/md1/md/sync_speed_max"), "5000\n");
    EXPECT_EQ(m_stArrays.getInstanceCount(), 6);
    EXPECT_EQ(readInt(m_stArrays, 1, "SyncSpeedMax"), 5000) << "the write is read back at once";
    EXPECT_EQ(write(1, "SyncSpeedMax", 0), 0);
    EXPECT_EQ(m_stTree.read("sys/block/md1/md/sync_speed_max"), "system\n");

    m_stTree.set("md1", "sync_speed_max", "200000 (system)\n");
    EXPECT_NE(write(1, "SyncSpeedMax", -1), 0);
    EXPECT_NE(write(1, "Degraded", 0), 0);
    EXPECT_NE(write(6, "SyncSpeedMax", 1000), 0);
    EXPECT_EQ(m_stTree.read("sys/block/md1/md/sync_speed_max"), "200000 (system)\n");
    std::string strMember = "SyncSpeedMax";
    EXPECT_NE(m_stMembers.setIntAttribute(0, &strMember[0], 1000), 0);
    TakeLogged();

    // raid0 has no sync_speed_max: the write is refused and logged, and
    // no file is made.
    EXPECT_NE(write(3, "SyncSpeedMax", 1000), 0);
    EXPECT_NE(access(m_stTree.path("sys/block/md3/md/sync_speed_max").c_str(), F_OK), 0);
    EXPECT_EQ(Joined(TakeLogged()), "korvomd: cannot write 1000 to " + m_stTree.root() +
                                        "/sys/block/md3/md/sync_speed_max: No such file or "
                                        "directory; md3's SyncSpeedMax stays as it was\n");
}

// ---- Events between snapshots ----------------------------------------------------

CMdArray RunningArray(const std::string& strName, int nDegraded, const std::string& strAction) {
    CMdArray stArray;
    stArray.strName = strName;
    stArray.strLevel.set("raid5");
    stArray.nLevel.set(MD_LEVEL_RAID5);
    stArray.strState.set("active");
    stArray.nState.set(MD_STATE_ACTIVE);
    stArray.nRaidDisks.set(3);
    stArray.nDegraded.set(nDegraded);
    stArray.strSyncAction.set(strAction);
    for (const char* pszDevice : {"sda1", "sdb1", "sdc1"}) {
        CMdMember stMember;
        stMember.strArrayName = strName;
        stMember.strName = pszDevice;
        stMember.strState.set("in_sync");
        stMember.nState.set(MD_MEMBER_IN_SYNC);
        stArray.vMembers.push_back(stMember);
    }
    return stArray;
}

void SetMemberState(CMdArray& stArray, size_t nMember, const std::string& strState, int nState) {
    stArray.vMembers[nMember].strState.set(strState);
    stArray.vMembers[nMember].nState.set(nState);
}

CMdSnapshot Snapshot(const std::vector<CMdArray>& vArrays) {
    CMdSnapshot stSnapshot;
    stSnapshot.vArrays = vArrays;
    return stSnapshot;
}

// Code, then the argument texts, of each event.
std::vector<std::string> Described(const MdEventList& vEvents) {
    std::vector<std::string> vDescribed;
    for (const CMdEvent& stEvent : vEvents) {
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "%x", stEvent.nCode);
        std::string strText = szCode;
        for (const CMdEventArg& stArg : stEvent.vArgs) {
            strText += " " + stArg.strText;
        }
        vDescribed.push_back(strText);
    }
    return vDescribed;
}

typedef std::vector<std::string> Texts;

TEST(KorvomdEventFinder, EachChangeGivesItsEventOnce) {
    CMdArray stHealthy = RunningArray("md1", 0, "idle");
    CMdSnapshot stBefore = Snapshot({stHealthy});
    EXPECT_EQ(Described(FindEvents(stBefore, stBefore)), Texts());

    CMdArray stFailed = stHealthy;
    SetMemberState(stFailed, 1, "faulty", MD_MEMBER_FAULTY);
    stFailed.nDegraded.set(1);
    CMdSnapshot stFailedSnapshot = Snapshot({stFailed});
    EXPECT_EQ(Described(FindEvents(stBefore, stFailedSnapshot)),
              Texts({"601 md1 sdb1 faulty", "602 md1 1 3"}));
    EXPECT_EQ(Described(FindEvents(stFailedSnapshot, stFailedSnapshot)), Texts())
        << "a faulty member and a degraded array stay without new events";

    CMdArray stRecovering = stFailed;
    stRecovering.strSyncAction.set("recover");
    CMdSnapshot stRecoveringSnapshot = Snapshot({stRecovering});
    EXPECT_EQ(Described(FindEvents(stFailedSnapshot, stRecoveringSnapshot)),
              Texts({"604 md1 recover"}));

    CMdArray stResyncing = stRecovering;
    stResyncing.strSyncAction.set("resync");
    stResyncing.nDegraded.set(0);
    CMdSnapshot stResyncingSnapshot = Snapshot({stResyncing});
    EXPECT_EQ(Described(FindEvents(stRecoveringSnapshot, stResyncingSnapshot)),
              Texts({"603 md1 0 3", "605 md1 recover", "604 md1 resync"}));
    EXPECT_EQ(Described(FindEvents(stResyncingSnapshot, Snapshot({stHealthy}))),
              Texts({"605 md1 resync"}));

    // A word no kernel writes yet is an operation; frozen is none.
    CMdArray stOther = stHealthy;
    stOther.strSyncAction.set("scrub");
    EXPECT_EQ(Described(FindEvents(stBefore, Snapshot({stOther}))), Texts({"604 md1 scrub"}));
    CMdArray stFrozen = stHealthy;
    stFrozen.strSyncAction.set("frozen");
    EXPECT_EQ(Described(FindEvents(stBefore, Snapshot({stFrozen}))), Texts());

    // A value one snapshot lacks gives no event.
    CMdArray stUnread = stFailed;
    stUnread.nDegraded = CMdInt();
    stUnread.vMembers[1].nState = CMdInt();
    EXPECT_EQ(Described(FindEvents(Snapshot({stUnread}), stFailedSnapshot)), Texts());
    EXPECT_EQ(Described(FindEvents(stBefore, Snapshot({stUnread}))), Texts());
    // Across such a gap the next comparison starts from the last known values.
    CMdSnapshot stCarried = CarryKnownValues(stBefore, Snapshot({stUnread}));
    EXPECT_EQ(Described(FindEvents(stCarried, stFailedSnapshot)),
              Texts({"601 md1 sdb1 faulty", "602 md1 1 3"}));
}

TEST(KorvomdEventFinder, ArraysAppearAndGoAwayOnce) {
    CMdArray stHealthy = RunningArray("md1", 0, "idle");
    CMdArray stNew = RunningArray("md2", 1, "recover");
    SetMemberState(stNew, 2, "faulty", MD_MEMBER_FAULTY);
    EXPECT_EQ(Described(FindEvents(Snapshot({stHealthy}), Snapshot({stHealthy, stNew}))),
              Texts({"606 md2 raid5 active", "602 md2 1 3"}))
        << "a new array is no change of its members or its sync";

    CMdArray stInactive = stHealthy;
    stInactive.strState.set("inactive");
    stInactive.nState.set(MD_STATE_INACTIVE);
    stInactive.nDegraded = CMdInt();
    stInactive.strSyncAction = CMdText();
    EXPECT_EQ(Described(FindEvents(Snapshot({stHealthy}), Snapshot({stInactive}))),
              Texts({"607 md1 inactive"}));
    EXPECT_EQ(Described(FindEvents(Snapshot({stInactive}), Snapshot({}))), Texts())
        << "an inactive array that goes was gone already";
    EXPECT_EQ(Described(FindEvents(Snapshot({}), Snapshot({stInactive}))), Texts());
    EXPECT_EQ(Described(FindEvents(Snapshot({stInactive}), Snapshot({stHealthy}))),
              Texts({"606 md1 raid5 active"}));
    EXPECT_EQ(Described(FindEvents(Snapshot({stHealthy, stNew}), Snapshot({stNew}))),
              Texts({"607 md1 removed"}));
}

TEST(KorvomdEventFinder, EventRecordsAreBoundedCopies) {
    CMdEvent stEvent;
    stEvent.nCode = MD_EVT_MEMBER_FAULTY;
    stEvent.strDescription = std::string(1000, 'd');
    for (int i = 0; i < EVENT_MAX_ARGS + 3; ++i) {
        stEvent.addText(std::string(1000, 'a'));
    }
    CEventInfo stInfo;
    FillEventInfo(stEvent, 7, stInfo);
    EXPECT_EQ(stInfo.iLibIndex, 7);
    EXPECT_EQ(stInfo.iEventCode, 0x601);
    EXPECT_EQ(stInfo.iArgCount, EVENT_MAX_ARGS);
    EXPECT_EQ(std::string(stInfo.szDescription), std::string(EVENT_TEXT_SIZE - 1, 'd'));
    EXPECT_EQ(std::string(stInfo.aArgs[EVENT_MAX_ARGS - 1].szArgText),
              std::string(EVENT_TEXT_SIZE - 1, 'a'));
}

// ---- The library and its event thread --------------------------------------------

struct CSeenEvent {
    int iLibIndex;
    int iEventCode;
    std::vector<std::string> vArgs;
    std::string strDescription;
    std::thread::id idThread;
};

std::mutex g_eventMutex;
std::condition_variable g_eventArrived;
std::vector<CSeenEvent> g_vSeen;

int RecordEvent(CEventInfo* pEvent) {
    CSeenEvent stSeen{pEvent->iLibIndex,
                      pEvent->iEventCode,
                      {},
                      pEvent->szDescription,
                      std::this_thread::get_id()};
    for (int i = 0; i < pEvent->iArgCount; ++i) {
        stSeen.vArgs.push_back(pEvent->aArgs[i].szArgText);
    }
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_vSeen.push_back(stSeen);
    g_eventArrived.notify_all();
    return 1;
}

size_t SeenCount() {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return g_vSeen.size();
}

bool WaitForSeen(size_t nCount) {
    std::unique_lock<std::mutex> lock(g_eventMutex);
    return g_eventArrived.wait_for(lock, std::chrono::seconds(30),
                                   [&] { return g_vSeen.size() >= nCount; });
}

CBaseHolder* Holder(CMdLibrary& stLibrary, const char* pszClass) {
    std::string strName = pszClass;
    return stLibrary.getHolder(&strName[0]);
}

// The thread compares with what existed at registration, finds a change by
// rescanning (a tree of plain files notifies nothing) and reports each event
// once to each registration, from its own thread; unload stops it.
TEST(KorvomdLibrary, TheEventThreadReportsEachChangeOnceToEveryRegistration) {
    CMdTree stTree;
    WriteShapes(stTree);
    setenv(MD_ROOT_ENV, stTree.root().c_str(), 1);
    setenv(MD_RESCAN_ENV, "1", 1);
    CMdProblemLog::setSink(&CaptureLine);
    CMdLibrary stLibrary;
    ASSERT_TRUE(stLibrary.initialize());
    ASSERT_NE(Holder(stLibrary, "MdArray"), nullptr);
    ASSERT_NE(Holder(stLibrary, "MdMember"), nullptr);
    EXPECT_EQ(Holder(stLibrary, "Adapter"), nullptr);
    EXPECT_EQ(Holder(stLibrary, "MdArray")->getInstanceCount(), 6);
    {
        std::lock_guard<std::mutex> lock(g_eventMutex);
        g_vSeen.clear();
    }
    EXPECT_EQ(stLibrary.startEvents(&RecordEvent, 3), 0u);
    EXPECT_EQ(stLibrary.startEvents(&RecordEvent, 4), 0u);
    EXPECT_EQ(stLibrary.startEvents(&RecordEvent, 4), 0u) << "a pair is registered once";

    stTree.member("md0", "sdb1", "faulty,write_mostly", "none");
    stTree.set("md0", "degraded", "1\n");
    ASSERT_TRUE(WaitForSeen(4)) << "events seen: " << SeenCount();
    // Two more rescans find nothing new.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    stLibrary.unload();
    stTree.set("md0", "degraded", "0\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    std::lock_guard<std::mutex> lock(g_eventMutex);
    ASSERT_EQ(g_vSeen.size(), 4u);
    EXPECT_EQ(g_vSeen[0].iEventCode, MD_EVT_MEMBER_FAULTY);
    EXPECT_EQ(g_vSeen[0].iLibIndex, 3);
    EXPECT_EQ(g_vSeen[1].iEventCode, MD_EVT_MEMBER_FAULTY);
    EXPECT_EQ(g_vSeen[1].iLibIndex, 4);
    EXPECT_EQ(g_vSeen[0].vArgs, Texts({"md0", "sdb1", "faulty,write_mostly"}));
    EXPECT_EQ(g_vSeen[0].strDescription, "md0: member sdb1 is faulty (faulty,write_mostly)");
    EXPECT_EQ(g_vSeen[2].iEventCode, MD_EVT_DEGRADED);
    EXPECT_EQ(g_vSeen[2].vArgs, Texts({"md0", "1", "2"}));
    EXPECT_EQ(g_vSeen[2].strDescription, "md0 is degraded: 1 of 2 devices missing");
    EXPECT_NE(g_vSeen[0].idThread, std::this_thread::get_id());
    EXPECT_EQ(Holder(stLibrary, "MdArray"), nullptr) << "an unloaded library has no holders";
    CMdProblemLog::setSink(nullptr);
    unsetenv(MD_ROOT_ENV);
    unsetenv(MD_RESCAN_ENV);
}

TEST(KorvomdLibrary, ARescanIntervalThatIsNoNumberIsLoggedAndTheDefaultKept) {
    CMdProblemLog::setSink(&CaptureLine);
    TakeLogged();
    setenv(MD_RESCAN_ENV, "soon", 1);
    EXPECT_EQ(RescanIntervalFromEnvironment(), std::chrono::milliseconds(5000));
    setenv(MD_RESCAN_ENV, "0", 1);
    EXPECT_EQ(RescanIntervalFromEnvironment(), std::chrono::milliseconds(5000));
    setenv(MD_RESCAN_ENV, "30", 1);
    EXPECT_EQ(RescanIntervalFromEnvironment(), std::chrono::milliseconds(30000));
    unsetenv(MD_RESCAN_ENV);
    EXPECT_EQ(Joined(TakeLogged()),
              "korvomd: KORVOMD_RESCAN_SECONDS=\"soon\" is no number of seconds from 1 to 3600; "
              "the arrays are rescanned every 5 seconds\n"
              "korvomd: KORVOMD_RESCAN_SECONDS=\"0\" is no number of seconds from 1 to 3600; "
              "the arrays are rescanned every 5 seconds\n");
    CMdProblemLog::setSink(nullptr);
}

} // namespace
