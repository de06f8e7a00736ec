// The store model and the persisted definition file.
#include "CGlobalsScope.h"
#include "mib/parsepersist.h"
#include "storetestutil.h"

#include <cstring>

namespace {

const char* const SMALL_DEFINITION = R"([GLOBALS]
NO_OF_MAPs=1
NO_OF_TBLS=1
NO_OF_GROUPS=1
NO_OF_TRAPS=1
NO_OF_TRAP_ATTRB=1
DATA_SRC=demo
OID_PREFIX=1.3.6.1.4.1.7310.9
OID_VIEW=ShowTrapDescription
VALID_OID=1.3.6.1.4.1.7310.9.1.1
MIB_VERSION=2.1
[GRP_1]
ENTRY_OID=1
CLASS_NAME=Sys
NO_OF_ATTRBS=1
[GRP_1_ATTRB_1]
OID=1
NAME=Version
ACCESS_TYPE=R
DATA_TYPE=1
[TBL_1]
ENTRY_OID=2.1
CLASS_NAME=Disk
NO_OF_ATTRBS=1
NO_OF_KEYS=1
TBL_1_KEY_1=DiskId
[TBL_1_ATTRB_1]
OID=1
NAME=DiskId
ACCESS_TYPE=W
DATA_TYPE=2
[TRAPATTRB_0]
OID=2.1.1
NAME=DiskId
DATA_TYPE=2
[TRAP_1]
ENTRY_OID=100
CODE=1a
NO_OF_ATTRBS=1
TRAP_ID=7
ATTRB_1=0
[MAP_1]
FROM_OID=1
TO_OID=2.1
)";

// Spells out a persisted file field by field.
class Bytes {
  public:
    Bytes& text(const char* pszText, size_t nSize) {
        std::string strField(pszText);
        strField.resize(nSize, '\0');
        m_strBytes += strField;
        return *this;
    }
    Bytes& integer(uint32_t nValue) {
        for (int i = 0; i < 4; i++) {
            m_strBytes += static_cast<char>((nValue >> (8 * i)) & 0xFF);
        }
        return *this;
    }
    Bytes& zeros(size_t nSize) { return text("", nSize); }
    const std::string& str() const { return m_strBytes; }

  private:
    std::string m_strBytes;
};

std::string expectedSmallFile(bool bWindows) {
    Bytes bytes;
    bytes.text("demo", 24).text("1.3.6.1.4.1.7310.9", 24).text("ShowTrapDescription", 24);
    bytes.text("1.3.6.1.4.1.7310.9.1.1", 24).text("2.1", 24);
    // Counts: tables, groups, trap variables, traps, walk-order entries.
    bytes.text("1", 4).text("1", 4).text("1", 4).text("1", 4).text("1", 4);
    // Group record (88) and its attribute record (68).
    bytes.text("Sys", 36).text("1", 48).text("1", 4);
    bytes.text("1.", 24).text("1", 2).text("Version", 36).text("R", 1).zeros(1).integer(1);
    // Table record (176, or 172 on Windows) and its attribute.
    bytes.text("Disk", 36).text("2.1", 48).text("1", 4);
    bytes.zeros(bWindows ? 4 : 8).integer(1).text("1", 2);
    bytes.text("DiskId", 24).zeros(24).zeros(24).zeros(2);
    bytes.text("1.", 24).text("2", 2).text("DiskId", 36).text("W", 1).zeros(1).integer(2);
    // Trap variable (50), trap (87), walk-order entry (96).
    bytes.text("2.1.1", 24).text("2", 2).text("DiskId", 24);
    bytes.text("1a", 5).text("100", 48).text("1", 2).text("0", 4).zeros(20).text("7", 8);
    bytes.text("1", 48).text("2.1", 48);
    return bytes.str();
}

} // namespace

TEST_F(StoreTest, FreshStoreIsEmptyWithTrapsOn) {
    CParseINI store;
    EXPECT_EQ(store.m_nGroups + store.m_nTables + store.m_nTraps + store.m_nMaps, 0);
    EXPECT_STREQ(store.m_szOIDPrefix, "");
    EXPECT_EQ(store.m_ptrCGroup, nullptr);
    EXPECT_TRUE(store.isTrapEnabled());
    CBaseAttrib attrib;
    EXPECT_EQ(attrib.cAccessType, 'R');
    EXPECT_EQ(attrib.iDataType, 0);
}

TEST_F(StoreTest, LibraryNamePerOperatingSystem) {
    CParseINI store;
    strcpy(store.m_szDataSrc, "abc");
    strcpy(store.m_szOIDPrefix, "1.3.6.1.4.1.7310.1");
    char szPrefix[24], szName[24], szView[24], szVersion[24];
    ASSERT_TRUE(store.getOID_DLL(OS_TYPE_LINUX, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "libabc.so");
    EXPECT_STREQ(szPrefix, "1.3.6.1.4.1.7310.1");
    ASSERT_TRUE(store.getOID_DLL(OS_TYPE_WINDOWS, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "abc.dll");
    EXPECT_FALSE(store.getOID_DLL(2, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "");
    EXPECT_STREQ(szPrefix, "");

    // 18 characters of data source do not fit "lib" and ".so" in 23.
    strcpy(store.m_szDataSrc, "abcdefghijklmnopqr");
    EXPECT_FALSE(store.getOID_DLL(OS_TYPE_LINUX, szPrefix, szName, szView, szVersion));
    EXPECT_TRUE(store.getOID_DLL(OS_TYPE_WINDOWS, szPrefix, szName, szView, szVersion));

    // No table of stores: the free form leaves the buffers alone.
    strcpy(szName, "kept");
    EXPECT_FALSE(getOID_DLL(0, OS_TYPE_LINUX, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "kept");
}

TEST_F(StoreTest, StoresSortByteWiseAndCloseWritesOneTraceLine) {
    CGlobalsScope globals;
    globals.SetStores(2);
    strcpy(g_ParseINIarr[0].m_szOIDPrefix, "1.3.6.1.4.1.7310.2");
    strcpy(g_ParseINIarr[1].m_szOIDPrefix, "1.3.6.1.4.1.7310.10");
    qsort(g_ParseINIarr, 2, sizeof(CParseINI), CParseINI_cmp);
    EXPECT_STREQ(g_ParseINIarr[0].m_szOIDPrefix, "1.3.6.1.4.1.7310.10");

    char szPrefix[24], szName[24] = "kept", szView[24], szVersion[24];
    EXPECT_FALSE(getOID_DLL(2, OS_TYPE_LINUX, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "kept");

    remove("temp.txt");
    closeAllPtrs();
    EXPECT_EQ(g_ParseINIarr, nullptr);
    EXPECT_EQ(readFile("temp.txt"),
              "Inside the CParseINI destructor....Inside the CParseINI destructor....");
}

TEST_F(StoreTest, PersistedFileHasTheExactLayout) {
    CParseINI store;
    readDefinition(store, SMALL_DEFINITION);
    std::string strLinux = path("linux.dat");
    std::string strWindows = path("windows.dat");
    EXPECT_TRUE(store.persistINI(const_cast<char*>(strLinux.c_str()), false));
    EXPECT_TRUE(store.persistINIWithLayout(strWindows.c_str(), false, TABLE_LAYOUT_WINDOWS));
    std::string strExpected = expectedSmallFile(false);
    EXPECT_EQ(strExpected.size(), 140u + 88 + 68 + 176 + 68 + 50 + 87 + 96);
    EXPECT_EQ(readFile(strLinux), strExpected);
    EXPECT_EQ(readFile(strWindows), expectedSmallFile(true));
    store.releaseArrays();
}

// Every key slot of a table and every index slot of a trap lands at its own
// offset (the reader and the writer share the offsets, so a round trip
// alone would not tell).
TEST_F(StoreTest, PersistedFileFillsEveryKeyAndIndexSlot) {
    CParseINI store;
    readDefinition(store, R"([GLOBALS]
NO_OF_TBLS=1
NO_OF_TRAPS=1
NO_OF_TRAP_ATTRB=1
DATA_SRC=d
OID_PREFIX=1.3.6.1.4.1.7310.9
OID_VIEW=v
VALID_OID=1.3.6.1.4.1.7310.9.2
MIB_VERSION=m
[TBL_1]
ENTRY_OID=2.1
CLASS_NAME=Disk
NO_OF_ATTRBS=0
NO_OF_KEYS=3
TBL_1_KEY_1=Adapter
TBL_1_KEY_2=Channel
TBL_1_KEY_3=Target
[TRAPATTRB_0]
OID=2.1.1
NAME=n
DATA_TYPE=2
[TRAP_1]
ENTRY_OID=100
CODE=ffff
NO_OF_ATTRBS=6
TRAP_ID=1234567
ATTRB_1=0
ATTRB_2=1
ATTRB_3=2
ATTRB_4=3
ATTRB_5=4
ATTRB_6=999
)");
    for (bool bWindows : {false, true}) {
        Bytes bytes;
        bytes.text("d", 24).text("1.3.6.1.4.1.7310.9", 24).text("v", 24);
        bytes.text("1.3.6.1.4.1.7310.9.2", 24).text("m", 24);
        bytes.text("1", 4).text("0", 4).text("1", 4).text("1", 4).text("0", 4);
        bytes.text("Disk", 36).text("2.1", 48).text("0", 4);
        bytes.zeros(bWindows ? 4 : 8).integer(3).text("3", 2);
        bytes.text("Adapter", 24).text("Channel", 24).text("Target", 24).zeros(2);
        bytes.text("2.1.1", 24).text("2", 2).text("n", 24);
        bytes.text("ffff", 5).text("100", 48).text("6", 2);
        bytes.text("0", 4).text("1", 4).text("2", 4).text("3", 4).text("4", 4).text("999", 4);
        bytes.text("1234567", 8);
        std::string strFile = path("slots.dat");
        ASSERT_TRUE(store.persistINIWithLayout(
            strFile.c_str(), false, bWindows ? TABLE_LAYOUT_WINDOWS : TABLE_LAYOUT_LINUX));
        EXPECT_EQ(readFile(strFile), bytes.str()) << (bWindows ? "Windows" : "Linux");
    }
    store.releaseArrays();
}

TEST_F(StoreTest, PersistedFileReadsBackIntoAnEqualStore) {
    CParseINI written;
    readDefinition(written, SMALL_DEFINITION);
    strcpy(written.m_szTrapDestinationFileName, "not stored");
    written.m_bTrapEnable = false;
    written.m_ptrCTbl[0].m_ptrAttribs[0].iDataType = 5; // re-derived on reading
    std::string strFile = path("small.dat");
    written.persistINIWithLayout(strFile.c_str(), false, TABLE_LAYOUT_LINUX);

    CParseINI read;
    PersistReport report;
    ASSERT_TRUE(read.persistINIWithLayout(strFile.c_str(), true, TABLE_LAYOUT_LINUX, &report));
    EXPECT_STREQ(read.m_szDataSrc, "demo");
    EXPECT_EQ(read.m_nOIDPrefixLen, 18);
    EXPECT_EQ(read.m_nMaps, 1);
    EXPECT_STREQ(read.m_ptrCGroup[0].m_ptrAttribs[0].szFnName, "Version");
    EXPECT_EQ(read.m_ptrCTbl[0].nTotalKeys, 1);
    EXPECT_STREQ(read.m_ptrCTbl[0].szKeys[0], "DiskId");
    EXPECT_EQ(read.m_ptrCTbl[0].m_ptrAttribs[0].cAccessType, 'W');
    EXPECT_EQ(read.m_ptrCTbl[0].m_ptrAttribs[0].iDataType, 2);
    EXPECT_STREQ(read.m_ptrCTrap[0].szTrapCode, "1a");
    EXPECT_STREQ(read.m_ptrMapObj[0].szToOID, "2.1");
    EXPECT_STREQ(read.m_szTrapDestinationFileName, "");
    EXPECT_TRUE(read.isTrapEnabled());
    written.releaseArrays();
    read.releaseArrays();
}

TEST_F(StoreTest, EmptyStoreGivesTheBareHeader) {
    CParseINI empty;
    std::string strFile = path("empty.dat");
    empty.persistINIWithLayout(strFile.c_str(), false, TABLE_LAYOUT_LINUX);
    EXPECT_EQ(readFile(strFile).size(), 140u);
    CParseINI read;
    EXPECT_TRUE(read.persistINIWithLayout(strFile.c_str(), true, TABLE_LAYOUT_LINUX));
    EXPECT_EQ(read.m_nGroups + read.m_nTables + read.m_nTraps + read.m_nMaps, 0);
    read.releaseArrays();
}

TEST_F(StoreTest, ShortFileLoadsAsFarAsItGoes) {
    CParseINI written;
    readDefinition(written, SMALL_DEFINITION);
    std::string strFile = path("small.dat");
    written.persistINIWithLayout(strFile.c_str(), false, TABLE_LAYOUT_LINUX);
    written.releaseArrays();
    std::string strBytes = readFile(strFile);

    // Cut inside the table record: the group is whole, the rest stays empty.
    writeFile("cut.dat", strBytes.substr(0, 140 + 88 + 68 + 100));
    CParseINI read;
    PersistReport report;
    EXPECT_FALSE(
        read.persistINIWithLayout(path("cut.dat").c_str(), true, TABLE_LAYOUT_LINUX, &report));
    EXPECT_TRUE(report.bShort);
    EXPECT_STREQ(read.m_ptrCGroup[0].m_ptrAttribs[0].szFnName, "Version");
    EXPECT_EQ(read.m_nTables, 1);
    EXPECT_STREQ(read.m_ptrCTbl[0].szName, "Disk");
    EXPECT_STREQ(read.m_ptrCTbl[0].m_ptrAttribs[0].szFnName, "");
    EXPECT_STREQ(read.m_ptrCTrap[0].szTrapCode, "");

    // Cut inside the counts: missing counts are 0.
    writeFile("cut.dat", strBytes.substr(0, 124));
    EXPECT_FALSE(
        read.persistINIWithLayout(path("cut.dat").c_str(), true, TABLE_LAYOUT_LINUX, &report));
    EXPECT_EQ(read.m_nTables, 1);
    EXPECT_EQ(read.m_nGroups, 0);
    EXPECT_EQ(read.m_nMaps, 0);

    // A Linux file read with the Windows layout does not come out even.
    EXPECT_FALSE(read.persistINIWithLayout(strFile.c_str(), true, TABLE_LAYOUT_WINDOWS, &report));
    EXPECT_TRUE(report.bTrailingBytes || report.bShort || report.bBadField);
    read.releaseArrays();

    // The plain reader answers true whatever it found.
    EXPECT_TRUE(read.persistINI(const_cast<char*>(path("cut.dat").c_str()), true));
    EXPECT_TRUE(read.persistINI(const_cast<char*>(path("missing.dat").c_str()), true));
    read.releaseArrays();
}

TEST_F(StoreTest, GarbageAndHugeCountsAreRefused) {
    CParseINI read;
    PersistReport report;
    std::string strHeader(120, '\0');
    for (const char* pszCounts : {"9999", "-1\0\0", "1x\0\0",
                                  "12\0"
                                  "3"}) {
        std::string strFile = strHeader + std::string(pszCounts, 4) + std::string(16, '\0');
        writeFile("bad.dat", strFile);
        EXPECT_FALSE(
            read.persistINIWithLayout(path("bad.dat").c_str(), true, TABLE_LAYOUT_LINUX, &report))
            << pszCounts;
        EXPECT_TRUE(report.bBadCount) << pszCounts;
        EXPECT_EQ(read.m_nTables, 0);
        EXPECT_EQ(read.m_ptrCTbl, nullptr);
    }
    // Text fields without terminator are cut inside their field.
    std::string strUnterminated(140, 'x');
    memcpy(&strUnterminated[120], std::string(20, '\0').data(), 20);
    writeFile("bad.dat", strUnterminated);
    EXPECT_FALSE(
        read.persistINIWithLayout(path("bad.dat").c_str(), true, TABLE_LAYOUT_LINUX, &report));
    EXPECT_TRUE(report.bBadField);
    EXPECT_EQ(strlen(read.m_szDataSrc), 23u);
    read.releaseArrays();

    // A store whose counts the file cannot hold is not written.
    CParseINI tooMany;
    tooMany.m_nMaps = 1000;
    EXPECT_FALSE(tooMany.persistINIWithLayout(path("big.dat").c_str(), false, TABLE_LAYOUT_LINUX));
    tooMany.m_nMaps = 0;
}
